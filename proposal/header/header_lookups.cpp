// Host queries and lookup buttons of the header: client or prospect, contact, operators,
// interlocutor and commercial product.
#include "data/client_table.h"
#include "data/data_source.h"
#include "proposal/header/header_controller.h"
#include "proposal/header/lookup_query.h"
#include "rpc/net_connection.h"
#include "services/consiste.h"
#include "services/local_query.h"
#include "services/session.h"
#include "ui/lookup_button.h"

namespace cot {

namespace {

void addLines(TADOIBQuery& q, std::initializer_list<const char*> lines) {
    q.clearSql();
    for (const char* line : lines) q.addSql(QString::fromUtf8(line));
}

Field& shown(TADOIBQuery& q, const char* name, int size, const QString& label) {
    Field& f = q.addField(QString::fromLatin1(name), FieldType::String, size);
    f.displayLabel = label;
    return f;
}

void hidden(TADOIBQuery& q, const char* name, int size) {
    q.addField(QString::fromLatin1(name), FieldType::String, size).visible = false;
}

DataSource* sourceOf(QObject& s, const char* name, TADOIBQuery& q) {
    auto* d = new DataSource(QString::fromLatin1(name), &s);
    d->setDataSet(&q.table());
    return d;
}

void editIfBrowsing(ClientTable& t) {
    if (t.state() == DataSetState::Browse) t.edit();
}

}  // namespace

void HeaderController::defineQueries() {
    addLines(qryPesqOperSoli, {"SELECT", "   CDOPERADOR,", "   NMOPERADOR", "FROM", "   OPERADOR", "WHERE",
                                  "   ((CDOPERADOR = :P_CDOPERADOR) OR ('T' = :P_TCDOPERADOR)) AND",
                                  "   IDOPERATIVO = 'A'", "ORDER BY", "   CDOPERADOR"});
    shown(qryPesqOperSoli, "CDOPERADOR", 12, QStringLiteral("Código"));
    shown(qryPesqOperSoli, "NMOPERADOR", 40, QStringLiteral("Nome"));

    addLines(qryPesqCliente, {"SELECT CDCLIENTE, NRINSJURCLIE, NMFANTCLIE, IDTPIJURCLIE,",
                                 "       NRMESREAJCLIE, NMRAZSOCCLIE", "  FROM CLIENTE",
                                 " WHERE ((CDCLIENTE = :P_CDCLIENTE) OR ('T' = :P_TCDCLIENTE))",
                                 " ORDER BY NMFANTCLIE"});
    addLines(qryPesqClieIns, {" SELECT CDCLIENTE, NRINSJURCLIE, NMFANTCLIE, IDTPIJURCLIE,", "       NRMESREAJCLIE",
                                 "  FROM CLIENTE", " WHERE (NRINSJURCLIE = :P_NRINSJURCLIE)", " ORDER BY NMFANTCLIE"});
    for (TADOIBQuery* q : {&qryPesqCliente, &qryPesqClieIns}) {
        hidden(*q, "CDCLIENTE", 21);
        shown(*q, "NRINSJURCLIE", 20, QStringLiteral("CNPJ/CPF"));
        shown(*q, "NMFANTCLIE", 50, QStringLiteral("Nome Fantasia"));
        hidden(*q, "IDTPIJURCLIE", 1);
        hidden(*q, "NRMESREAJCLIE", 2);
    }
    shown(qryPesqCliente, "NMRAZSOCCLIE", 50, QStringLiteral("Razão Social"));

    addLines(qryPesqProspect, {"SELECT NMFANTPROS, NRINSJURPROS, IDTPIJURPROS, CDPROSPECT, NMRAZSOCPROS",
                                  "  FROM PROSPECT",
                                  " WHERE ((NRINSJURPROS = :P_NRINSJURPROS) OR ('T' = :P_TNRINSJURPROS))",
                                  " ORDER BY NMFANTPROS"});
    shown(qryPesqProspect, "NMFANTPROS", 50, QStringLiteral("Nome Fantasia"));
    shown(qryPesqProspect, "NRINSJURPROS", 20, QStringLiteral("CNPJ/CPF"));
    hidden(qryPesqProspect, "IDTPIJURPROS", 1);
    hidden(qryPesqProspect, "CDPROSPECT", 21);
    shown(qryPesqProspect, "NMRAZSOCPROS", 50, QStringLiteral("Razão Social"));

    // Ordered by the operator's own column: both joined tables have a CDOPERADOR, and
    // the bare name is ambiguous on some engines.
    addLines(qryPesqOperResp, {"SELECT", "   OP.CDOPERADOR, OP.NMOPERADOR", "FROM",
                                  "   OPERADOR OP, AUTGRUPOP AG, OPERGRUPOP OG", "WHERE",
                                  "   ((OP.CDOPERADOR  = :P_CDOPERADOR) OR (:P_TCDOPERADOR = 'T')) AND",
                                  "   (AG.IDAUTGRUPOP = 'PROP'       ) AND", "   (AG.CDGRUPOPER  = OG.CDGRUPOPER) AND",
                                  "   (OP.CDOPERADOR  = OG.CDOPERADOR)", "ORDER BY OP.CDOPERADOR"});
    shown(qryPesqOperResp, "CDOPERADOR", 12, QStringLiteral("Código"));
    shown(qryPesqOperResp, "NMOPERADOR", 40, QStringLiteral("Nome"));

    dtsPesqCliente = sourceOf(host_.dialogParent(), "dtsPesqCliente", qryPesqCliente);
    dtsPesqClieIns = sourceOf(host_.dialogParent(), "dtsPesqClieIns", qryPesqClieIns);
    dtsPesqProspect = sourceOf(host_.dialogParent(), "dtsPesqProspect", qryPesqProspect);
    dtsPesqOperSoli = sourceOf(host_.dialogParent(), "dtsPesqOperSoli", qryPesqOperSoli);
    dtsPesqOperResp = sourceOf(host_.dialogParent(), "dtsPesqOperResp", qryPesqOperResp);
}

void HeaderController::btnPesqCliProsBeforePesq() {
    editIfBrowsing(*cdsProposta_);
    if (isClient()) {
        btnPesqCliPros->dataSource = dtsPesqCliente;
        runLookup(qryPesqCliente, "P_CDCLIENTE", QString(), "P_TCDCLIENTE", true);
    } else {
        btnPesqCliPros->dataSource = dtsPesqProspect;
        runLookup(qryPesqProspect, "P_NRINSJURPROS", QString(), "P_TNRINSJURPROS", true);
    }
}

void HeaderController::btnPesqCliProsAfterPesq() {
    editIfBrowsing(*cdsProposta_);
    if (btnPesqCliPros->dataSource == dtsPesqCliente) {
        TADOIBQuery& q = qryPesqCliente;
        f("NRINSJURCLIE").setValue(q.fieldByName(QStringLiteral("NRINSJURCLIE")).value());
        f("IDTPIJURCLIE").setValue(q.fieldByName(QStringLiteral("IDTPIJURCLIE")).value());
        f("NOME").setValue(q.fieldByName(QStringLiteral("NMFANTCLIE")).value());
        f("CDCLIENTE").setValue(q.fieldByName(QStringLiteral("CDCLIENTE")).value());
        // The interlocutor lookup reads the party's code from CODIGO.
        f("CODIGO").setValue(q.fieldByName(QStringLiteral("CDCLIENTE")).value());
        const QString month = q.fieldByName(QStringLiteral("NRMESREAJCLIE")).asString();
        if (!month.trimmed().isEmpty() && isClient()) f("NRMESREAJPROP").setAsString(month);
        clientQuery_ = &q;
    } else {
        TADOIBQuery& q = qryPesqProspect;
        f("NRINSJURCLIE").setValue(q.fieldByName(QStringLiteral("NRINSJURPROS")).value());
        f("IDTPIJURPROS").setValue(q.fieldByName(QStringLiteral("IDTPIJURPROS")).value());
        f("NOME").setValue(q.fieldByName(QStringLiteral("NMFANTPROS")).value());
        f("CDPROSPECT").setValue(q.fieldByName(QStringLiteral("CDPROSPECT")).value());
        f("CODIGO").setValue(q.fieldByName(QStringLiteral("CDPROSPECT")).value());
    }
}

void HeaderController::btnPesqContatoBeforePesq() {
    const bool client = isClient();
    cdsPesqContato->setData(host_.net().getPacket(
        QStringLiteral("GetPesqContato"),
        {Session::instance().branch(), client ? QStringLiteral("C") : QStringLiteral("P"), f("CDCLIENTE").asString(),
         f("CDPROSPECT").asString(), QStringLiteral("T")}));
}

void HeaderController::btnPesqContatoAfterPesq() {
    editIfBrowsing(*cdsProposta_);
    ClientTable& c = *cdsPesqContato;
    f("NRCONTATO").setValue(c[QStringLiteral("NRCONTATO")].value());
    f("DSREFECONT").setValue(c[QStringLiteral("REFERENCIA")].value());
    f("IDTPCONTATO").setValue(c[QStringLiteral("IDTPCONTATO")].value());
}

void HeaderController::btnPesqOperSoliBeforePesq() {
    runLookup(qryPesqOperSoli, "P_CDOPERADOR", QString(), "P_TCDOPERADOR", true);
}

void HeaderController::btnPesqOperSoliAfterPesq() {
    editIfBrowsing(*cdsProposta_);
    takeOperator(qryPesqOperSoli, "CDOPERSOLI", "OPERSOLI");
}

void HeaderController::btnPesqOperRespBeforePesq() {
    runLookup(qryPesqOperResp, "P_CDOPERADOR", QString(), "P_TCDOPERADOR", true);
}

void HeaderController::btnPesqOperRespAfterPesq() {
    editIfBrowsing(*cdsProposta_);
    takeOperator(qryPesqOperResp, "CDOPERRESP", "NMOPERRESP");
}

void HeaderController::btnPesqInterLocBeforePesq() {
    cdsInterLoc->setData(host_.net().getPacket(
        QStringLiteral("GetInterLoc"), {f("CODIGO").asString(), f("IDCLIENPROSP").asString()}));
}

void HeaderController::btnPesqInterLocAfterPesq() {
    editIfBrowsing(*cdsProposta_);
    f("CODIGOINTER").setValue((*cdsInterLoc)[QStringLiteral("CDINTECLIE")].value());
    f("NMINTECLIE").setValue((*cdsInterLoc)[QStringLiteral("NMINTECLIE")].value());
}

void HeaderController::btnPesqProdComerBeforePesq() {
    cdsPesqProdComer->setData(host_.net().getPacket(QStringLiteral("GetPesqProdComer")));
}

void HeaderController::btnPesqProdComerAfterPesq() {
    editIfBrowsing(*cdsProposta_);
    f("CDPROCOMERCI").setValue((*cdsPesqProdComer)[QStringLiteral("CDPROCOMERCI")].value());
    f("NMPROCOMERCI").setValue((*cdsPesqProdComer)[QStringLiteral("NMPROCOMERCI")].value());
}

bool HeaderController::operatorRegistered(const QString& code) {
    runLookup(qryPesqOperResp, "P_CDOPERADOR", Consiste::Ajusta(code, 12), "P_TCDOPERADOR", false);
    return !qryPesqOperResp.isEmpty();
}

void HeaderController::followDocumentMasks() {
    const auto mask = [](TADOIBQuery& q, const QString& field, const QString& typeField) {
        if (!q.active()) return;
        Field* f = q.table().findField(field);
        Field* type = q.table().findField(typeField);
        if (f && type) f->editMask = Consiste::PictPess(type->asString());
    };
    mask(qryPesqCliente, QStringLiteral("CDCLIENTE"), QStringLiteral("IDTPIJURCLIE"));
    mask(qryPesqProspect, QStringLiteral("CDPROSPECT"), QStringLiteral("IDTPIJURPROS"));
}

}  // namespace cot
