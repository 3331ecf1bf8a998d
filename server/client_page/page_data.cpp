#include "server/client_page/page_data.h"

#include <QDateTime>

#include "data/cell_reads.h"
#include "server/methods/read_support.h"
#include "server/storage/database.h"

namespace cot::server::client_page {

namespace {

QVariantMap key(const QString& nr, const QString& ver) { return {{"NR", nr}, {"VER", ver}}; }

QList<PageInstallment> schedule(const Packet& p, const char* due, const char* value) {
    QList<PageInstallment> out;
    for (int r = 0; r < p.rows.size(); ++r) out << PageInstallment{cellDay(p, r, due), cellNumber(p, r, value)};
    return out;
}

long double sumOf(const QList<PageInstallment>& rows) {
    long double sum = 0;
    for (const PageInstallment& i : rows) sum += i.value;
    return sum;
}

bool readHeader(Database& db, PageProposal& d) {
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
                              key(d.nr, d.ver));
    if (p.isEmpty()) return false;
    d.branch = cellText(p, 0, "CDFILIAL");
    d.reference = cellText(p, 0, "DSREFEPROPOSFAS");
    d.partyName = cellText(p, 0, cellText(p, 0, "IDCLIENPROSP") == QLatin1String("P") ? "NMFANTPROS" : "NMFANTCLIE");
    d.contract = cellText(p, 0, "IDTIPOPROPFAS");
    d.date = cellDay(p, 0, "DTPROPOSFAS");
    d.validUntil = cellDay(p, 0, "DTVALPROPFAS");
    d.salespersonCode = cellText(p, 0, "CDOPERRESP");
    if (d.salespersonCode.isEmpty()) d.salespersonCode = cellText(p, 0, "CDOPERINCL");
    d.salesperson = cellText(p, 0, "NMOPERADOR");
    if (d.salesperson.isEmpty()) d.salesperson = d.salespersonCode;
    d.serviceCharging = cellText(p, 0, "IDTIPOCOBRSERV");
    d.packageValue = cellNumber(p, 0, "VRPACOTESERV");
    return true;
}

void readLines(Database& db, PageProposal& d) {
    const Packet lines = db.query(
        QStringLiteral(
            "SELECT CDLINPPROP, CDLINPPROPINFOR, NMLINPPROP, QTMINIMAFATPROP, VRLICENCUSOPROP, VRDESLICUSOPROP, "
            "VRMENSALIDAPROP, VRDESMENSALPROP FROM LINPPROP WHERE %1 "
            "ORDER BY CDLINPPROP")
            .arg(read::ProposalKey::condition()),
        key(d.nr, d.ver));
    for (int r = 0; r < lines.rows.size(); ++r) {
        PageLine l;
        QVariantMap lineKey = key(d.nr, d.ver);
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

void readServices(Database& db, PageProposal& d) {
    const Packet services = db.query(
        QStringLiteral("SELECT S.CDTIPOSERV, T.NMTIPOSERV, S.DSLOCALPROP, S.QTSERVPROP, S.VRDEHORAPROP FROM SERVPROP S "
                       "LEFT JOIN TIPOSERV T ON T.CDTIPOSERV = S.CDTIPOSERV "
                       "WHERE %1 ORDER BY S.NRSERVPROP")
            .arg(read::ProposalKey::condition(QStringLiteral("S"))),
        key(d.nr, d.ver));
    for (int r = 0; r < services.rows.size(); ++r) {
        PageService s;
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
                                          key(d.nr, d.ver)),
                                 "DTVENCSERVPROP", "VRVENCSERVPROP");
    d.serviceObjective = db.scalar(QStringLiteral("SELECT TXOBJETPROPFAS FROM OBJSERVPROP "
                                                  "WHERE %1")
                                       .arg(read::ProposalKey::condition()),
                                   key(d.nr, d.ver))
                             .toString();
}

void readTexts(Database& db, PageProposal& d) {
    const Packet texts = db.query(QStringLiteral("SELECT CDTXTPROPFAS, TXPROPFAS FROM TXTPROPFAS "
                                                 "WHERE %1 "
                                                 "ORDER BY NRORDEMMSG, CDTXTPROPFAS")
                                      .arg(read::ProposalKey::condition()),
                                  key(d.nr, d.ver));
    for (int r = 0; r < texts.rows.size(); ++r)
        d.texts << PageText{cellText(texts, r, "CDTXTPROPFAS"), texts.value(r, QStringLiteral("TXPROPFAS")).toString()};
}

}  // namespace

long double PageLine::quotedLicence() const {
    return (static_cast<long double>(licence) - licenceDiscount) * quantity;
}
long double PageLine::licenceTotal() const { return schedule.isEmpty() ? quotedLicence() : sumOf(schedule); }
long double PageLine::monthlyTotal() const {
    return (static_cast<long double>(monthly) - monthlyDiscount) * quantity;
}

std::optional<PageProposal> readPageProposal(Database& db, const QString& nr, const QString& ver) {
    PageProposal d;
    d.nr = nr;
    d.ver = ver;
    if (!readHeader(db, d)) return std::nullopt;
    readLines(db, d);
    readServices(db, d);
    readTexts(db, d);
    d.totals = proposalTotals(db, nr, ver).value_or(ProposalTotals{});
    return d;
}

}  // namespace cot::server::client_page
