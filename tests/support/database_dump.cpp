#include "support/database_dump.h"

#include <QStringList>
#include <algorithm>

#include "server/storage/database.h"

namespace cot::testing {

QString wholeDatabase(server::Database& db) {
    const QString listing = db.dialect() == server::Dialect::Sqlite
                                ? QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")
                                : QStringLiteral("SELECT table_name FROM information_schema.tables "
                                                 "WHERE table_schema = 'public' ORDER BY table_name");
    const Packet tables = db.query(listing);
    QStringList out;
    for (const QVariantList& table : tables.rows) {
        const QString name = table.value(0).toString();
        const Packet rows = db.query(QStringLiteral("SELECT * FROM %1").arg(name));
        QStringList lines;
        for (const QVariantList& row : rows.rows) {
            QStringList cells;
            for (const QVariant& v : row) cells << v.toString();
            lines << cells.join(u'|');
        }
        lines.sort();
        out << name + u'\n' + lines.join(u'\n');
    }
    return out.join(QStringLiteral("\n\n"));
}

std::string firstDifference(const QString& before, const QString& after) {
    const QStringList a = before.split(u'\n'), b = after.split(u'\n');
    for (qsizetype i = 0; i < std::max(a.size(), b.size()); ++i)
        if (a.value(i) != b.value(i)) return ("was: " + a.value(i) + "\nnow: " + b.value(i)).toStdString();
    return {};
}

}  // namespace cot::testing
