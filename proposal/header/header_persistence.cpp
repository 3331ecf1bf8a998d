// Life of a proposal header: a new proposal's number and defaults, the checks of a post
// in their order, the saves after a post or a delete, and the cancel.
#include "base/clock.h"
#include "data/client_table.h"
#include "proposal/header/header_controller.h"
#include "proposal/readjustment/readjustment_controller.h"
#include "rpc/check_result.h"
#include "rpc/net_connection.h"
#include "services/consiste.h"
#include "services/session.h"
#include "ui/busy_animation.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/date_edit.h"
#include "ui/db_combo_box.h"
#include "ui/db_edit.h"
#include "ui/db_grid.h"
#include "ui/page_control.h"

namespace cot {

namespace {

// Date of a date edit at midnight (time is not stored); invalid when empty.
QDateTime dayOf(const TDBDateEditPlus* edit) {
    const QDate d = edit->date();
    return d.isValid() ? QDateTime(d, QTime(0, 0)) : QDateTime();
}

}  // namespace

void HeaderController::cdsPropostaBeforeInsert() {
    if (host_.hasFocus(host_.pages().dbgPadrao) || host_.hasFocus(host_.pages().panProp)) {
        showFormPage();
        focus(dbeVersao);
    }
}

void HeaderController::cdsPropostaAfterInsert() {
    const QDateTime today = Lib90500::DtServ();
    f("NMOPERADOR").setAsString(Session::instance().operatorName());
    f("DTPROPOSFAS").setAsDateTime(today);
    f("DTVALPROPFAS").setAsDateTime(today.addDays(30));
    f("CDOPERSOLI").setAsString(Session::instance().operatorCode());
    Vd_OperSoli(true);
    f("IDCLIENPROSP").setAsString(QStringLiteral("C"));
    f("IDSOLPROPFAS").setAsString(QStringLiteral("S"));
    f("IDTIPOCOBRSERV").setAsString(QStringLiteral("P"));
    // No control sets the language; without it the texts cannot be generated nor the
    // approval notifications found, so a new proposal is in Portuguese.
    f("IDIDIOMA").setAsString(QStringLiteral("POR"));
    dbcTipoPropChange();
    // The number is taken as soon as the insertion starts. A failed call is reported
    // here rather than leaving the row without a number until the save refuses it.
    f("NRPROPOSFAS").setAsString(host_.net().callChecked(QStringLiteral("PrxProposta")).toString());
    focus(dbeVersao);
    host_.pages().pgcDados->setActivePage(host_.pages().tshDados);
    host_.pages().pgcDadosCont->setActivePage(host_.pages().tshDadosCont);
    setChildPagesEnabled(false);
    host_.pages().tshPadrao->setEnabled(true);
}

void HeaderController::cdsPropostaBeforeEdit() {
    if (host_.hasFocus(host_.pages().dbgPadrao) || host_.hasFocus(host_.pages().panProp)) {
        host_.pages().panProp->setEnabled(true);
        showFormPage();
        focus(dbeVersao);
        host_.listPageChanged();
    }
    setChildPagesEnabled(false);
}

void HeaderController::cdsPropostaAfterEdit() { setChildPagesEnabled(false); }

void HeaderController::cdsPropostaBeforePost() {
    ClientTable& t = *cdsProposta_;
    // The version and the party come first, each reported when missing.
    Vd_Versao(true);
    Vd_ClientePros(true);
    // Dates as typed.
    for (TDBDateEditPlus* d : {depCadastro, depValidade}) {
        const QString typed = d->displayText();
        QString digits = typed;
        digits.remove(QLatin1Char('/'));
        if (!digits.trimmed().isEmpty() && !d->date().isValid()) {
            focus(d);
            Consiste::MensErro(QStringLiteral("'") + typed + QStringLiteral("'") + msg(QStringLiteral("DT_INV")), true);
        }
    }
    // The dates are stored as days, without a time.
    f("DTPROPOSFAS").setAsDateTime(dayOf(depCadastro));
    f("DTVALPROPFAS").setAsDateTime(dayOf(depValidade));
    // Both dates are required.
    if (f("DTPROPOSFAS").isNull()) {
        showFormPage();
        focus(depCadastro);
        reject(QStringLiteral("DTCAD"));
    }
    if (f("DTVALPROPFAS").isNull()) {
        showFormPage();
        focus(depValidade);
        reject(QStringLiteral("DEPVALID"));
    }
    // The same day on both passes.
    if (f("DTVALPROPFAS").asDateTime().date() < f("DTPROPOSFAS").asDateTime().date()) {
        focus(depCadastro);
        reject(QStringLiteral("DTCADMAIOR"));
    }
    // The requesting operator is required and must exist.
    Vd_OperSoli(true);
    if (f("CDOPERSOLI").asString().trimmed().isEmpty()) {
        showFormPage();
        focus(dbeCdOperSoli);
        reject(QStringLiteral("OPER_INF"));
    }
    // A client or prospect is required.
    Vd_ClientePros(false);
    if (f("NRINSJURCLIE").asString().trimmed().isEmpty()) {
        showFormPage();
        focus(dbeCdCliPros);
        reject(QStringLiteral("CLIEPROS"));
    }
    // Contact, interlocutor and reference.
    Vd_Contato(false);
    Vd_InteClie(true);
    Vd_DescProp();
    // A request has no readjustment yet nor responsible operator.
    if (isProposta()) {
        readjustment().checkBeforePost();
        Vd_OperResp(true);
    }
    // Fill in.
    const bool client = isClient();
    f("CDFILIAL").setAsString(Session::instance().branch());
    f("CDOPERINCL").setAsString(Session::instance().operatorCode());
    f("NMOPERADOR").setAsString(Session::instance().operatorName());
    f("CDOPERSOLI").setAsString(dbeCdOperSoli->text());
    f("IDCLIENPROSP").setAsString(client ? QStringLiteral("C") : QStringLiteral("P"));
    const QVariant interlocutor = f("CODIGOINTER").value();
    f("CDINTECLIE").setValue(client ? interlocutor : QVariant());
    f("CDINTEPROS").setValue(client ? QVariant() : interlocutor);
    // The requesting operator again: it was just taken from what its edit shows.
    Vd_OperSoli(true);
    // Readjustment month from the client's register.
    if (!f("NRINSJURCLIE").asString().trimmed().isEmpty() && f("NRMESREAJPROP").asString().trimmed().isEmpty()) {
        const QString month = clientMonth();
        if (month.isEmpty()) {
            if (client && isProposta()) {
                readjustment().focusMonth();
                reject(QStringLiteral("CLI_SEM_REAJ"));
            }
        } else if (client) {
            f("NRMESREAJPROP").setAsString(month);
        }
    }
    // The contact must belong to the party chosen.
    Vd_Contato(true);
    // Only the party chosen keeps its code.
    if (client) f("CDPROSPECT").clear();
    else f("CDCLIENTE").clear();
    // The contract chosen: licence with maintenance, rental, else services only (also
    // with no contract button checked).
    if (rbtLuManut->isChecked()) f("IDTIPOPROPFAS").setAsString(QStringLiteral("M"));
    else if (rbtLocacao->isChecked()) f("IDTIPOPROPFAS").setAsString(QStringLiteral("L"));
    else f("IDTIPOPROPFAS").setAsString(QStringLiteral("S"));
    // Stamped with the moment of the post.
    f("DTINCLUSAO").setAsString(Clock::current().now().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));
    // A proposal (not a request) needs its readjustment indexes.
    if (f("IDSOLPROPFAS").asString() == QLatin1String("N")) readjustment().checkIndexesRequired();
    // The commercial product is required and must exist.
    Vd_ProdComer(true);
    // A new proposal gets its automatic services once saved (see cdsPropostaAfterPost).
    if (t.state() == DataSetState::Insert) postingNew_ = true;
}

bool HeaderController::saveProposal() {
    ClientTable& t = *cdsProposta_;
    if (t.changeCount() <= 0) return false;
    {
        BusyScope busy;
        if (contractSwitch_.isEmpty())
            host_.net().callChecked(QStringLiteral("SetProposta"), {QVariant::fromValue(t.delta())});
        else
            host_.net().callChecked(QStringLiteral("SetTipoContrato"),
                                 {f("NRPROPOSFAS").asString(), f("NRVERPROPFAS").asString(), contractSwitch_,
                                  QVariant::fromValue(t.delta())});
    }
    contractSwitch_.clear();
    if (t.logChanges()) t.mergeChangeLog();
    Session::instance().markTablesChanged({QStringLiteral("PROPOSTAFAS")});
    return true;
}

void HeaderController::cdsPropostaAfterPost() {
    const bool saved = saveProposal();
    if (saved && postingNew_) {
        // The header is saved: whatever happens to the automatic services, the flag must
        // not carry over to the next proposal posted.
        postingNew_ = false;
        if (f("IDCLIENPROSP").asString() == QLatin1String("P") && !rbtServico->isChecked()) {
            BusyScope busy;
            host_.net().callChecked(QStringLiteral("InsereServicoAuto"),
                                       {f("NRPROPOSFAS").asString(), f("NRVERPROPFAS").asString(), QString(),
                                        QStringLiteral("T")});
        }
    }
    setChildPagesEnabled(true);
    showChildPagesOfContract();
    if (saved) host_.proposalChanged();
}

void HeaderController::cdsPropostaAfterCancel() {
    ClientTable& t = *cdsProposta_;
    t.cancelUpdates();
    // Nothing new is pending any more.
    postingNew_ = false;
    contractSwitch_.clear();
    setChildPagesEnabled(true);
    readjustment().Controla_Faturamento();
    if (t.isEmpty()) host_.pages().pgcPadrao->setActivePage(host_.pages().tshPadrao);
}

void HeaderController::cdsPropostaAfterDelete() { saveProposal(); }

}  // namespace cot
