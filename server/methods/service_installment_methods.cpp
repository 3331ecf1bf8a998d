// Charging of the services and the installments of the service package.
//
//   SetTipoCobrServ(IDTIPOCOBRSERV, NR, VER) → the package value stored afterwards.
//       The charging type comes first, as the screen sends it ("P" or "H").
//       "H": the proposal is charged by the hour: IDTIPOCOBRSERV 'H', VRPACOTESERV 0 and
//           the package installments deleted.
//       "P": charged by package: IDTIPOCOBRSERV 'P' and VRPACOTESERV the sum of hours ×
//           invoiced rate over the services. The schedule then follows the package: no
//           service, no installment; none yet, one installment of the whole package (cut
//           to the cent, 0 for free services) due today, or on the proposal date when that
//           is later; a schedule that no longer adds up is re-spread keeping each
//           installment's share (to zeros for a package of 0).
//       All in one transaction. The desktop puts the value returned into its proposal row
//       as already saved, and reloads the installments (GetVenc_Valor kind 2).
//   SetVencServ(delta) → the installments' change log in one transaction. A proposal whose
//       installments are inserted or changed must end up with a schedule that adds up to
//       its package (VRPACOTESERV) cut to the cent, with the interest of four or more
//       installments; the approval also takes the package with or without the interest
//       whatever the count, and so does this. A change log that only deletes is always
//       taken: the desktop sends each delete at once and the new schedule after it.
//       Each due date on or after the proposal date, one installment per day, values
//       informed and not negative.
//   ValidaVencServ(NR, VER, date) → DTVENCSERVPROP of the installments on that day.
#include <QSet>

#include "base/clock.h"
#include "data/format_br.h"
#include "server/methods/delta_support.h"
#include "server/methods/read_support.h"
#include "server/methods/service_text_methods.h"
#include "server/methods/service_text_support.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"
#include "server/storage/resolver.h"
#include "services/installment_schedule.h"
#include "services/money.h"

namespace cot::server::detail {

namespace {

using namespace read;
using cells::cell;
using cells::cellText;

struct Installments {
    QList<QDateTime> dates;
    std::vector<double> values;
};

Installments storedInstallments(Database& db, const QVariantMap& key) {
    const Packet p = db.query(QStringLiteral("SELECT DTVENCSERVPROP, VRVENCSERVPROP FROM VENCSERVPROP WHERE %1 "
                                             "ORDER BY DTVENCSERVPROP")
                                  .arg(ProposalKey::condition()),
                              key);
    Installments out;
    for (const QVariantList& row : p.rows) {
        out.dates << row.value(0).toDateTime();
        out.values.push_back(row.value(1).toDouble());
    }
    return out;
}

Reply setTipoCobrServ(MethodContext& ctx, const Args& args) {
    const QString type = args.string(0).trimmed().toUpper();
    if (type != QLatin1String("P") && type != QLatin1String("H"))
        throw MethodError(QStringLiteral("Tipo de cobrança inválido: use P (pacote) ou H (hora)."), -32602);
    const QString number = args.string(1).trimmed(), version = args.string(2).trimmed();
    const QVariantMap key{{"NR", number}, {"VER", version}};

    Transaction tx(ctx.db);
    const Packet proposal = svctext::requireProposal(ctx.db, number, version, QStringLiteral("DTPROPOSFAS"));
    double package = 0;
    if (type == QLatin1String("H")) {
        ctx.db.exec(QStringLiteral("UPDATE PROPOSTAFAS SET IDTIPOCOBRSERV = 'H', VRPACOTESERV = 0 WHERE %1")
                        .arg(ProposalKey::condition()),
                    key);
        ctx.db.exec(QStringLiteral("DELETE FROM VENCSERVPROP WHERE %1").arg(ProposalKey::condition()), key);
    } else {
        ctx.db.exec(QStringLiteral("UPDATE PROPOSTAFAS SET IDTIPOCOBRSERV = 'P' WHERE %1").arg(ProposalKey::condition()), key);
        package = svctext::refreshPackage(ctx.db, number, version);
        svctext::followPackage(ctx.db, number, version, package, proposal.value(0, "DTPROPOSFAS").toDateTime());
    }
    tx.commit();
    return package;
}

const TableResolver& installmentResolver() {
    static const TableResolver r = tableResolver(QStringLiteral("VENCSERVPROP"));
    return r;
}

// Installments of the proposal on the calendar day of `due`.
int onDay(Database& db, const QVariantMap& key, const QDate& due) {
    QVariantMap params = key;
    params.insert(QStringLiteral("D0"), dayStart(due));
    params.insert(QStringLiteral("D1"), dayStart(due.addDays(1)));
    return db
        .scalar(QStringLiteral("SELECT COUNT(*) FROM VENCSERVPROP WHERE %1 AND DTVENCSERVPROP >= :D0 "
                               "AND DTVENCSERVPROP < :D1")
                    .arg(ProposalKey::condition()),
                params)
        .toInt();
}

void checkSchedule(Database& db, const QVariantMap& key) {
    const long double package = db.scalar(QStringLiteral("SELECT VRPACOTESERV FROM PROPOSTAFAS WHERE %1")
                                              .arg(ProposalKey::condition()),
                                          key)
                                    .toDouble();
    const long double rate = svctext::interestRate(db);
    const std::vector<double> values = storedInstallments(db, key).values;
    if (scheduleAccepted(values, package, rate)) return;
    throw MethodError(QStringLiteral("Os valores dos vencimentos somados não podem ser diferentes do valor total do "
                                     "pacote de serviço. Valor Total (%1).")
                          .arg(formatAmount(scheduleSum(package, rate, int(values.size())))));
}

Reply setVencServ(MethodContext& ctx, const Args& args) {
    const Delta delta = args.delta(0);
    const int nr = delta.indexOf(QStringLiteral("NRPROPOSFAS")), ver = delta.indexOf(QStringLiteral("NRVERPROPFAS"));
    const int due = delta.indexOf(QStringLiteral("DTVENCSERVPROP")), value = delta.indexOf(QStringLiteral("VRVENCSERVPROP"));
    QList<QVariantMap> touched;
    QHash<QString, QDateTime> created;
    Transaction tx(ctx.db);
    applyDelta(ctx.db, installmentResolver(), delta, [&](RowChange& change) {
        if (change.op == ChangeOp::Delete) return;
        const QString number = cellText(delta, change.newValues, nr), version = cellText(delta, change.newValues, ver);
        const QVariantMap key{{"NR", number}, {"VER", version}};
        const QString id = number + u'|' + version;
        if (!created.contains(id)) {
            created.insert(id, svctext::requireProposal(ctx.db, number, version, QStringLiteral("DTPROPOSFAS"))
                                   .value(0, "DTPROPOSFAS")
                                   .toDateTime());
            touched << key;
        }
        const QDateTime date = cell(delta, change.newValues, due).toDateTime();
        if (!date.isValid()) throw MethodError(QStringLiteral("Data de Vencimento deve ser informada."));
        const QVariant amount = cell(delta, change.newValues, value);
        if (amount.isNull()) throw MethodError(QStringLiteral("Valor deve ser informado."));
        if (amount.toDouble() < 0) throw MethodError(QStringLiteral("Valor do vencimento não pode ser negativo."));
        const QDateTime since = created.value(id);
        if (since.isValid() && date.date() < since.date())
            throw MethodError(
                QStringLiteral("Data de Vencimento não podererá ser inferior à data de cadastramento da Proposta."));
        const bool sameDay = change.op == ChangeOp::Update &&
                             cellText(delta, change.oldValues, nr) == number &&
                             cellText(delta, change.oldValues, ver) == version &&
                             cell(delta, change.oldValues, due).toDateTime().date() == date.date();
        if (!sameDay && onDay(ctx.db, key, date.date()) > 0)
            throw MethodError(QStringLiteral("Data vencimento já cadastrada."));
    });
    for (const QVariantMap& key : touched) checkSchedule(ctx.db, key);
    tx.commit();
    return QJsonValue();
}

Reply validaVencServ(MethodContext& ctx, const Args& args) {
    static const QList<FieldDef> fields{date("DTVENCSERVPROP")};
    const QDateTime when = args.date(2);
    if (!when.isValid()) return packetResult(Packet{fields, {}});
    QVariantMap params = proposalKey(args).params();
    params.insert(QStringLiteral("D0"), dayStart(when.date()));
    params.insert(QStringLiteral("D1"), dayStart(when.date().addDays(1)));
    return packetResult(shaped(ctx.db,
                               QStringLiteral("SELECT DTVENCSERVPROP FROM VENCSERVPROP WHERE %1 AND DTVENCSERVPROP >= :D0 "
                                              "AND DTVENCSERVPROP < :D1 ORDER BY DTVENCSERVPROP")
                                   .arg(ProposalKey::condition()),
                               params, fields));
}

}  // namespace

void registerServiceInstallmentMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("SetTipoCobrServ"), 3, AccessRule::proposal(1, 2).writes(), setTipoCobrServ);
    registry.add(QStringLiteral("SetVencServ"), 1, AccessRule::childDelta(0), setVencServ);
    registry.add(QStringLiteral("ValidaVencServ"), 3, AccessRule::proposal(0, 1), validaVencServ);
}

}  // namespace cot::server::detail
