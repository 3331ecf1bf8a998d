#pragma once
// What the client's page shows of a proposal version, read straight from its rows: the
// header with the client's and the salesperson's names, the product lines with their
// systems and installments, the services with the package's installments, and the texts
// as stored.
#include <QString>
#include <optional>

#include "data/proposal_document.h"

namespace cot::server {

class Database;

namespace client_page {

// Nothing when the version does not exist.
std::optional<ProposalDocument> readPageProposal(Database& db, const QString& nr, const QString& ver);

}  // namespace client_page
}  // namespace cot::server
