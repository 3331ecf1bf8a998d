#include "server/storage/text_bounds.h"

#include <QLocale>

#include "data/table_catalogue.h"
#include "server/rpc/method_registry.h"

namespace cot::server::text_bounds {

namespace {

// Characters as PostgreSQL counts them for VARCHAR(n): a surrogate pair is one.
qsizetype characters(const QString& text) {
    qsizetype n = text.size();
    for (qsizetype i = 0; i + 1 < text.size(); ++i)
        if (text.at(i).isHighSurrogate() && text.at(i + 1).isLowSurrogate()) {
            --n;
            ++i;
        }
    return n;
}

}  // namespace

QString tooLongMessage(const QString& column, int size) {
    return QStringLiteral("O campo %1 aceita no máximo %2 caracteres.")
        .arg(column.toUpper(), QLocale(QLocale::Portuguese, QLocale::Brazil).toString(size));
}

void requireFits(const QString& table, const QString& column, const QVariant& value) {
    const std::optional<int> size = catalogue::textSize(table, column);
    if (!size || !value.isValid() || value.isNull()) return;
    const QString text = value.toString();
    if (text.size() > *size && characters(text) > *size) throw MethodError(tooLongMessage(column, *size));
}

}  // namespace cot::server::text_bounds
