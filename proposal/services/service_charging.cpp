// Charging of the services: the switch between package and hourly, each one call of
// SetTipoCobrServ, and the package value established from the services.
#include <QStringList>
#include <utility>

#include "base/dialogs.h"
#include "base/errors.h"
#include "data/client_table.h"
#include "proposal/area/child_table_save.h"
#include "reach/proposal_key.h"
#include "proposal/services/server_values.h"
#include "proposal/services/service_installments_area.h"
#include "proposal/services/services_area.h"
#include "rpc/net_connection.h"
#include "services/messages.h"
#include "services/money.h"
#include "ui/busy_animation.h"
#include "ui/buttons.h"

namespace cot {

namespace {

// A table's before-post handler held off while code posts what it has settled itself.
class BeforePostHeld {
public:
    explicit BeforePostHeld(ClientTable& t) : t_(t), held_(std::exchange(t.beforePost, nullptr)) {}
    ~BeforePostHeld() { t_.beforePost = std::move(held_); }
    BeforePostHeld(const BeforePostHeld&) = delete;
    BeforePostHeld& operator=(const BeforePostHeld&) = delete;

private:
    ClientTable& t_;
    ClientTable::Event held_;
};

}  // namespace

bool ServicesArea::startChargingEdit() {
    // A click by the user (not the radios being set from the record) edits the services.
    ClientTable& t = *cdsServico;
    if (!boTestaServ || t.state() != DataSetState::Browse) return false;
    if (t.isEmpty()) t.append();
    else t.edit();
    host_.setActiveTable(&t);
    return true;
}

void ServicesArea::switchCharging(const QString& type, bool startedHere) {
    QVariant package;
    try {
        BusyScope busy;
        // One call: the server records the type with the package value and schedule it
        // implies (none by the hour), in one transaction, and answers the value.
        const ProposalKey key = host_.key();
        package = host_.net().callChecked(QStringLiteral("SetTipoCobrServ"), {type, key.nr, key.ver});
    } catch (...) {
        // Refused: nothing changed, and the radios say so again.
        if (startedHere && cdsServico->isEditing()) cdsServico->cancel();
        showCharging();
        throw;
    }
    storeServerValues(host_.proposal(), {{QStringLiteral("IDTIPOCOBRSERV"), type},
                                      {QStringLiteral("VRPACOTESERV"), package.toDouble()}});
    installments().reload();
    host_.proposalChanged();
    // A service being inserted by the click is charged as the proposal now is.
    if (cdsServico->state() == DataSetState::Insert) {
        f("IDTIPOCOBRPROP").setAsString(type);
        f("VRPACOTESERV").setValue(package.toDouble());
    }
}

void ServicesArea::rbtVrPacoteClick() {
    if (syncing_) return;
    const bool started = startChargingEdit();
    // Only a click that put the services in edit switches the charging.
    if (!cdsServico->isEditing()) return;
    switchCharging(QStringLiteral("P"), started);
    if (!cdsServico->isEmpty()) Gera_ValorPacoteServ();
    updateEditors();
}

void ServicesArea::rbtVrHoraClick() {
    if (syncing_) return;
    const bool started = startChargingEdit();
    // Only a click that put the services in edit switches the charging.
    if (!cdsServico->isEditing()) return;
    const TMessages& m = host_.messages();
    const QString question = m.Msg(QStringLiteral("TipoCobr_Serv")) + u'\n' + m.Msg(QStringLiteral("TipoCobr_Serv_Conf"));
    if (Dialogs::current().messageDlg(question, DialogType::Confirmation, mbYes | mbNo) != mrYes) {
        // Declined: the proposal stays a package, and so do the radios.
        cdsServico->cancel();
        cdsServico->cancelUpdates();
        showCharging();
        if (rbtVrHora->canFocus()) rbtVrHora->setFocus();
        throw Abort();
    }
    switchCharging(QStringLiteral("H"), started);
    if (!cdsServico->isEmpty()) reloadServices();
    updateEditors();
}

long double ServicesArea::servicesTotal() {
    ClientTable& aux = *cdsServicoAux;
    aux.setData(cdsServico->data());
    const ProposalKey key = host_.key();
    return proposal_key::sums(aux, {{QStringLiteral("NRPROPOSFAS"), key.nr}, {QStringLiteral("NRVERPROPFAS"), key.ver}},
                              {QStringLiteral("VRTOTASERV")})[0];
}

void ServicesArea::Gera_ValorPacoteServ() {
    // Send what is pending and read the services back as the server holds them.
    save_->send();
    reloadServices();
    // The value is settled only for a package, with nothing in edit, on a proposal not accepted.
    const ClientTable& p = host_.proposal();
    if (cdsServico->isEditing() || !package() || p.isEditing() || !p[QStringLiteral("DTACEPROPFAS")].isNull()) return;
    // Services stored without their package value: the row carries their total to
    // SetServico, which records the proposal's package and its schedule in the same
    // transaction; the save's follow-up reads them back.
    Field& value = f("VRPACOTESERV");
    if (cdsServico->isEmpty()) return installments().confirmSchedule();
    if (value.isNull() || sameMoney(value.asFloat(), 0)) {
        const long double total = servicesTotal();
        if (sameMoney(total, 0)) return installments().confirmSchedule();
        followUp_ = FollowUp{host_.key(), false};
        BeforePostHeld held(*cdsServico);
        cdsServico->edit();
        value.setAsFloat(static_cast<double>(total));
        f("VERIFICA_DESCRICAO").setAsString(f("DSLOCALPROP").asString().isEmpty() ? QStringLiteral("S")
                                                                                   : QStringLiteral("N"));
        cdsServico->post();
        return;
    }
    // The server holds a value the screen did not know yet (services it imported and
    // priced), with the schedule it implies.
    if (!sameMoney(value.asFloat(), proposalPackage())) {
        storeServerValues(host_.proposal(), {{QStringLiteral("VRPACOTESERV"), value.asFloat()}});
        return settleSchedule();
    }
    // The value stands: send the schedule once it adds up to it.
    installments().confirmSchedule();
}

}  // namespace cot
