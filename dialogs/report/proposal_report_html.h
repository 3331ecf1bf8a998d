#pragma once
#include <QString>

namespace cot {

struct ProposalReportData;
class TMessages;

// The proposal report as HTML for QTextDocument (printed on A4): header with reference,
// number/version, client and validity; the proposal texts with their formatting; the
// product lines with their systems and installments; the services with their schedule;
// the totals. Money in the Brazilian format ("1.500,00"), dates dd/mm/yyyy. Labels come
// from `labels` (keys R_...; the Spanish text under KEY_ESP for a Spanish proposal).
QString proposalReportHtml(const ProposalReportData& data, const QString& title, const TMessages& labels);

// The body of a stored rich text, ready to be placed inside another HTML document: the
// content of <body> of a whole document or an HTML fragment, keeping only its formatting
// (reportSafeHtml); plain text escaped with its line breaks kept.
QString storedTextBody(const QString& stored);

}  // namespace cot
