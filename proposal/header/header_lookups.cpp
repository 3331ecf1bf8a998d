// Host queries and lookup buttons of the header: client or prospect, contact, operators,
// interlocutor and commercial product.
#include "data/client_dataset.h"
#include "data/data_source.h"
#include "proposal/header/header_controller.h"
#include "proposal/proposal_screen.h"
#include "services/local_query.h"
#include "services/veltrano.h"
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

DataSource* sourceOf(TfrmPropostaComercial& s, const char* name, TADOIBQuery& q) {
    auto* d = new DataSource(QString::fromLatin1(name), &s);
    d->setDataSet(&q.table());
    return d;
}

// Runs a lookup query for one code ("all" empty) or for all rows ("all" = "T").
void run(TADOIBQuery& q, const char* codeParam, const QString& code, const char* allParam, bool all) {
    q.close();
    q.paramByName(QString::fromLatin1(codeParam)).setValue(code);
    q.paramByName(QString::fromLatin1(allParam)).setValue(all ? QStringLiteral("T") : QString());
    q.open();
}

void editIfBrowsing(ClientDataSet& t) {
    if (t.state() == DataSetState::Browse) t.edit();
}

}  // namespace

void HeaderController::defineQueries() {
    addLines(s_.qryPesqOperSoli, {"SELECT", "   CDOPERADOR,", "   NMOPERADOR", "FROM", "   OPERADOR", "WHERE",
                                  "   ((CDOPERADOR = :P_CDOPERADOR) OR ('T' = :P_TCDOPERADOR)) AND",
                                  "   IDOPERATIVO = 'A'", "ORDER BY", "   CDOPERADOR"});
    shown(s_.qryPesqOperSoli, "CDOPERADOR", 12, QStringLiteral("Código"));
    shown(s_.qryPesqOperSoli, "NMOPERADOR", 40, QStringLiteral("Nome"));

    addLines(s_.qryPesqCliente, {"SELECT CDCLIENTE, NRINSJURCLIE, NMFANTCLIE, IDTPIJURCLIE,",
                                 "       NRMESREAJCLIE, NMRAZSOCCLIE", "  FROM CLIENTE",
                                 " WHERE ((CDCLIENTE = :P_CDCLIENTE) OR ('T' = :P_TCDCLIENTE))",
                                 " ORDER BY NMFANTCLIE"});
    addLines(s_.qryPesqClieIns, {" SELECT CDCLIENTE, NRINSJURCLIE, NMFANTCLIE, IDTPIJURCLIE,", "       NRMESREAJCLIE",
                                 "  FROM CLIENTE", " WHERE (NRINSJURCLIE = :P_NRINSJURCLIE)", " ORDER BY NMFANTCLIE"});
    for (TADOIBQuery* q : {&s_.qryPesqCliente, &s_.qryPesqClieIns}) {
        hidden(*q, "CDCLIENTE", 21);
        shown(*q, "NRINSJURCLIE", 20, QStringLiteral("CNPJ/CPF"));
        shown(*q, "NMFANTCLIE", 50, QStringLiteral("Nome Fantasia"));
        hidden(*q, "IDTPIJURCLIE", 1);
        hidden(*q, "NRMESREAJCLIE", 2);
    }
    shown(s_.qryPesqCliente, "NMRAZSOCCLIE", 50, QStringLiteral("Razão Social"));

    addLines(s_.qryPesqProspect, {"SELECT NMFANTPROS, NRINSJURPROS, IDTPIJURPROS, CDPROSPECT, NMRAZSOCPROS",
                                  "  FROM PROSPECT",
                                  " WHERE ((NRINSJURPROS = :P_NRINSJURPROS) OR ('T' = :P_TNRINSJURPROS))",
                                  " ORDER BY NMFANTPROS"});
    shown(s_.qryPesqProspect, "NMFANTPROS", 50, QStringLiteral("Nome Fantasia"));
    shown(s_.qryPesqProspect, "NRINSJURPROS", 20, QStringLiteral("CNPJ/CPF"));
    hidden(s_.qryPesqProspect, "IDTPIJURPROS", 1);
    hidden(s_.qryPesqProspect, "CDPROSPECT", 21);
    shown(s_.qryPesqProspect, "NMRAZSOCPROS", 50, QStringLiteral("Razão Social"));

    // Ordered by the operator's own column: both joined tables have a CDOPERADOR, and
    // the bare name is ambiguous on some engines.
    addLines(s_.qryPesqOperResp, {"SELECT", "   OP.CDOPERADOR, OP.NMOPERADOR", "FROM",
                                  "   OPERADOR OP, AUTGRUPOP AG, OPERGRUPOP OG", "WHERE",
                                  "   ((OP.CDOPERADOR  = :P_CDOPERADOR) OR (:P_TCDOPERADOR = 'T')) AND",
                                  "   (AG.IDAUTGRUPOP = 'PROP'       ) AND", "   (AG.CDGRUPOPER  = OG.CDGRUPOPER) AND",
                                  "   (OP.CDOPERADOR  = OG.CDOPERADOR)", "ORDER BY OP.CDOPERADOR"});
    shown(s_.qryPesqOperResp, "CDOPERADOR", 12, QStringLiteral("Código"));
    shown(s_.qryPesqOperResp, "NMOPERADOR", 40, QStringLiteral("Nome"));

    dtsPesqCliente = sourceOf(s_, "dtsPesqCliente", s_.qryPesqCliente);
    dtsPesqClieIns = sourceOf(s_, "dtsPesqClieIns", s_.qryPesqClieIns);
    dtsPesqProspect = sourceOf(s_, "dtsPesqProspect", s_.qryPesqProspect);
    dtsPesqOperSoli = sourceOf(s_, "dtsPesqOperSoli", s_.qryPesqOperSoli);
    dtsPesqOperResp = sourceOf(s_, "dtsPesqOperResp", s_.qryPesqOperResp);
}

void HeaderController::btnPesqCliProsBeforePesq() {
    editIfBrowsing(*s_.cdsProposta);
    if (isClient()) {
        btnPesqCliPros->dataSource = dtsPesqCliente;
        run(s_.qryPesqCliente, "P_CDCLIENTE", QString(), "P_TCDCLIENTE", true);
    } else {
        btnPesqCliPros->dataSource = dtsPesqProspect;
        run(s_.qryPesqProspect, "P_NRINSJURPROS", QString(), "P_TNRINSJURPROS", true);
    }
}

void HeaderController::btnPesqCliProsAfterPesq() {
    editIfBrowsing(*s_.cdsProposta);
    if (btnPesqCliPros->dataSource == dtsPesqCliente) {
        TADOIBQuery& q = s_.qryPesqCliente;
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
        TADOIBQuery& q = s_.qryPesqProspect;
        f("NRINSJURCLIE").setValue(q.fieldByName(QStringLiteral("NRINSJURPROS")).value());
        f("IDTPIJURPROS").setValue(q.fieldByName(QStringLiteral("IDTPIJURPROS")).value());
        f("NOME").setValue(q.fieldByName(QStringLiteral("NMFANTPROS")).value());
        f("CDPROSPECT").setValue(q.fieldByName(QStringLiteral("CDPROSPECT")).value());
        f("CODIGO").setValue(q.fieldByName(QStringLiteral("CDPROSPECT")).value());
    }
}

void HeaderController::btnPesqContatoBeforePesq() {
    const bool client = isClient();
    s_.cdsPesqContato->setData(s_.netProposta.getPacket(
        QStringLiteral("GetPesqContato"),
        {Veltrano::FiliProc(), client ? QStringLiteral("C") : QStringLiteral("P"), f("CDCLIENTE").asString(),
         f("CDPROSPECT").asString(), QStringLiteral("T")}));
}

void HeaderController::btnPesqContatoAfterPesq() {
    editIfBrowsing(*s_.cdsProposta);
    ClientDataSet& c = *s_.cdsPesqContato;
    f("NRCONTATO").setValue(c[QStringLiteral("NRCONTATO")].value());
    f("DSREFECONT").setValue(c[QStringLiteral("REFERENCIA")].value());
    f("IDTPCONTATO").setValue(c[QStringLiteral("IDTPCONTATO")].value());
}

void HeaderController::btnPesqOperSoliBeforePesq() {
    run(s_.qryPesqOperSoli, "P_CDOPERADOR", QString(), "P_TCDOPERADOR", true);
}

void HeaderController::btnPesqOperSoliAfterPesq() {
    editIfBrowsing(*s_.cdsProposta);
    f("CDOPERSOLI").setValue(s_.qryPesqOperSoli.fieldByName(QStringLiteral("CDOPERADOR")).value());
    f("OPERSOLI").setValue(s_.qryPesqOperSoli.fieldByName(QStringLiteral("NMOPERADOR")).value());
}

void HeaderController::btnPesqOperRespBeforePesq() {
    run(s_.qryPesqOperResp, "P_CDOPERADOR", QString(), "P_TCDOPERADOR", true);
}

void HeaderController::btnPesqOperRespAfterPesq() {
    editIfBrowsing(*s_.cdsProposta);
    f("CDOPERRESP").setValue(s_.qryPesqOperResp.fieldByName(QStringLiteral("CDOPERADOR")).value());
    f("NMOPERRESP").setValue(s_.qryPesqOperResp.fieldByName(QStringLiteral("NMOPERADOR")).value());
}

void HeaderController::btnPesqInterLocBeforePesq() {
    s_.cdsInterLoc->setData(s_.netProposta.getPacket(
        QStringLiteral("GetInterLoc"), {f("CODIGO").asString(), f("IDCLIENPROSP").asString()}));
}

void HeaderController::btnPesqInterLocAfterPesq() {
    editIfBrowsing(*s_.cdsProposta);
    f("CODIGOINTER").setValue((*s_.cdsInterLoc)[QStringLiteral("CDINTECLIE")].value());
    f("NMINTECLIE").setValue((*s_.cdsInterLoc)[QStringLiteral("NMINTECLIE")].value());
}

void HeaderController::btnPesqProdComerBeforePesq() {
    s_.cdsPesqProdComer->setData(s_.netProposta.getPacket(QStringLiteral("GetPesqProdComer")));
}

void HeaderController::btnPesqProdComerAfterPesq() {
    editIfBrowsing(*s_.cdsProposta);
    f("CDPROCOMERCI").setValue((*s_.cdsPesqProdComer)[QStringLiteral("CDPROCOMERCI")].value());
    f("NMPROCOMERCI").setValue((*s_.cdsPesqProdComer)[QStringLiteral("NMPROCOMERCI")].value());
}

}  // namespace cot
