// Handlers of the header's controls: the request/proposal choice, the client/prospect
// code and choice, name clearing while a code is retyped, exits and key filters.
#include "data/client_table.h"
#include "proposal/header/header_controller.h"
#include "proposal/readjustment/readjustment_controller.h"
#include "proposal/area/proposal_model.h"
#include "rpc/net_connection.h"
#include "services/consiste.h"
#include "services/load_bpl.h"
#include "services/local_query.h"
#include "ui/db_combo_box.h"
#include "ui/db_edit.h"

namespace cot {

namespace {

void clearField(Field& field) {
    if (!field.isNull()) field.clear();
}

}  // namespace

void HeaderController::dbcTipoPropChange() {
    ClientTable& t = *cdsProposta_;
    const QString shown = dbcTipoProp->text();
    // A proposal cannot go back to being a request.
    if (t.state() == DataSetState::Edit && f("IDSOLPROPFAS").oldValue().toString() == QLatin1String("N") &&
        shown == msg(QStringLiteral("Solicitação"))) {
        f("IDSOLPROPFAS").setAsString(QStringLiteral("N"));
        dbcTipoProp->setReadOnly(dbcTipoProp->readOnly());  // shows the stored word again
        reject(QStringLiteral("IMPALTPROP"));
    }
    // A request carries no readjustment nor responsible operator.
    if (t.isEditing() && shown == msg(QStringLiteral("Solicitação"))) {
        // The choice is stored first: the fields cleared below refresh the row's
        // controls, and the list must not fall back to the word stored before.
        f("IDSOLPROPFAS").setText(shown);
        readjustment().clearIndexes();
        clearField(f("CDOPERRESP"));
        clearField(f("NMOPERRESP"));
    }
    // Only operators of a group authorised for proposals make proposals.
    if (host_.requestsOnly() && shown == msg(QStringLiteral("Proposta"))) {
        if (t.isEditing()) f("IDSOLPROPFAS").setAsString(QStringLiteral("S"));
        dbcTipoProp->setReadOnly(dbcTipoProp->readOnly());
        reject(QStringLiteral("SoliProp"));
    }
    // The second readjustment index follows the first one's percentage.
    readjustment().Controla_Faturamento();
}

void HeaderController::dbeCdCliProsEnter() { stCdCliPros_ = dbeCdCliPros->text(); }

void HeaderController::dbeCdCliProsChange() {
    // Only a code being typed: the same number shown with its mask is no new party.
    if (!cdsProposta_->isEditing() || !dbeCdCliPros->modified() || dbeCdCliPros->text() == stCdCliPros_) return;
    clearField(f("NOME"));
    if (dbeCdCliPros->hasFocus()) clearField(f("NRMESREAJPROP"));
}

void HeaderController::dbeCdCliProsExit() {
    Vd_ClientePros(false);
    ClientTable& t = *cdsProposta_;
    if (t.isEditing() && !f("NRINSJURCLIE").asString().trimmed().isEmpty()) {
        const QString month = clientMonth();
        if (month.isEmpty()) {
            if (isClient() && isProposta()) {
                readjustment().focusMonth();
                reject(QStringLiteral("CLI_SEM_REAJ"));
            }
        } else if (isClient()) {
            f("NRMESREAJPROP").setAsString(month);
        }
    }
    partyChecked_ = false;
    qryPesqCliente.close();
}

void HeaderController::cbbCliProspChange() {
    if (cdsProposta_->isEditing()) {
        for (const char* name : {"NRINSJURCLIE", "NOME", "NRCONTATO", "DSREFECONT", "CODIGOINTER", "NMINTECLIE"})
            clearField(f(name));
    }
    readjustment().Controla_Faturamento();
}

void HeaderController::dbeCdOperSoliChange() {
    if (cdsProposta_->isEditing()) clearField(f("OPERSOLI"));
}

void HeaderController::dbeCdOperRespChange() {
    if (cdsProposta_->isEditing()) clearField(f("NMOPERRESP"));
}

void HeaderController::dbeContatoChange() {
    if (cdsProposta_->isEditing()) clearField(f("DSREFECONT"));
}

void HeaderController::dbeCdInterLocChange() {
    if (cdsProposta_->isEditing()) clearField(f("NMINTECLIE"));
}

void HeaderController::dbeContatoExit() {
    Vd_Contato(false);
    ClientTable& t = *cdsProposta_;
    if (!t.active() || t.isEmpty()) return;
    if (f("DSREFEPROPOSFAS").asString().trimmed().isEmpty() && !f("NRCONTATO").asString().trimmed().isEmpty()) {
        if (t.state() == DataSetState::Browse) t.edit();
        f("DSREFEPROPOSFAS").setAsString(f("DSREFECONT").asString());
    }
}

void HeaderController::digitsOnlyKeyPress(QChar& key) {
    const ushort c = key.unicode();
    if (key.isDigit() || c == 8 || c == 9 || c == 27) return;
    key = QChar();
}

void HeaderController::codeKeyPress(QChar& key) {
    const ushort c = key.unicode();
    if (c == 8 || c == 9 || c == 27) return;
    // Operator and product codes are words (VENDEDOR, ERP), stored in upper case; only
    // plain letters and digits, so nothing typed can fail to match a stored code.
    if (c < 128 && key.isLetterOrNumber()) {
        key = key.toUpper();
        return;
    }
    key = QChar();
}

void HeaderController::dbeVersaoKeyPress(QChar& key) {
    if (cdsProposta_->state() != DataSetState::Insert) return;
    if (host_.model().partsHoldRows()) {
        key = QChar();
        reject(QStringLiteral("VERSAO"));
    }
}

void HeaderController::dbeFaxChange() {
    // An empty mask would store its literals.
    if (cdsProposta_->isEditing() && dbeFax->text().trimmed().isEmpty()) clearField(f("NRFAXPROPFAS"));
}

void HeaderController::dbeCdProdComerChange() {
    if (cdsProposta_->isEditing()) clearField(f("NMPROCOMERCI"));
}

void HeaderController::dbeCdProdComerExit() {
    Vd_ProdComer(false);
    ClientTable& t = *cdsProposta_;
    // Systems of the lines that the commercial product does not cover are listed, and the
    // change of product is undone.
    const QString type = host_.model().currentLineType();
    const QString kind =
        type == QLatin1String("M") || type == QLatin1String("L") ? QStringLiteral("PROD") : QStringLiteral("PTOA");
    if (t.state() != DataSetState::Edit) return;
    cdsValidaSistProd->setData(host_.net().getPacket(
        QStringLiteral("GetValidaSistProd"),
        {f("NRPROPOSFAS").asString(), f("NRVERPROPFAS").asString(), f("CDPROCOMERCI").asString(), kind}));
    if (cdsValidaSistProd->isEmpty()) return;
    LoadBPL(QStringLiteral("COT00900"),
            {tableReference(*cdsValidaSistProd), msg(QStringLiteral("N_PROD_SIST")), true});
    t.cancel();
}

}  // namespace cot
