// Checks of the proposal header: version, client or prospect, operators, contact,
// interlocutor, reference and commercial product.
#include "data/client_table.h"
#include "proposal/header/header_controller.h"
#include "proposal/header/lookup_query.h"
#include "rpc/net_connection.h"
#include "services/consiste.h"
#include "services/local_query.h"
#include "services/session.h"
#include "ui/busy_animation.h"
#include "ui/db_edit.h"
#include "ui/lookup_button.h"

namespace cot {

namespace {

// Runs `body`; on any failure focuses `control` first and passes the failure on.
template <class Body>
void focusingOnFailure(QWidget* control, Body body) {
    try {
        body();
    } catch (...) {
        HeaderController::focus(control);
        throw;
    }
}

}  // namespace

void HeaderController::Vd_Versao(bool report) {
    ClientTable& t = *cdsProposta_;
    if (!t.isEditing()) return;
    try {
        const QString version = f("NRVERPROPFAS").asString().trimmed();
        if (version.isEmpty()) {
            if (report) reject(QStringLiteral("VERSAO_INF"));
            return;
        }
        if (t.state() == DataSetState::Edit && version != f("NRVERPROPFAS").oldValue().toString().trimmed()) {
            BusyScope busy;
            cdsValidaProposta->setData(host_.net().getPacket(
                QStringLiteral("ValidaProposta"), {f("CDFILIAL").asString(), f("NRPROPOSFAS").asString(), version}));
            if (!cdsValidaProposta->isEmpty()) reject(QStringLiteral("PROPJACAD"));
        }
    } catch (...) {
        showFormPage();
        focus(dbeVersao);
        throw;
    }
}

void HeaderController::Vd_ClientePros(bool report) {
    ClientTable& t = *cdsProposta_;
    if (!t.isEditing()) return;
    const QString document = f("NRINSJURCLIE").asString().trimmed();
    const bool client = isClient();
    if (document.isEmpty()) {
        if (report) {
            focus(dbeCdCliPros);
            reject(client ? QStringLiteral("CLI_INF") : QStringLiteral("PROS_INF"));
        }
        return;
    }
    // The party's code: a prospect's is CDPROSPECT (taking CDCLIENTE for both would
    // leave a prospect proposal without the code its interlocutors are read by).
    f("CODIGO").setValue(client ? f("CDCLIENTE").value() : f("CDPROSPECT").value());
    if (partyChecked_) return;
    if (client) {
        // The list of the lookup holds the client just chosen: read it again by its code.
        // A document typed since then is looked up by itself, so it is never replaced by
        // the earlier choice.
        TADOIBQuery& list = qryPesqCliente;
        const bool chosen = list.active() && !list.isEmpty() &&
                            list.fieldByName(QStringLiteral("NRINSJURCLIE")).asString().trimmed() == document;
        TADOIBQuery* q = nullptr;
        if (!chosen) {
            btnPesqCliPros->dataSource = dtsPesqClieIns;
            q = &qryPesqClieIns;
            q->close();
            q->paramByName(QStringLiteral("P_NRINSJURCLIE")).setValue(document);
            q->open();
        } else {
            btnPesqCliPros->dataSource = dtsPesqCliente;
            const QString code = list.fieldByName(QStringLiteral("CDCLIENTE")).asString();
            q = &list;
            runLookup(*q, "P_CDCLIENTE", code, "P_TCDCLIENTE", false);
        }
        if (q->isEmpty()) {
            focus(dbeCdCliPros);
            reject(QStringLiteral("CLI_N_CAD"));
        }
        clientQuery_ = q;
        f("IDTPIJURCLIE").setValue(q->fieldByName(QStringLiteral("IDTPIJURCLIE")).value());
        f("NRINSJURCLIE").setValue(q->fieldByName(QStringLiteral("NRINSJURCLIE")).value());
        f("CDCLIENTE").setValue(q->fieldByName(QStringLiteral("CDCLIENTE")).value());
        f("CODIGO").setValue(q->fieldByName(QStringLiteral("CDCLIENTE")).value());
        f("NOME").setValue(q->fieldByName(QStringLiteral("NMFANTCLIE")).value());
    } else {
        btnPesqCliPros->dataSource = dtsPesqProspect;
        TADOIBQuery& q = qryPesqProspect;
        runLookup(q, "P_NRINSJURPROS", document, "P_TNRINSJURPROS", false);
        if (q.isEmpty()) {
            focus(dbeCdCliPros);
            reject(QStringLiteral("PROS_N_CAD"));
        }
        f("NRINSJURCLIE").setValue(q.fieldByName(QStringLiteral("NRINSJURPROS")).value());
        f("CDPROSPECT").setValue(q.fieldByName(QStringLiteral("CDPROSPECT")).value());
        f("CODIGO").setValue(q.fieldByName(QStringLiteral("CDPROSPECT")).value());
        f("NOME").setValue(q.fieldByName(QStringLiteral("NMFANTPROS")).value());
        f("IDTPIJURPROS").setValue(q.fieldByName(QStringLiteral("IDTPIJURPROS")).value());
    }
    partyChecked_ = true;
}

QString HeaderController::clientMonth() const {
    if (!clientQuery_ || !clientQuery_->active() || clientQuery_->isEmpty()) return {};
    return clientQuery_->fieldByName(QStringLiteral("NRMESREAJCLIE")).asString().trimmed();
}

bool HeaderController::findOperator(TADOIBQuery& q, const QString& code) {
    runLookup(q, "P_CDOPERADOR", Consiste::Ajusta(code, 12), "P_TCDOPERADOR", false);
    return !q.isEmpty();
}

void HeaderController::takeOperator(TADOIBQuery& q, const char* codeField, const char* nameField) {
    f(codeField).setValue(q.fieldByName(QStringLiteral("CDOPERADOR")).value());
    f(nameField).setValue(q.fieldByName(QStringLiteral("NMOPERADOR")).value());
}

void HeaderController::Vd_OperSoli(bool report) {
    if (!cdsProposta_->isEditing()) return;
    focusingOnFailure(dbeCdOperSoli, [&] {
        QString code = f("CDOPERSOLI").asString().trimmed();
        if (code.isEmpty()) {
            if (report) reject(QStringLiteral("OPER_INF"));
            return;
        }
        if (!findOperator(qryPesqOperSoli, code)) reject(QStringLiteral("OPER_N_CAD"));
        takeOperator(qryPesqOperSoli, "CDOPERSOLI", "OPERSOLI");
    });
}

void HeaderController::Vd_Contato(bool) {
    if (!cdsProposta_->isEditing()) return;
    const QString contact = f("NRCONTATO").asString().trimmed();
    if (contact.isEmpty()) return;
    const bool client = isClient();
    cdsPesqContato->setData(host_.net().getPacket(
        QStringLiteral("GetPesqContato"),
        {Session::instance().branch(), client ? QStringLiteral("C") : QStringLiteral("P"), f("CDCLIENTE").asString(),
         f("CDPROSPECT").asString(), Consiste::Ajusta(contact, 10)}));
    ClientTable& c = *cdsPesqContato;
    if (c.isEmpty()) {
        focus(dbeContato);
        reject(QStringLiteral("CONT_N_CAD"));
    }
    f("CDCLIENTE").setValue(c[QStringLiteral("CDCLIENTE")].value());
    f("CDPROSPECT").setValue(c[QStringLiteral("CDPROSPECT")].value());
    f("NRCONTATO").setValue(c[QStringLiteral("NRCONTATO")].value());
    f("DSREFECONT").setValue(c[QStringLiteral("REFERENCIA")].value());
    f("IDTPCONTATO").setValue(c[QStringLiteral("IDTPCONTATO")].value());
}

void HeaderController::Vd_OperResp(bool report) {
    if (!cdsProposta_->isEditing()) return;
    QString code = f("CDOPERRESP").asString().trimmed();
    if (code.isEmpty()) {
        if (report && isProposta()) {
            showFormPage();
            focus(dbeCdOperResp);
            reject(QStringLiteral("RESP_INF"));
        }
        return;
    }
    if (!findOperator(qryPesqOperResp, code)) {
        showFormPage();
        focus(dbeCdOperResp);
        reject(QStringLiteral("OPER_N_CAD"));
    }
    takeOperator(qryPesqOperResp, "CDOPERRESP", "NMOPERRESP");
}

void HeaderController::Vd_InteClie(bool report) {
    if (!cdsProposta_->isEditing()) return;
    // The interlocutor is optional: only a code given is checked, on leaving the field and
    // again before a post (which need not leave the field first).
    QString code = f("CODIGOINTER").asString().trimmed();
    if (code.isEmpty()) return;
    code = Consiste::Ajusta(code, 2);
    const bool client = isClient();
    cdsPesqInterLoc->setData(
        host_.net().getPacket(QStringLiteral("GetPesqInterLoc"),
                                 {f("CODIGO").asString(), client ? QStringLiteral("C") : QStringLiteral("P"), code}));
    ClientTable& found = *cdsPesqInterLoc;
    if (found.isEmpty()) {
        if (report) showFormPage();
        focus(dbeCdInterLoc);
        reject(QStringLiteral("INT_N_CAD"));
    }
    const QVariant interlocutor = found[QStringLiteral("CDINTECLIE")].value();
    f("CDINTECLIE").setValue(client ? interlocutor : QVariant());
    f("CDINTEPROS").setValue(client ? QVariant() : interlocutor);
    f("CODIGOINTER").setValue(interlocutor);
    f("NMINTECLIE").setValue(found[QStringLiteral("NMINTECLIE")].value());
}

void HeaderController::Vd_DescProp() {
    if (!cdsProposta_->isEditing()) return;
    if (!f("DSREFEPROPOSFAS").asString().trimmed().isEmpty()) return;
    if (f("NRCONTATO").asString().trimmed().isEmpty()) {
        focus(dbeDsReferencia);
        reject(QStringLiteral("Desc_N_Inf"));
    }
    f("DSREFEPROPOSFAS").setAsString(dbeNmContato->displayText());
}

void HeaderController::Vd_ProdComer(bool report) {
    focusingOnFailure(dbeCdProdComer, [&] {
        QString code = dbeCdProdComer->text().trimmed();
        if (code.isEmpty()) {
            if (report) reject(QStringLiteral("PROD_COMER_INF"));
            return;
        }
        if (!cdsProposta_->isEditing()) return;
        code = Consiste::Ajusta(code, 10);
        cdsVd_ProdComer->setData(host_.net().getPacket(QStringLiteral("GetVd_ProdComer"), {code}));
        if (cdsVd_ProdComer->isEmpty()) reject(QStringLiteral("PROD_COMER_N_CAD"));
        f("CDPROCOMERCI").setValue((*cdsVd_ProdComer)[QStringLiteral("CDPROCOMERCI")].value());
        f("NMPROCOMERCI").setValue((*cdsVd_ProdComer)[QStringLiteral("NMPROCOMERCI")].value());
    });
}

}  // namespace cot
