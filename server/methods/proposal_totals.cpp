#include "server/methods/proposal_totals.h"

#include "server/methods/read_support.h"
#include "server/storage/database.h"
#include "services/money.h"

namespace cot::server {

namespace {

long double cell(const Packet& p, int row, const char* field) {
    return static_cast<long double>(p.value(row, QString::fromLatin1(field)).toDouble());
}

void addLines(Database& db, const QVariantMap& key, ProposalTotals& t) {
    const Packet lines = db.query(QStringLiteral(R"SQL(
SELECT L.VRLICENCUSOPROP, L.VRDESLICUSOPROP, L.VRMENSALIDAPROP, L.VRDESMENSALPROP, L.QTMINIMAFATPROP,
       (SELECT COUNT(*) FROM VENCLINPPROP V WHERE V.NRPROPOSFAS = L.NRPROPOSFAS
           AND V.NRVERPROPFAS = L.NRVERPROPFAS AND V.CDLINPPROP = L.CDLINPPROP) AS PARCELAS,
       (SELECT SUM(V.VRVELUSOPEDP) FROM VENCLINPPROP V WHERE V.NRPROPOSFAS = L.NRPROPOSFAS
           AND V.NRVERPROPFAS = L.NRVERPROPFAS AND V.CDLINPPROP = L.CDLINPPROP) AS VALOR_PARCELAS
FROM LINPPROP L WHERE %1)SQL")
                                      .arg(read::ProposalKey::condition(QStringLiteral("L"))),
                                  key);
    for (int r = 0; r < lines.rows.size(); ++r) {
        const long double quantity = cell(lines, r, "QTMINIMAFATPROP");
        const long double scheduled = cell(lines, r, "VALOR_PARCELAS");
        const long double quoted = (cell(lines, r, "VRLICENCUSOPROP") - cell(lines, r, "VRDESLICUSOPROP")) * quantity;
        t.schedules += scheduled;
        t.quoted += quoted;
        t.licence += cell(lines, r, "PARCELAS") > 0 ? scheduled : quoted;
        t.monthly += (cell(lines, r, "VRMENSALIDAPROP") - cell(lines, r, "VRDESMENSALPROP")) * quantity;
    }
}

void addServices(Database& db, const QVariantMap& key, const Packet& header, ProposalTotals& t) {
    const Packet package = db.query(QStringLiteral("SELECT COUNT(*) AS PARCELAS, SUM(VRVENCSERVPROP) AS VALOR "
                                                   "FROM VENCSERVPROP WHERE %1")
                                        .arg(read::ProposalKey::condition()),
                                    key);
    const long double scheduled = cell(package, 0, "VALOR");
    t.schedules += scheduled;
    if (header.value(0, QStringLiteral("IDTIPOCOBRSERV")).toString().trimmed() == QLatin1String("P")) {
        t.quoted += cell(header, 0, "VRPACOTESERV");
        t.services = cell(package, 0, "PARCELAS") > 0 ? scheduled : cell(header, 0, "VRPACOTESERV");
        return;
    }
    const Packet services = db.query(
        QStringLiteral("SELECT QTSERVPROP, VRDEHORAPROP FROM SERVPROP WHERE %1").arg(read::ProposalKey::condition()),
        key);
    for (int r = 0; r < services.rows.size(); ++r)
        t.services += cell(services, r, "QTSERVPROP") * cell(services, r, "VRDEHORAPROP");
    t.quoted += t.services;
}

}  // namespace

std::optional<ProposalTotals> proposalTotals(Database& db, const QString& nr, const QString& ver) {
    const QVariantMap key = read::ProposalKey{nr, ver}.params();
    const Packet header = db.query(QStringLiteral("SELECT IDTIPOCOBRSERV, VRPACOTESERV FROM PROPOSTAFAS WHERE %1")
                                       .arg(read::ProposalKey::condition()),
                                   key);
    if (header.rows.isEmpty()) return std::nullopt;
    ProposalTotals t;
    addLines(db, key, t);
    addServices(db, key, header, t);
    for (long double* figure : {&t.licence, &t.monthly, &t.services, &t.schedules, &t.quoted})
        *figure = truncCents(*figure);
    return t;
}

}  // namespace cot::server
