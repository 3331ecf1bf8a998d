#include "server/methods/service_text_support.h"

#include <QRegularExpression>
#include <numeric>

#include "base/clock.h"
#include "server/methods/read_support.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"
#include "services/installment_schedule.h"
#include "services/money.h"

namespace cot::server::svctext {

Packet lockedProposal(Database& db, const QString& number, const QString& version, const QString& columns) {
    // Column names are the callers' own constants; checked anyway, as they go into the text.
    static const QRegularExpression names(QStringLiteral("^[A-Z0-9_]+( *, *[A-Z0-9_]+)*$"));
    if (!names.match(columns).hasMatch()) throw std::invalid_argument("invalid column list");
    const QString lock = db.dialect() == Dialect::Postgres ? QStringLiteral(" FOR UPDATE") : QString();
    return db.query(
        QStringLiteral("SELECT %1 FROM PROPOSTAFAS WHERE %2%3").arg(columns, read::ProposalKey::condition(), lock),
        read::ProposalKey{number, version}.params());
}

Packet requireProposal(Database& db, const QString& number, const QString& version, const QString& columns) {
    if (number.isEmpty() || version.isEmpty())
        throw MethodError(QStringLiteral("Número e versão da proposta devem ser informados."));
    Packet p = lockedProposal(db, number, version, columns);
    if (p.rows.isEmpty()) throw MethodError(QStringLiteral("Proposta não cadastrada."));
    return p;
}

long double servicesTotal(Database& db, const QString& number, const QString& version) {
    long double total = 0;
    const Packet services = db.query(
        QStringLiteral("SELECT QTSERVPROP, VRDEHORAPROP FROM SERVPROP WHERE %1").arg(read::ProposalKey::condition()),
        read::ProposalKey{number, version}.params());
    for (const QVariantList& row : services.rows)
        total += static_cast<long double>(row.value(0).toDouble()) * row.value(1).toDouble();
    return total;
}

double refreshPackage(Database& db, const QString& number, const QString& version) {
    const Packet proposal = lockedProposal(db, number, version, QStringLiteral("IDTIPOCOBRSERV, VRPACOTESERV"));
    if (proposal.rows.isEmpty()) return 0;
    if (proposal.value(0, "IDTIPOCOBRSERV").toString().trimmed() != QLatin1String("P"))
        return proposal.value(0, "VRPACOTESERV").toDouble();
    const double package = static_cast<double>(servicesTotal(db, number, version));
    db.exec(QStringLiteral("UPDATE PROPOSTAFAS SET VRPACOTESERV = :V WHERE %1").arg(read::ProposalKey::condition()),
            {{"V", package}, {"NR", number}, {"VER", version}});
    return package;
}

QDate firstDue(const QDate& today, const QDateTime& created) {
    return created.isValid() && created.date() > today ? created.date() : today;
}

namespace {

bool hasServices(Database& db, const QVariantMap& key) {
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM SERVPROP WHERE %1").arg(read::ProposalKey::condition()), key)
               .toInt() > 0;
}

Packet storedSchedule(Database& db, const QVariantMap& key) {
    return db.query(QStringLiteral("SELECT DTVENCSERVPROP, VRVENCSERVPROP FROM VENCSERVPROP "
                                   "WHERE %1 ORDER BY DTVENCSERVPROP")
                        .arg(read::ProposalKey::condition()),
                    key);
}

// One installment of the whole value cut to the cent, due on firstDue().
void insertFirst(Database& db, const QVariantMap& key, long double value, const QDateTime& created) {
    QVariantMap row = key;
    row.insert(QStringLiteral("D"), QDateTime(firstDue(Clock::current().today(), created), QTime(0, 0)));
    row.insert(QStringLiteral("V"), equalSplit(value, 0, 1).front());
    db.exec(QStringLiteral("INSERT INTO VENCSERVPROP (NRPROPOSFAS, NRVERPROPFAS, DTVENCSERVPROP, VRVENCSERVPROP) "
                           "VALUES (:NR, :VER, :D, :V)"),
            row);
}

}  // namespace

void followPackage(Database& db, const QString& number, const QString& version, long double package,
                   const QDateTime& created) {
    const QVariantMap key = read::ProposalKey{number, version}.params();
    if (!hasServices(db, key)) {
        db.exec(QStringLiteral("DELETE FROM VENCSERVPROP WHERE %1").arg(read::ProposalKey::condition()), key);
        return;
    }
    const Packet stored = storedSchedule(db, key);
    if (stored.rows.isEmpty()) {
        insertFirst(db, key, package, created);
        return;
    }
    const long double rate = interestRate(db);
    std::vector<double> values;
    for (const QVariantList& r : stored.rows) values.push_back(r.value(1).toDouble());
    if (scheduleAccepted(values, package, rate)) return;
    const std::vector<double> spread = proportionalSplit(values, package, rate);
    for (size_t i = 0; i < spread.size(); ++i) {
        QVariantMap row = key;
        row.insert(QStringLiteral("D"), stored.rows[qsizetype(i)].value(0).toDateTime());
        row.insert(QStringLiteral("V"), spread[i]);
        db.exec(QStringLiteral("UPDATE VENCSERVPROP SET VRVENCSERVPROP = :V WHERE %1 AND DTVENCSERVPROP = :D")
                    .arg(read::ProposalKey::condition()),
                row);
    }
}

double settlePackage(Database& db, const QString& number, const QString& version, bool serviceInserted) {
    const Packet proposal = lockedProposal(db, number, version, QStringLiteral("IDTIPOCOBRSERV, DTPROPOSFAS"));
    if (proposal.rows.isEmpty()) return 0;
    const double package = refreshPackage(db, number, version);
    const QDateTime created = proposal.value(0, "DTPROPOSFAS").toDateTime();
    if (proposal.value(0, "IDTIPOCOBRSERV").toString().trimmed() == QLatin1String("P")) {
        followPackage(db, number, version, package, created);
    } else if (serviceInserted) {
        // Whatever the charging, a new service with no installment stored brings the first
        // one, of the proposal's package value (0 once charged by the hour). The approval
        // charges a schedule only from a package, and a switch back to the package spreads
        // the package over it.
        const QVariantMap key = read::ProposalKey{number, version}.params();
        if (storedSchedule(db, key).rows.isEmpty()) insertFirst(db, key, package, created);
    }
    return package;
}

long double interestRate(Database& db) {
    return db.scalar(QStringLiteral("SELECT MAX(VRTXJUROSLICUSO) FROM PARAMPROP")).toDouble();
}


}  // namespace cot::server::svctext
