#include "server/registers/register_values.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <cmath>

namespace cot::server::registers {

namespace {

ParsedValue bad(const RegisterColumn& column, const QString& why) { return {{}, column.name + QStringLiteral(": ") + why}; }

std::optional<QDateTime> parseDate(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})(?: (\\d{2}):(\\d{2}):(\\d{2}))?$"));
    const auto m = form.match(text);
    if (!m.hasMatch()) return std::nullopt;
    const QDate day(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QTime time = m.capturedLength(4) > 0
                           ? QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt())
                           : QTime(0, 0);
    if (!day.isValid() || !time.isValid()) return std::nullopt;
    return QDateTime(day, time);
}

}  // namespace

ParsedValue parseField(const RegisterColumn& column, const CsvField& field) {
    const bool textColumn = column.kind == ColumnKind::Text;
    // "" is an empty text; in other columns it is as empty as nothing at all.
    if (field.isNull() || (!textColumn && field.text.trimmed().isEmpty())) {
        if (column.notNull) return bad(column, QStringLiteral("campo obrigatório vazio"));
        return {};
    }
    // Never a null QString: the engines would store it as null.
    const QString value = textColumn ? (field.text.isNull() ? QStringLiteral("") : field.text) : field.text.trimmed();
    switch (column.kind) {
    case ColumnKind::Text: {
        const qsizetype length = value.toUcs4().size();
        if (column.size > 0 && length > column.size)
            return bad(column, QStringLiteral("texto com %1 caracteres, mais que os %2 da coluna").arg(length).arg(column.size));
        if (column.upperCase && value != value.trimmed().toUpper())
            return bad(column, QStringLiteral("\"%1\" com minúsculas ou espaços nas pontas; o código é digitado e "
                                              "comparado em maiúsculas (%2)")
                                   .arg(value, value.trimmed().toUpper()));
        if (!column.allowed.isEmpty() && !column.allowed.contains(value))
            return bad(column, QStringLiteral("valor \"%1\" inválido (use %2)")
                                   .arg(value, column.allowed.join(QStringLiteral(", "))));
        return {value, {}};
    }
    case ColumnKind::Integer: {
        static const QRegularExpression form(QStringLiteral("^[+-]?\\d{1,18}$"));
        if (!form.match(value).hasMatch()) return bad(column, QStringLiteral("número inteiro inválido: \"%1\"").arg(value));
        return {value.toLongLong(), {}};
    }
    case ColumnKind::Real: {
        static const QRegularExpression form(QStringLiteral("^[+-]?(\\d+(\\.\\d*)?|\\.\\d+)$"));
        if (!form.match(value).hasMatch()) {
            const QString hint = value.contains(u',') ? QStringLiteral(" (o separador decimal é o ponto)") : QString();
            return bad(column, QStringLiteral("número inválido: \"%1\"%2").arg(value, hint));
        }
        bool ok = false;
        const double d = value.toDouble(&ok);
        if (!ok || !std::isfinite(d)) return bad(column, QStringLiteral("número fora do limite: \"%1\"").arg(value));
        return {d == 0 ? 0.0 : d, {}};
    }
    case ColumnKind::DateTime: {
        const auto dt = parseDate(value);
        if (!dt) return bad(column, QStringLiteral("data inválida: \"%1\" (use AAAA-MM-DD ou AAAA-MM-DD HH:MM:SS)").arg(value));
        return {*dt, {}};
    }
    }
    return {};
}

std::optional<QString> writtenForm(const RegisterColumn& column, const QVariant& value) {
    if (!value.isValid() || value.isNull()) return std::nullopt;
    switch (column.kind) {
    case ColumnKind::Text:
        return value.toString();
    case ColumnKind::Integer:
        return QString::number(value.toLongLong());
    case ColumnKind::Real: {
        const double d = value.toDouble();
        // The shortest text that reads back as the same double, never in exponent form.
        return QString::number(d == 0 ? 0.0 : d, 'f', QLocale::FloatingPointShortest);
    }
    case ColumnKind::DateTime: {
        QDateTime dt = value.toDateTime();
        if (!dt.isValid()) dt = QDateTime::fromString(value.toString(), Qt::ISODate);
        if (!dt.isValid()) return value.toString();
        return dt.time() == QTime(0, 0) ? dt.toString(QStringLiteral("yyyy-MM-dd"))
                                        : dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    }
    return value.toString();
}

}  // namespace cot::server::registers
