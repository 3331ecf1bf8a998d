#pragma once
#include "reach/proposal_key.h"
#include "screens/roti_geral.h"

namespace cot {

class ClientTable;
class DataSource;
class ProposalReach;
class TDBGrid;
class TEdit;
class TLabel;
class TSpeedButton;

// Sending the proposal version under the screen's cursor to its client ("Enviar ao
// Cliente"): the client gets an e-mail with the proposal's PDF and a link to a page where
// he accepts or declines it. The dialog shows the version, takes the addresses (prefilled
// with the proposal's contact e-mail; several separated by ';'), sends, and lists the
// version's sendings by number, whose standing links it can cancel. The link goes to the
// client's mailbox alone; "Visualizar página do cliente" shows the page as he sees it,
// read only.
//
// Every check is the server's: a refusal is shown in its words and nothing is sent.
class TfrmEnviarCliente : public TfrmPadraoSimples {
    Q_OBJECT
public:
    explicit TfrmEnviarCliente(ProposalReach& reach, QWidget* parent = nullptr);

    void FormCreate() override;  // the version's sendings
    void FormActivate() override;

    // Renders the PDF, sends it to the addresses typed and lists the new sending.
    void sbtEnviarClick();
    // Cancels the link of the sending under the grid's cursor, after asking.
    void sbtRevogarClick();
    // Shows the client's page of the version (TfrmPaginaCliente).
    void sbtVisualizarClick();
    // Reads the version's sendings again; the cursor stays on sending `keep` when listed.
    void loadSendings(qint64 keep = 0);

    // The situation of a sending as the grid shows it ('V' Ativo, 'X' Expirado...).
    static QString situationText(const QString& code);

    TLabel *lblProposta, *lblReferencia;
    TEdit* edtEmail;
    TSpeedButton *sbtEnviar, *sbtRevogar, *sbtVisualizar;
    TDBGrid* dbgEnvios;
    ClientTable* cdsEnvios;
    DataSource* dtsEnvios;

private:
    void createControls();
    void dressFields();
    void enableRevoke();

    ProposalReach& reach_;
    ProposalKey key_;
};

}  // namespace cot
