// Table events of the services: insert, edit, the save after a post or delete and what it
// implies for the package once the server took it.
#include <utility>

#include "data/client_table.h"
#include "proposal/area/child_table_save.h"
#include "proposal/services/server_values.h"
#include "proposal/services/service_installments_area.h"
#include "proposal/services/services_area.h"
#include "services/messages.h"
#include "services/money.h"
#include "ui/db_grid.h"

namespace cot {

namespace {

// Codes of the charging modality of an item and their catalogue keys, in the order they
// are compared.
const std::pair<const char*, const char*> kModalities[] = {{"H", "Vr. Hora"}, {"F", "Vr. Fixo"}, {"P", "Vr. Pacote"}};

}  // namespace

void ServicesArea::attachEvents() {
    ClientTable& t = *cdsServico;
    t.beforeInsert = [this](ClientTable&) { cdsServicoBeforeInsert(); };
    t.afterInsert = [this](ClientTable&) { cdsServicoAfterInsert(); };
    t.beforeEdit = [this](ClientTable&) { cdsServicoBeforeEdit(); };
    t.beforePost = [this](ClientTable&) { cdsServicoBeforePost(); };
    t.afterPost = [this](ClientTable&) { cdsServicoAfterPost(); };
    t.afterCancel = [this](ClientTable&) { cdsServicoAfterCancel(); };
    t.afterDelete = [this](ClientTable&) { cdsServicoAfterDelete(); };
    t.afterScroll = [this](ClientTable&) { cdsServicoAfterScroll(); };

    // The modality is shown and typed as its catalogue word; anything else changes nothing.
    const TMessages& m = host_.messages();
    for (ClientTable* table : {cdsServico, cdsServicoAux}) {
        Field& modality = (*table)[QStringLiteral("IDTIPOCOBRPROP")];
        modality.onGetText = [&m](Field& f, bool) {
            const QString code = f.asString();
            for (const auto& [c, key] : kModalities)
                if (code == QLatin1String(c)) return m.Msg(QString::fromLatin1(key));
            return code;
        };
        modality.onSetText = [&m](Field& f, const QString& text) {
            for (const auto& [c, key] : kModalities)
                if (text == m.Msg(QString::fromLatin1(key))) return f.setAsString(QString::fromLatin1(c));
        };
    }

    dbgServico->onColEnter = [this] { dbgServicoColEnter(); };
    dbgServico->onColExit = [this] { dbgServicoColExit(); };
    dbgServico->onEditButtonClick = [this] { dbgServicoEditButtonClick(); };
    dbgServico->onKeyPress = [this](QChar& key) { dbgServicoKeyPress(key); };
    dbgServico->onKeyDown = [this](int& key, Qt::KeyboardModifiers modifiers) { dbgServicoKeyDown(key, modifiers); };
}

void ServicesArea::cdsServicoBeforeInsert() { dbgServico->addOption(dgEditing); }

void ServicesArea::cdsServicoAfterInsert() {
    // Nothing of an earlier post may carry over to this one.
    followUp_.reset();
    focusColumn(QStringLiteral("CDTIPOSERV"));
    const ClientTable& p = host_.proposal();
    f("IDTIPOCOBRPROP").setAsString(p[QStringLiteral("IDTIPOCOBRSERV")].asString());
    f("VRPACOTESERV").setValue(p[QStringLiteral("VRPACOTESERV")].value());
    showTypeButton();
}

void ServicesArea::cdsServicoBeforeEdit() {
    // A stored service keeps its type: editing starts in the description.
    const Field* column = dbgServico->selectedField();
    if (!host_.hasFocus(dbgServico) || !column) return;
    if (column->fieldName() == QLatin1String("CDTIPOSERV") || column->fieldName() == QLatin1String("NMTIPOSERV")) {
        focusColumn(QStringLiteral("DSLOCALPROP"));
        dbgServico->addOption(dgEditing);
    }
}

void ServicesArea::cdsServicoAfterPost() {
    if (save_->pending()) save_->send();
    else runFollowUp();
}

void ServicesArea::cdsServicoAfterCancel() {
    cdsServico->cancelUpdates();
    followUp_.reset();
}

void ServicesArea::cdsServicoAfterDelete() {
    followUp_ = FollowUp{host_.key(), false};
    save_->send();
}

void ServicesArea::cdsServicoAfterScroll() {
    // The row now current decides whether the type column may be typed.
    dbgServicoColEnter();
    host_.stateChanged();
}

void ServicesArea::runFollowUp() {
    if (!followUp_) return;
    const FollowUp todo = *followUp_;
    followUp_.reset();
    const ProposalKey key = host_.key();
    if (todo.proposal.nr != key.nr || todo.proposal.ver != key.ver) return;
    // The package value the server recorded with the services.
    reloadServices();
    const double stored = cdsServico->isEmpty() ? 0.0 : f("VRPACOTESERV").asFloat();
    storeServerValues(host_.proposal(), {{QStringLiteral("VRPACOTESERV"), stored}});
    settleSchedule();
    // Carry on with what the save was part of: the verification, or the schedule's total.
    if (todo.verify) host_.verify();
    else installments().refreshTotal();
}

void ServicesArea::settleSchedule() {
    if (!package()) return;
    // The server moved the schedule with the package in the same call: what it
    // holds is shown, never split again here.
    installments().reload();
}

void ServicesArea::emptyPackage() { installments().dropSchedule(); }

}  // namespace cot
