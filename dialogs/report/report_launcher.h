#pragma once
#include "screens/dados_ger_rel.h"

namespace cot {

class ProposalReach;

// Report of the proposal version under the proposal screen's cursor (COT05001). Lists the
// reports of code "COT050" and chooses, without letting the user change it, the one of
// the proposal's contract type and language. The report reads the proposal from the
// server through the proposal screen's connection, with the key its parameters give.
class TfrmRelPropostaComercial : public TfrmDadosGerRel {
    Q_OBJECT
public:
    // Prints the proposal under `screen`'s cursor.
    explicit TfrmRelPropostaComercial(ProposalReach& screen, QWidget* parent = nullptr);

    void FormActivate() override;

    // Position of the title in cbbReportNames; -1 when it is not listed.
    int RecebeIndex(const QString& title) const;
    // The report title of a contract type (M, L, S) in a language ("ESP": Spanish, any
    // other: Portuguese); "" for another contract type.
    QString reportTitle(const QString& contract, const QString& language) const;
    // Gives the report the parameters it declares, from the current proposal.
    void rpddPadraoBeforeGetQueryParams(ReportParams& params);
    // The report's HTML: a layout of the store with a body is filled with the parameters;
    // the module's own reports are built from the proposal the parameters name.
    QString renderReport(const ReportDefinition& report, const ReportParams& params);
    // "Proposta <number>-<version>.pdf" of the current proposal, the number without its zeros.
    QString pdfFileName() const override;

private:
    ProposalReach& screen_;
};

namespace Cli_cot05001 {

// Registers the module's proposal reports (code "COT050", one per contract type and
// language) in the host's report store. Called when the module is loaded; harmless to
// call again.
void registerReports();

// Builds a new launcher on `screen` on every call (hourglass meanwhile), shows it modally
// and frees it.
void CriaRelPropostaComercial(ProposalReach& screen);

}  // namespace Cli_cot05001

}  // namespace cot
