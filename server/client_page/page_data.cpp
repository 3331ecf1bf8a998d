#include "server/client_page/page_data.h"

#include <QDateTime>

#include "data/cell_reads.h"
#include "server/methods/proposal_totals.h"
#include "server/methods/read_support.h"
#include "server/storage/database.h"

namespace cot::server::client_page {

namespace {

QVariantMap key(const QString& nr, const QString& ver) { return {{"NR", nr}, {"VER", ver}}; }

QList<ProposalDocument::Installment> schedule(const Packet& p, const char* due, const char* value) {
    QList<ProposalDocument::Installment> out;
    for (int r = 0; r < p.rows.size(); ++r)
        out << ProposalDocument::Installment{cellDay(p, r, due), cellNumber(p, r, value)};
    return out;
}

bool readHeader(Database& db, ProposalDocument& d) {
    const Packet p = db.query(QStringLiteral(R"SQL(
SELECT P.CDFILIAL, P.DSREFEPROPOSFAS, P.IDCLIENPROSP, P.IDTIPOPROPFAS, P.DTPROPOSFAS, P.DTVALPROPFAS,
       P.CDOPERRESP, P.CDOPERINCL, P.IDTIPOCOBRSERV, P.VRPACOTESERV,
       C.NMFANTCLIE, R.NMFANTPROS, O.NMOPERADOR
FROM PROPOSTAFAS P
LEFT JOIN CLIENTE C ON C.CDCLIENTE = P.CDCLIENTE
LEFT JOIN PROSPECT R ON R.CDPROSPECT = P.CDPROSPECT
LEFT JOIN OPERADOR O ON O.CDOPERADOR = COALESCE(NULLIF(P.CDOPERRESP, ''), P.CDOPERINCL)
WHERE %1)SQL")
                                  .arg(read::ProposalKey::condition(QStringLiteral("P"))),
                              key(d.number, d.version));
    if (p.isEmpty()) return false;
    d.branch = cellText(p, 0, "CDFILIAL");
    d.reference = cellText(p, 0, "DSREFEPROPOSFAS");
    d.partyName = cellText(p, 0, cellText(p, 0, "IDCLIENPROSP") == QLatin1String("P") ? "NMFANTPROS" : "NMFANTCLIE");
    d.contract = cellText(p, 0, "IDTIPOPROPFAS");
    d.date = cellDay(p, 0, "DTPROPOSFAS");
    d.validUntil = cellDay(p, 0, "DTVALPROPFAS");
    d.salesperson = cellText(p, 0, "NMOPERADOR");
    // An operator without a name is shown by his code: the responsible one, else who included it.
    if (d.salesperson.isEmpty()) d.salesperson = cellText(p, 0, "CDOPERRESP");
    if (d.salesperson.isEmpty()) d.salesperson = cellText(p, 0, "CDOPERINCL");
    d.serviceCharging = cellText(p, 0, "IDTIPOCOBRSERV");
    d.packageValue = cellNumber(p, 0, "VRPACOTESERV");
    return true;
}

void readLines(Database& db, ProposalDocument& d) {
    const Packet lines = db.query(
        QStringLiteral(
            "SELECT CDLINPPROP, CDLINPPROPINFOR, NMLINPPROP, QTMINIMAFATPROP, VRLICENCUSOPROP, VRDESLICUSOPROP, "
            "VRMENSALIDAPROP, VRDESMENSALPROP FROM LINPPROP WHERE %1 "
            "ORDER BY CDLINPPROP")
            .arg(read::ProposalKey::condition()),
        key(d.number, d.version));
    for (int r = 0; r < lines.rows.size(); ++r) {
        ProposalDocument::Line l;
        QVariantMap lineKey = key(d.number, d.version);
        lineKey.insert(QStringLiteral("LIN"), lines.value(r, QStringLiteral("CDLINPPROP")));
        l.code = cellText(lines, r, "CDLINPPROPINFOR");
        l.name = cellText(lines, r, "NMLINPPROP");
        l.quantity = cellNumber(lines, r, "QTMINIMAFATPROP");
        l.licence = cellNumber(lines, r, "VRLICENCUSOPROP");
        l.licenceDiscount = cellNumber(lines, r, "VRDESLICUSOPROP");
        l.monthly = cellNumber(lines, r, "VRMENSALIDAPROP");
        l.monthlyDiscount = cellNumber(lines, r, "VRDESMENSALPROP");
        const Packet systems = db.query(
            QStringLiteral(
                "SELECT S.SGSISTEMA, S.NMSISTEMA FROM SISTLINPPROP L JOIN SISTEMA S ON S.CDSISTEMA = L.CDSISTEMA "
                "WHERE %1 AND L.CDLINPPROP = :LIN ORDER BY S.SGSISTEMA, "
                "S.CDSISTEMA")
                .arg(read::ProposalKey::condition(QStringLiteral("L"))),
            lineKey);
        for (int s = 0; s < systems.rows.size(); ++s)
            l.systems << cellText(systems, s, "SGSISTEMA") + QStringLiteral(" - ") + cellText(systems, s, "NMSISTEMA");
        l.schedule = schedule(db.query(QStringLiteral("SELECT DTVELUSOPEDP, VRVELUSOPEDP FROM VENCLINPPROP "
                                                      "WHERE %1 AND "
                                                      "CDLINPPROP = :LIN ORDER BY DTVELUSOPEDP")
                                           .arg(read::ProposalKey::condition()),
                                       lineKey),
                              "DTVELUSOPEDP", "VRVELUSOPEDP");
        d.lines << l;
    }
}

void readServices(Database& db, ProposalDocument& d) {
    const Packet services = db.query(
        QStringLiteral("SELECT S.CDTIPOSERV, T.NMTIPOSERV, S.DSLOCALPROP, S.QTSERVPROP, S.VRDEHORAPROP FROM SERVPROP S "
                       "LEFT JOIN TIPOSERV T ON T.CDTIPOSERV = S.CDTIPOSERV "
                       "WHERE %1 ORDER BY S.NRSERVPROP")
            .arg(read::ProposalKey::condition(QStringLiteral("S"))),
        key(d.number, d.version));
    for (int r = 0; r < services.rows.size(); ++r) {
        ProposalDocument::Service s;
        s.name = cellText(services, r, "NMTIPOSERV");
        if (s.name.isEmpty()) s.name = cellText(services, r, "CDTIPOSERV");
        s.place = cellText(services, r, "DSLOCALPROP");
        s.hours = cellNumber(services, r, "QTSERVPROP");
        s.rateWithDiscount = cellNumber(services, r, "VRDEHORAPROP");
        d.services << s;
    }
    if (d.services.isEmpty()) return;
    d.serviceSchedule = schedule(db.query(QStringLiteral("SELECT DTVENCSERVPROP, VRVENCSERVPROP FROM VENCSERVPROP "
                                                         "WHERE %1 "
                                                         "ORDER BY DTVENCSERVPROP")
                                              .arg(read::ProposalKey::condition()),
                                          key(d.number, d.version)),
                                 "DTVENCSERVPROP", "VRVENCSERVPROP");
    d.serviceObjective = db.scalar(QStringLiteral("SELECT TXOBJETPROPFAS FROM OBJSERVPROP "
                                                  "WHERE %1")
                                       .arg(read::ProposalKey::condition()),
                                   key(d.number, d.version))
                             .toString();
}

void readTexts(Database& db, ProposalDocument& d) {
    const Packet texts = db.query(QStringLiteral("SELECT CDTXTPROPFAS, TXPROPFAS FROM TXTPROPFAS "
                                                 "WHERE %1 "
                                                 "ORDER BY NRORDEMMSG, CDTXTPROPFAS")
                                      .arg(read::ProposalKey::condition()),
                                  key(d.number, d.version));
    for (int r = 0; r < texts.rows.size(); ++r)
        d.texts << ProposalDocument::Text{cellText(texts, r, "CDTXTPROPFAS"), texts.value(r, QStringLiteral("TXPROPFAS")).toString()};
}

}  // namespace

std::optional<ProposalDocument> readPageProposal(Database& db, const QString& nr, const QString& ver) {
    ProposalDocument d;
    d.number = nr;
    d.version = ver;
    if (!readHeader(db, d)) return std::nullopt;
    readLines(db, d);
    readServices(db, d);
    readTexts(db, d);
    const ProposalTotals t = proposalTotals(db, nr, ver).value_or(ProposalTotals{});
    d.totals = {t.licence, t.monthly, t.services, t.grand(), t.quoted};
    return d;
}

}  // namespace cot::server::client_page
