#pragma once
// What the two layouts of proposal_html.h write alike: figures, the schedule tables and the
// sentence on the installments' interest. Each layout has its own markup dialect.
#include <QList>
#include <QString>
#include <functional>

#include "data/proposal_document.h"
#include "data/proposal_html.h"

namespace cot::proposal_html {

QString money(long double value);  // "R$ 1.500,00"
QString quantity(double value);    // "1.500,5"

// How a layout writes: its escaping and what ends each block.
struct Markup {
    std::function<QString(const QString&)> esc;
    QString blockEnd;                                    // after each block of the source
    std::function<QString(const QString&)> numberCell;  // a <td> with a figure (escaped)
};
extern const Markup kPrinted;  // its numberCell: printedNumberCell without a style
extern const Markup kPage;

// A figure's cell of the printed report, with `style` added to its own.
QString printedNumberCell(const QString& text, const QString& style = {});

// A schedule as a table: `opening` (the table with its caption), the heading row (labels
// R_PARCELA, R_VENCIMENTO, R_VALOR) and one row per installment: its ordinal, due date and
// value.
QString scheduleTable(const Markup& m, const QString& opening, const ProposalLabel& label,
                      const QList<ProposalDocument::Installment>& rows);

// What installments charging more (R_JUROS) or less (R_JUROS_ABAIXO) than was quoted say;
// empty when they charge it to the cent.
QString interestSentence(long double charged, long double quoted, const ProposalLabel& label);

}  // namespace cot::proposal_html
