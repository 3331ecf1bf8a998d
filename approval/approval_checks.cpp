// The checks of the approval launch, in their order, and those of the header.
#include "approval/approval_checks.h"

#include "base/errors.h"
#include "data/client_table.h"
#include "reach/proposal_reach.h"
#include "services/consiste.h"
#include "services/money.h"

namespace cot {

ApprovalChecks::ApprovalChecks(ProposalReach& screen) : s_(screen) { defineTables(); }

ApprovalChecks::~ApprovalChecks() = default;

bool ApprovalChecks::run() {
    const ClientTable& p = s_.proposal();
    if (!p.active() || p.isEmpty()) return false;
    // The launch reads the proposal's tables again: never over a record being typed.
    if (s_.typing()) return false;
    // The proposal the launch is about, taken once: a call of the launch never reads
    // another row's key.
    key_ = s_.key();
    cliente_ = p[QStringLiteral("CDCLIENTE")].asString();
    codigo_ = p[QStringLiteral("CODIGO")].asString();
    tipoProposta_ = p[QStringLiteral("IDTIPOPROPFAS")].asString();
    try {
        checkNothingPending();
        checkHeader();
        reloadLines();
        checkLines();
        showLists();
        checkServices();
        checkHasLinesOrServices();
        Vd_Contrato(true);
        Vd_ValidaServico(true);
        checkResponsible();
        stillSameProposal();
        s_.checkMandatoryServices();
    } catch (const Abort&) {
        return false;
    }
    return true;
}

void ApprovalChecks::checkNothingPending() const {
    // The launch writes nothing of the user's and its reloads would put the server's rows
    // over a change log the server refused: that change is sent again or given up first.
    if (s_.hasPending())
        Consiste::MensErro(QStringLiteral("Há alterações que o servidor não aceitou. Envie-as de novo (Confirmar) "
                                          "ou descarte-as (Cancelar) antes da aprovação."));
}

void ApprovalChecks::checkHeader() {
    const ClientTable& p = s_.proposal();
    // A request is not a proposal yet, and is not approved.
    if (p[QStringLiteral("IDSOLPROPFAS")].asString() == QLatin1String("S")) fail(QStringLiteral("Solicitacao"));
    // A proposal to someone is readjusted in a given month.
    if (!p[QStringLiteral("NRINSJURCLIE")].asString().trimmed().isEmpty() &&
        p[QStringLiteral("NRMESREAJPROP")].asString().trimmed().isEmpty() && s_.isProposta()) {
        s_.focusReadjustmentMonth();
        fail(QStringLiteral("NOT_SEM_REAJ"));
    }
    checkProspect();
}

void ApprovalChecks::checkProspect() {
    if (s_.proposal()[QStringLiteral("IDCLIENPROSP")].asString() != QLatin1String("P")) return;
    // Yes goes on: the approval dialog registers the client.
    if (s_.messages().ShowMsg(QStringLiteral("Prosp_Aprov"), DialogType::Confirmation, mbYes | mbNo) != mrYes)
        fail(QStringLiteral("APROV_PROS"));
    stillSameProposal();
}

void ApprovalChecks::checkResponsible() {
    const ClientTable& p = s_.proposal();
    // The header's own check runs only on a row being edited; the launch checks the stored
    // proposal as it stands, without touching the row.
    const auto refuse = [&](const char* key) {
        s_.focusResponsible();
        fail(QString::fromLatin1(key));
    };
    const QString code = p[QStringLiteral("CDOPERRESP")].asString().trimmed();
    if (code.isEmpty()) refuse("RESP_INF");
    if (!s_.operatorRegistered(code)) refuse("OPER_N_CAD");
}

void ApprovalChecks::checkHasLinesOrServices() {
    const bool hasLines = !lines().isEmpty();
    // An empty proposal has nothing to approve.
    if (!hasLines && services().isEmpty()) fail(QStringLiteral("LINSERV_APROV"));
    // Services alone do not make a licence proposal.
    if (!hasLines && tipoProposta_ == QLatin1String("M"))
        Consiste::MensErro(s_.messages().Msg(QStringLiteral("LINMANUT_APROV")) + u'\n' +
                           s_.messages().Msg(QStringLiteral("Oper_Bloqueada")));
}

void ApprovalChecks::fail(const QString& key) const {
    Consiste::MensErro(s_.messages().Msg(key));
    throw Abort();  // MensErro has ended the launch; this keeps the compiler sure of it
}

void ApprovalChecks::stillSameProposal() const {
    const ProposalKey now = s_.key();
    if (now.nr != key_.nr || now.ver != key_.ver) throw Abort();
}

namespace approval {

bool paysValue(long double sum, long double value, long double ratePercent) {
    const long double withInterest = truncCents(value + value * ratePercent / 100);
    const long double without = truncCents(value);
    return sameMoney(sum, withInterest) || sameMoney(sum, without);
}

}  // namespace approval

}  // namespace cot
