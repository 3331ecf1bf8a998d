#pragma once
// The proposal rendered as HTML for its two readers, from one ProposalDocument: the printed
// report (the desktop prints it on A4 and makes its PDF) and the proposal's section of the
// client's page. Both show, in the figures of the document, the number "15/02", the header,
// the product lines with their systems and installment schedules, the services with the
// package's schedule, the texts and the totals, each schedule as a table and the interest
// the installments add over the quoted value said in the same words. Money "R$ 1.500,00",
// dates dd/mm/yyyy.
//
// What differs is each reader's layout: the printed report is a dense A4 document with the
// letterhead, the catalogue's labels (Spanish for a Spanish proposal), the texts with their
// formatting and the salesperson closing it; the page is one card a line for a phone, with
// fixed pt-BR labels and the texts as plain words, and its frame (page_html) adds the
// letterhead, the salesperson's links, the forms and the styles.
#include <QString>
#include <QStringList>
#include <functional>

#include "data/proposal_document.h"

namespace cot {

// A label of the printed report: the text of `key` (R_...) in the proposal's language, its
// "%s" filled by `args` in order.
using ProposalLabel = std::function<QString(const QString& key, const QStringList& args)>;
// A stored text (the proposal's texts, the services' objective) as HTML ready to be placed
// inside the printed document, nothing in it fetched or run.
using StoredTextHtml = std::function<QString(const QString& stored)>;

// The printed report: a whole document for QTextDocument. The logo is drawn as given: the
// caller leaves out one its renderer cannot read.
QString printedProposalHtml(const ProposalDocument& d, const QString& title, const ProposalLabel& label,
                            const StoredTextHtml& storedText);

// The proposal's section of the client's page. The same document always gives the same
// bytes: their hash tells whether the version changed since a link was sent, so a change of
// this markup makes every link already sent say its proposal changed.
QString pageProposalHtml(const ProposalDocument& d);

// The letterhead's lines under the company's name, the parts registered: "CNPJ …", the
// address, "phone · site".
QStringList letterheadLines(const QString& cnpj, const QString& address, const QString& phone, const QString& site);

}  // namespace cot
