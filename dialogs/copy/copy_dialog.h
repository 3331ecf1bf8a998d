#pragma once
#include "screens/roti_geral.h"

namespace cot {

class ClientTable;
class DataSource;
class ProposalReach;
class TDBEdit;
class TMaskEdit;
class TSpeedButton;

// Copy of the proposal version under the proposal screen's cursor to a new version of the
// same number (COT05004). Shows the number and reference, proposes the next free version,
// checks the typed one with the server before asking it to copy, then reloads the list
// and makes the new version the current proposal.
//
// The check and the copy are separate calls: the server may still refuse the copy (a
// version taken meanwhile, the proposal at version 99). Its refusal is shown, the dialog
// stays open with the version field focused and the list is left as it was.
class TfrmCopiaProposta : public TfrmRotiGeral {
    Q_OBJECT
public:
    // Works on the proposal under `screen`'s cursor.
    explicit TfrmCopiaProposta(ProposalReach& screen, QWidget* parent = nullptr);

    // ----- lifetime
    void FormCreate() override;
    void FormActivate() override;
    void FormClose(CloseAction& action) override;

    // Empty version: fails with Ver_Inf when `required`, else passes. A version the server
    // lists for this number fails with PROPJACAD. Failures focus medVersao.
    void Vd_Proposta(bool report);
    // The typed version as the list keeps it ("5" → "05"); "" when nothing is typed.
    QString typedVersion() const;

    // ----- confirmation and cancel (copy_confirm.cpp)
    void sbtConfirmaClick() override;
    void sbtCancelClick() override;  // Escape: as the cancel button
    void sbtCancelarClick();

    TDBEdit *dbeProposta, *dbeReferencia;
    TMaskEdit* medVersao;
    TSpeedButton* sbtCancelar;
    ClientTable *cdsProposta, *cdsMaxVerPropFas, *cdsValidaProposta;
    DataSource* dtsProposta;

private:
    void createTables();
    void createControls();
    void failOnVersion(const QString& key);

    ProposalReach& screen_;
};

namespace Cli_cot05004 {

// Builds the dialog on `screen` (hourglass meanwhile), shows it modally and frees it; a
// second call while it is open only brings it up. Works on the proposal under the screen's
// cursor. A failure while building (the server refusing to copy this proposal, say)
// reaches the caller and leaves no dialog behind.
void CriaCopiaProposta(ProposalReach& screen);

}  // namespace Cli_cot05004

}  // namespace cot
