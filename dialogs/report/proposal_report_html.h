#pragma once
#include <QString>

#include "screens/paged_print.h"

namespace cot {

struct ProposalDocument;
class TMessages;

// The proposal report as HTML for QTextDocument (printed on A4), in the printed layout of
// data/proposal_html.h: the letterhead of the branch that offers (logo, company, CNPJ,
// address, phone, site), header with reference, number/version, client and validity; the
// proposal texts with their formatting (storedTextBody); the product lines with their
// systems and installments; the services with their schedule; the totals; the
// salesperson's contact at the end. Labels come from `labels` (keys R_...; the Spanish text
// under KEY_ESP for a Spanish proposal).
QString proposalReportHtml(const ProposalDocument& data, const QString& title, const TMessages& labels);

// The footer of a page of the report: the company's line and "Página N de M".
PageFooter proposalPageFooter(const ProposalDocument& data, const TMessages& labels, int page, int pages);

// The body of a stored rich text, ready to be placed inside another HTML document: the
// content of <body> of a whole document or an HTML fragment, keeping only its formatting
// (safeHtml, data/safe_html.h); plain text escaped with its line breaks kept.
QString storedTextBody(const QString& stored);

}  // namespace cot
