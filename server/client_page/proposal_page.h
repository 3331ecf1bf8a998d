#pragma once
// The proposal as the client's page shows it: the version's rows (page_data.h) rendered by
// the layout of the page (data/proposal_html.h): header, product lines with their systems
// and schedules, services with the package and its schedule, the texts (inert: shown as
// text, never as markup) and the totals with the interest explained.
#include <QString>

namespace cot::server {

class Database;

namespace client_page {

// The proposal section of the page. The same rows always give the same bytes, so its hash
// tells whether the version changed. Empty when the version does not exist.
QString proposalContentHtml(Database& db, const QString& nr, const QString& ver);
// SHA-256 of the content's UTF-8 bytes, lowercase hex.
QString contentHash(const QString& contentHtml);

}  // namespace client_page
}  // namespace cot::server
