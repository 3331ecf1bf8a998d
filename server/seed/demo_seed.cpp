#include "server/seed/demo_seed.h"

#include <QCryptographicHash>
#include <QStringList>

#include "server/seed/seed_support.h"
#include "base/clock.h"

namespace cot::server {

namespace detail {

void insertRow(Database& db, const QString& table, const QVariantMap& values) {
    QStringList columns, markers;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        columns << it.key();
        markers << u':' + it.key();
    }
    db.exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                .arg(table, columns.join(QStringLiteral(", ")), markers.join(QStringLiteral(", "))),
            values);
}

QDateTime seedDay(int days) { return QDateTime(Clock::current().today().addDays(days), QTime(0, 0)); }

QString passwordHash(const QString& salt, const QString& password) {
    const QByteArray digest =
        QCryptographicHash::hash((salt + password).toUtf8(), QCryptographicHash::Sha256);
    return QStringLiteral("sha256:%1:%2").arg(salt, QString::fromLatin1(digest.toHex()));
}

QString seedNumber(qint64 n) { return QStringLiteral("%1").arg(n, 20, 10, QLatin1Char('0')); }

}  // namespace detail

void seedDemo(Database& db) {
    Transaction tx(db);
    if (db.scalar(QStringLiteral("SELECT COUNT(*) FROM PROPOSTAFAS")).toInt() > 0) return;
    if (db.scalar(QStringLiteral("SELECT COUNT(*) FROM FILIAL")).toInt() > 0) return;
    detail::seedRegisters(db);
    detail::seedMailSettings(db);
    detail::seedProposals(db);
    tx.commit();
}

}  // namespace cot::server
