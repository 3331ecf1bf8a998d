#include "server/methods/read_support.h"

#include "data/table_catalogue.h"
#include "server/rpc/method_registry.h"
#include "services/consiste.h"
#include "server/storage/database.h"

namespace cot::server::read {

const QString& ProposalKey::condition() {
    static const QString condition = catalogue::table(QStringLiteral("PROPOSTAFAS"))
                                         .keyCondition({QStringLiteral("NR"), QStringLiteral("VER")});
    return condition;
}

QString ProposalKey::condition(const QString& alias) {
    return catalogue::table(QStringLiteral("PROPOSTAFAS"))
        .keyCondition({QStringLiteral("NR"), QStringLiteral("VER")}, alias);
}

ProposalKey proposalKey(const Args& args) { return {args.string(0).trimmed(), args.string(1).trimmed()}; }

Packet shaped(Database& db, const QString& sql, const QVariantMap& params, const QList<FieldDef>& fields) {
    const Packet raw = db.query(sql, params, fields);
    Packet out;
    out.fields = fields;
    QList<int> source;
    source.reserve(fields.size());
    for (const FieldDef& f : fields) source << raw.indexOf(f.name);
    out.rows.reserve(raw.rows.size());
    for (const QVariantList& r : raw.rows) {
        QVariantList row;
        row.reserve(fields.size());
        for (int c = 0; c < fields.size(); ++c)
            row << (source[c] >= 0 ? coerceValue(r.value(source[c]), fields[c].type) : QVariant());
        out.rows << std::move(row);
    }
    return out;
}

QString adjusted(const QString& code, int width) { return Consiste::Ajusta(code, width); }

QString nextOrder(const QStringList& orders, int width, const QString& fullText) {
    qint64 highest = 0;
    for (const QString& order : orders) {
        bool ok = false;
        const qint64 n = order.trimmed().toLongLong(&ok);
        if (ok && n > highest) highest = n;
    }
    const QString next = QStringLiteral("%1").arg(highest + 1, width, 10, QLatin1Char('0'));
    if (next.size() > width) throw MethodError(fullText);
    return next;
}

bool isAll(const QString& value) { return value.trimmed().compare(QLatin1String("T"), Qt::CaseInsensitive) == 0; }

}  // namespace cot::server::read
