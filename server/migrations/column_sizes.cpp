#include "server/migrations/column_sizes.h"

#include <QHash>
#include <QRegularExpression>
#include <stdexcept>

#include "server/migrations/migration_steps.h"

namespace cot::server::schema {

namespace {

constexpr int kNotText = -1;

using Columns = QHash<QString, int>;  // column → characters, or kNotText
using Tables = QHash<QString, Columns>;

QRegularExpression caseless(const QString& text) {
    return QRegularExpression(text, QRegularExpression::CaseInsensitiveOption |
                                        QRegularExpression::DotMatchesEverythingOption);
}

// The declarations between a CREATE TABLE's outer parentheses, split at the commas that
// are not inside parentheses of their own (a key's column list, a type's size).
QStringList declarations(const QString& body) {
    QStringList out;
    int depth = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i < body.size(); ++i) {
        const QChar c = body.at(i);
        if (c == u'(') ++depth;
        else if (c == u')') --depth;
        else if (c == u',' && depth == 0) {
            out << body.mid(start, i - start).trimmed();
            start = i + 1;
        }
    }
    out << body.mid(start).trimmed();
    return out;
}

// "NAME TYPE[(n)] ..." into the table's columns; constraints are left out.
void addColumn(Columns& columns, const QString& declaration) {
    static const QRegularExpression constraint =
        caseless(QStringLiteral("^(PRIMARY|FOREIGN|UNIQUE|CONSTRAINT|CHECK)\\b"));
    static const QRegularExpression column = caseless(
        QStringLiteral("^([A-Z_][A-Z0-9_]*)\\s+(CHARACTER\\s+VARYING|[A-Z]+)(?:\\s*\\(\\s*(\\d+)\\s*\\))?"));
    if (constraint.match(declaration).hasMatch()) return;
    const QRegularExpressionMatch m = column.match(declaration);
    if (!m.hasMatch()) throw std::logic_error("unreadable column declaration: " + declaration.toStdString());
    const QString type = m.captured(2).toUpper().simplified();
    const bool sized = type == QLatin1String("VARCHAR") || type == QLatin1String("CHAR") ||
                       type == QLatin1String("CHARACTER") || type == QLatin1String("CHARACTER VARYING");
    int size = kNotText;
    if (type == QLatin1String("TEXT") || (sized && m.captured(3).isEmpty())) size = kMemoCharacters;
    else if (sized) size = m.captured(3).toInt();
    columns.insert(m.captured(1).toUpper(), size);
}

void read(Tables& tables, const QString& statement) {
    static const QRegularExpression create = caseless(
        QStringLiteral("^CREATE\\s+TABLE\\s+(?:IF\\s+NOT\\s+EXISTS\\s+)?([A-Z_][A-Z0-9_]*)\\s*\\((.*)\\)$"));
    static const QRegularExpression add =
        caseless(QStringLiteral("^ALTER\\s+TABLE\\s+([A-Z_][A-Z0-9_]*)\\s+ADD\\s+(?:COLUMN\\s+)?(.*)$"));
    static const QRegularExpression drop =
        caseless(QStringLiteral("^DROP\\s+TABLE\\s+(?:IF\\s+EXISTS\\s+)?([A-Z_][A-Z0-9_]*)"));
    if (const QRegularExpressionMatch m = create.match(statement); m.hasMatch()) {
        Columns& columns = tables[m.captured(1).toUpper()];
        columns.clear();
        for (const QString& d : declarations(m.captured(2))) addColumn(columns, d);
    } else if (const QRegularExpressionMatch a = add.match(statement); a.hasMatch()) {
        addColumn(tables[a.captured(1).toUpper()], a.captured(2));
    } else if (const QRegularExpressionMatch d = drop.match(statement); d.hasMatch()) {
        tables.remove(d.captured(1).toUpper());
    }
}

// Tables are declared in the scripts both engines run (and the engine-only ones, read
// the same way); the engine-made statements add triggers and functions, no columns.
Tables build() {
    Tables tables;
    for (const detail::MigrationStep& step : detail::migrationSteps()) {
        for (const QString& s : detail::splitStatements(step.commonSql)) read(tables, s);
        for (const QString& s : detail::splitStatements(step.postgresSql)) read(tables, s);
    }
    return tables;
}

}  // namespace

std::optional<int> textSize(const QString& table, const QString& column) {
    static const Tables tables = build();
    const auto declared = tables.constFind(table.toUpper());
    if (declared == tables.constEnd()) return kMemoCharacters;
    const int size = declared->value(column.toUpper(), 0);
    if (size == 0)
        throw std::invalid_argument("no such column in the schema: " + table.toStdString() + "." + column.toStdString());
    if (size == kNotText) return std::nullopt;
    return size;
}

}  // namespace cot::server::schema
