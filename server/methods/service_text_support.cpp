#include "server/methods/service_text_support.h"

#include <QRegularExpression>
#include <numeric>

#include "data/format_br.h"
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
    return db.query(QStringLiteral("SELECT %1 FROM PROPOSTAFAS WHERE NRPROPOSFAS = :NR AND NRVERPROPFAS = :VER%2")
                        .arg(columns, lock),
                    {{"NR", number}, {"VER", version}});
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
    const Packet services = db.query(QStringLiteral("SELECT QTSERVPROP, VRDEHORAPROP FROM SERVPROP "
                                                    "WHERE NRPROPOSFAS = :NR AND NRVERPROPFAS = :VER"),
                                     {{"NR", number}, {"VER", version}});
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
    db.exec(QStringLiteral("UPDATE PROPOSTAFAS SET VRPACOTESERV = :V WHERE NRPROPOSFAS = :NR AND NRVERPROPFAS = :VER"),
            {{"V", package}, {"NR", number}, {"VER", version}});
    return package;
}

long double interestRate(Database& db) {
    return db.scalar(QStringLiteral("SELECT MAX(VRTXJUROSLICUSO) FROM PARAMPROP")).toDouble();
}

QString moneyText(long double value) { return formatFloat(QStringLiteral("0.00"), value); }

}  // namespace cot::server::svctext
