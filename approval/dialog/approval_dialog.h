#pragma once
#include <QDate>
#include <QHash>

#include "screens/roti_geral.h"

class QLabel;

namespace cot {

class ClientTable;
class MailSender;
struct Packet;
class ProposalReach;
class TDateEditPlus;
class TEdit;
class TGroupBox;
class TSpeedButton;

// Acceptance of the proposal under the proposal screen's cursor (COT05003), named on top
// ("Aprovar a proposta 15/02 — Cliente"): the approval date, today to start with, and, for a prospect, the data it becomes a client under. Confirming checks the date,
// the grace months and the first due dates, asks for the lines whose licence will be
// charged, then records the acceptance in one server call (the prospect registered in the
// same transaction), reloads the list on that proposal and notifies by e-mail.
class TfrmAprovacao : public TfrmRotiGeral {
    Q_OBJECT
public:
    // Approves the proposal under `screen`'s cursor.
    explicit TfrmAprovacao(ProposalReach& screen, QWidget* parent = nullptr);

    void FormCreate() override;
    void FormActivate() override;
    void FormClose(CloseAction& action) override;

    // ----- confirmation (approval_dialog_confirm.cpp)
    void sbtConfirmaClick() override;
    void sbtCancelClick() override;  // Escape: as the cancel button
    void sbtCancelarClick();

    // Licence value of the line in view: the sum of its installments, as charged (read
    // once per line, see installmentCount).
    void cdsLinhaProdutoCalcFields(ClientTable& t);

    QLabel* lblProposta;  // the proposal being approved
    TGroupBox *grbDtAprov, *grbProspect;
    // The client's recorded decision on the version (GetDecisaoCliente); hidden without one.
    QLabel* lblDecisaoCliente;
    TDateEditPlus* depDataCadIni;
    TEdit *medInscricao, *medRazSocClie, *medComplemento, *medNmFantClie;
    TSpeedButton* sbtCancelar;
    ClientTable *cdsLinhaProduto, *cdsErroCarencia, *cdsErroDtVenc;
    // First due dates, kept here: the screen's own tables stay as its pages loaded them.
    ClientTable *cdsMinDtVenc, *cdsMinDtVencServ;
    // Installments of one line, read to count them (never the screen's cdsVenc_Valor).
    ClientTable* cdsVencLinha;

    long double exTotalLinhas = 0;  // lines listed for the final confirmation
    // The screen whose current proposal is approved.
    ProposalReach& screen() const { return screen_; }

    // Where the notifications go (tests record them); the host's sender by default.
    static MailSender* mailSender;

private:
    void createTables();
    void createControls();
    bool isProspect() const;
    // Reads the client's decision and shows it in lblDecisaoCliente (approval_client_decision.cpp).
    void showClientDecision();
    [[noreturn]] void fail(const QString& key, QWidget* focus = nullptr, const QStringList& args = {});

    // ----- the chain of checks (approval_dialog_checks.cpp)
    QDate approvalDate();
    void checkProspectFields();
    void checkClientRegister(QString& personKind);
    void checkGraceMonths(const QDate& date);
    void checkLicenceDueDates(const QDate& date);
    void checkServiceDueDates(const QDate& date);
    bool confirmLines();
    // Licence installments of a line, read from the server the first time it is asked.
    int installmentCount(const QString& line);
    void copyLines();

    // ----- the acceptance (approval_dialog_confirm.cpp)
    void accept(const QDate& date, const QString& nr, const QString& ver, const QString& personKind);
    // `number`: the proposal as a person reads it ("15/02").
    void reportSuccess(const QString& number);

    QHash<QString, int> installments_;
    QHash<QString, double> charged_;  // line → sum of its licence installments
    QString nr_, ver_;  // the proposal being approved, taken when the confirmation starts
    ProposalReach& screen_;
};

// The line shown for the client's decision, from GetDecisaoCliente's row: "Decisão do
// cliente: aceita em dd/mm/aaaa hh:mm por NOME (CARGO)." or "Decisão do cliente: recusada
// em dd/mm/aaaa hh:mm — motivo: Preço. COMENTÁRIO"; empty when the packet holds no decision.
QString clientDecisionText(const Packet& decision);

namespace Cli_cot05003 {

// Builds the dialog (hourglass meanwhile), shows it modally over `screen` and frees it; a
// second call while it is open only brings it up.
void CriaAprovacao(ProposalReach& screen);

}  // namespace Cli_cot05003

}  // namespace cot
