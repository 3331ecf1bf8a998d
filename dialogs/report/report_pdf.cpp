#include "dialogs/report/report_pdf.h"

#include <QBuffer>
#include <memory>

#include "base/errors.h"
#include "dialogs/report/report_launcher.h"
#include "reach/proposal_reach.h"
#include "screens/report_store.h"

namespace cot {

QByteArray proposalPdf(ProposalReach& reach) {
    const ProposalKey key = reach.key();
    reach.net().callChecked(QStringLiteral("AlteraTexto"), {key.nr, key.ver});
    reach.reloadTexts();

    // The print button's launcher, never shown: it lists the reports, picks the one of the
    // proposal's contract and language and renders it with the proposal's parameters.
    Cli_cot05001::registerReports();
    const std::unique_ptr<TfrmRelPropostaComercial> launcher(
        createForm<TfrmRelPropostaComercial>(reach, &reach.dialogParent()));
    launcher->FormActivate();
    const ReportDefinition* report = launcher->currentReport();
    if (!report) throw UserError(QStringLiteral("Relatório deve ser selecionado."));

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!launcher->rpddPadrao.writePdf(*report, buffer) || !buffer.data().startsWith("%PDF-"))
        throw UserError(QStringLiteral("Não foi possível gerar o PDF da proposta."));
    return buffer.data();
}

}  // namespace cot
