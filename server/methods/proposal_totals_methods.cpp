// The figures of a proposal version as a whole, for the running total of the screen.
//
//   GetTotaisProposta(NR, VER) → one row:
//       VRLICENCA   licence of use: per line, the sum of its installments once they are
//                   set (they may carry interest), else (unit − discount) × quantity
//       VRMENSAL    monthly maintenance or rental: (monthly − discount) × quantity
//       VRSERVICOS  services: charged as a package, the sum of the package installments
//                   once they are set, else the package value; by the hour, the hours
//                   quoted at the rate with its discount
//       VRPARCELAS  every schedule of the version: the lines' installments and the
//                   package's, that is what the approval will charge
//   Each figure is cut to the cent, the rule the schedules are made and checked by.
//   A version that does not exist has no figures: an empty packet.
#include "server/methods/proposal_screen_methods.h"
#include "server/methods/read_support.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"
#include "services/money.h"

namespace cot::server::detail {

namespace {

using namespace read;

long double cell(const Packet& p, int row, const char* field) {
    return static_cast<long double>(p.value(row, QString::fromLatin1(field)).toDouble());
}

struct Totals {
    long double licence = 0, monthly = 0, services = 0, schedules = 0;
};

void addLines(Database& db, const QVariantMap& key, Totals& t) {
    const Packet lines = db.query(QStringLiteral(R"SQL(
SELECT L.VRLICENCUSOPROP, L.VRDESLICUSOPROP, L.VRMENSALIDAPROP, L.VRDESMENSALPROP, L.QTMINIMAFATPROP,
       (SELECT COUNT(*) FROM VENCLINPPROP V WHERE V.NRPROPOSFAS = L.NRPROPOSFAS
           AND V.NRVERPROPFAS = L.NRVERPROPFAS AND V.CDLINPPROP = L.CDLINPPROP) AS PARCELAS,
       (SELECT SUM(V.VRVELUSOPEDP) FROM VENCLINPPROP V WHERE V.NRPROPOSFAS = L.NRPROPOSFAS
           AND V.NRVERPROPFAS = L.NRVERPROPFAS AND V.CDLINPPROP = L.CDLINPPROP) AS VALOR_PARCELAS
FROM LINPPROP L WHERE L.NRPROPOSFAS = :NR AND L.NRVERPROPFAS = :VER)SQL"),
                                  key);
    for (int r = 0; r < lines.rows.size(); ++r) {
        const long double quantity = cell(lines, r, "QTMINIMAFATPROP");
        const long double scheduled = cell(lines, r, "VALOR_PARCELAS");
        t.schedules += scheduled;
        t.licence += cell(lines, r, "PARCELAS") > 0
                         ? scheduled
                         : (cell(lines, r, "VRLICENCUSOPROP") - cell(lines, r, "VRDESLICUSOPROP")) * quantity;
        t.monthly += (cell(lines, r, "VRMENSALIDAPROP") - cell(lines, r, "VRDESMENSALPROP")) * quantity;
    }
}

void addServices(Database& db, const QVariantMap& key, const Packet& header, Totals& t) {
    const Packet package = db.query(QStringLiteral("SELECT COUNT(*) AS PARCELAS, SUM(VRVENCSERVPROP) AS VALOR "
                                                   "FROM VENCSERVPROP WHERE NRPROPOSFAS = :NR AND NRVERPROPFAS = :VER"),
                                    key);
    const long double scheduled = cell(package, 0, "VALOR");
    t.schedules += scheduled;
    if (header.value(0, QStringLiteral("IDTIPOCOBRSERV")).toString().trimmed() == QLatin1String("P")) {
        t.services = cell(package, 0, "PARCELAS") > 0 ? scheduled : cell(header, 0, "VRPACOTESERV");
        return;
    }
    const Packet services = db.query(QStringLiteral("SELECT QTSERVPROP, VRDEHORAPROP FROM SERVPROP "
                                                    "WHERE NRPROPOSFAS = :NR AND NRVERPROPFAS = :VER"),
                                     key);
    for (int r = 0; r < services.rows.size(); ++r)
        t.services += cell(services, r, "QTSERVPROP") * cell(services, r, "VRDEHORAPROP");
}

Reply getTotaisProposta(MethodContext& ctx, const Args& args) {
    static const QList<FieldDef> fields{number("VRLICENCA"), number("VRMENSAL"), number("VRSERVICOS"),
                                        number("VRPARCELAS")};
    const QVariantMap key = proposalKey(args).params();
    const Packet header = ctx.db.query(QStringLiteral("SELECT IDTIPOCOBRSERV, VRPACOTESERV FROM PROPOSTAFAS "
                                                      "WHERE NRPROPOSFAS = :NR AND NRVERPROPFAS = :VER"),
                                       key);
    Packet out;
    out.fields = fields;
    if (header.rows.isEmpty()) return packetResult(out);
    Totals t;
    addLines(ctx.db, key, t);
    addServices(ctx.db, key, header, t);
    out.rows.append(QVariantList{static_cast<double>(truncCents(t.licence)), static_cast<double>(truncCents(t.monthly)),
                                 static_cast<double>(truncCents(t.services)),
                                 static_cast<double>(truncCents(t.schedules))});
    return packetResult(out);
}

}  // namespace

void registerProposalTotalsMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("GetTotaisProposta"), 2, AccessRule::proposal(0, 1), getTotaisProposta);
}

}  // namespace cot::server::detail
