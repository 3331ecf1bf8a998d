#include "dialogs/pipeline/pipeline_drill.h"

#include <algorithm>

#include "data/client_table.h"
#include "dialogs/filter_dialog.h"
#include "dialogs/filter_reload.h"
#include "reach/proposal_reach.h"
#include "ui/screen.h"

namespace cot {

namespace {

QDateTime dayOf(const QDate& d) { return d.isValid() ? QDateTime(d, QTime(0, 0)) : QDateTime(); }

}  // namespace

Cli_cot05002::TFILTRO pipelineCriteria(const PipelineDrill& drill) {
    Cli_cot05002::TFILTRO f;
    QDate from = drill.from, to = drill.to;
    const QDate month = QDate::fromString(drill.month + QStringLiteral("-01"), Qt::ISODate);
    if (month.isValid()) {
        from = from.isValid() ? std::max(from, month) : month;
        const QDate last = month.addMonths(1).addDays(-1);
        to = to.isValid() ? std::min(to, last) : last;
    }
    f.DATACADASTRO = {dayOf(from), dayOf(to)};
    f.DADOSVENDEDOR.stVendedor = drill.seller;

    Cli_cot05002::TDADOSSTATUS& s = f.DADOSSTATUS;
    const QString& code = drill.status;
    if (code == QLatin1String("A")) {
        // Accepted: every version with an approval date.
        f.DATAAPROVACAO = {dayOf(QDate(1900, 1, 1)), dayOf(QDate(2999, 12, 31))};
        return f;
    }
    if (code.isEmpty()) return f;
    s.boTodas = false;
    if (code == QLatin1String("V")) s.boValidas = true;
    if (code == QLatin1String("E")) s.boAVencer = true;
    if (code == QLatin1String("X")) s.boVencidas = true;
    if (code == QLatin1String("S")) s.boSubstituidas = true;
    if (code == QLatin1String("P")) s.boPerdidas = true;
    if (code == QLatin1String("R")) s.boValidas = s.boAVencer = s.boVencidas = true;
    if (code == QLatin1String("V") || code == QLatin1String("E") || code == QLatin1String("X"))
        f.DADOSDECISAO.stDecisao = QStringLiteral("N");
    if (code == QLatin1String("R")) f.DADOSDECISAO.stDecisao = QStringLiteral("R");
    return f;
}

void showInList(ProposalReach& reach, const Cli_cot05002::TFILTRO& criteria) {
    // The filter keeps its criteria; it is built here when it was never shown, so its dialog
    // opens later on these criteria.
    TfrmFiltroPropComercial& filter = reach.listFilter().ensureDialog();
    filter.Filtro = criteria;
    filter.Atualiza_Filtro(false);
    reach.setFilterUsed(true);
    Cli_cot05002::Atualiza_Tela(reach);
    // Nothing listed: the child tables must not show another proposal's rows.
    if (reach.proposal().isEmpty()) reach.clearAreas();
}

}  // namespace cot
