#include "server/registers/register_values.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <cmath>

#include "server/registers/spreadsheet_guard.h"

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

// Names and codes hold no control character at all; free texts keep tabs and line breaks,
// which the files carry inside quotes. A NUL is refused everywhere.
QString controlCharacterFault(const RegisterColumn& column, const QString& value) {
    for (const QChar c : value) {
        const char16_t u = c.unicode();
        if (u >= 0x20 && (u < 0x7F || u > 0x9F)) continue;
        if (column.freeText && (u == u'\t' || u == u'\n' || u == u'\r')) continue;
        if (u == 0) return QStringLiteral("caractere nulo (NUL) no texto");
        return QStringLiteral("caractere de controle U+%1 no texto%2")
            .arg(QString::number(u, 16).toUpper().rightJustified(4, u'0'))
            .arg(column.freeText ? QString() : QStringLiteral(" (nomes e códigos não aceitam tabulação nem quebra de linha)"));
    }
    return {};
}

}  // namespace

ParsedValue parseField(const RegisterColumn& column, const CsvField& field) {
    const bool textColumn = column.kind == ColumnKind::Text;
    // "" is an empty text; in other columns it is as empty as nothing at all.
    if (field.isNull() || (!textColumn && !field.cut && field.text.trimmed().isEmpty())) {
        if (column.notNull) return bad(column, QStringLiteral("campo obrigatório vazio"));
        return {};
    }
    // Faults name the column and never repeat the field: the file might be anyone's text.
    if (field.cut && !textColumn) return bad(column, QStringLiteral("campo com %1 caracteres, longo demais").arg(field.length));
    // Never a null QString: the engines would store it as null.
    const QString value = textColumn ? unguardedText(field.text.isNull() ? QStringLiteral("") : field.text)
                                     : field.text.trimmed();
    switch (column.kind) {
    case ColumnKind::Text: {
        const qsizetype length = field.cut ? field.length : value.toUcs4().size();
        if (length > column.size)
            return bad(column, QStringLiteral("texto com %1 caracteres, mais que os %2 da coluna").arg(length).arg(column.size));
        if (const QString fault = controlCharacterFault(column, value); !fault.isEmpty()) return bad(column, fault);
        if (column.upperCase && value != value.trimmed().toUpper())
            return bad(column, QStringLiteral("código com minúsculas ou espaços nas pontas; o código é digitado e "
                                              "comparado em maiúsculas"));
        if (!column.allowed.isEmpty() && !column.allowed.contains(value))
            return bad(column, QStringLiteral("valor inválido (use %1)").arg(column.allowed.join(QStringLiteral(", "))));
        return {value, {}};
    }
    case ColumnKind::Integer: {
        static const QRegularExpression form(QStringLiteral("^[+-]?\\d{1,18}$"));
        if (!form.match(value).hasMatch()) return bad(column, QStringLiteral("número inteiro inválido"));
        return {value.toLongLong(), {}};
    }
    case ColumnKind::Real: {
        static const QRegularExpression form(QStringLiteral("^[+-]?(\\d+(\\.\\d*)?|\\.\\d+)$"));
        if (!form.match(value).hasMatch()) {
            const QString hint = value.contains(u',') ? QStringLiteral(" (o separador decimal é o ponto)") : QString();
            return bad(column, QStringLiteral("número inválido%1").arg(hint));
        }
        bool ok = false;
        const double d = value.toDouble(&ok);
        if (!ok || !std::isfinite(d)) return bad(column, QStringLiteral("número fora do limite"));
        return {d == 0 ? 0.0 : d, {}};
    }
    case ColumnKind::DateTime: {
        const auto dt = parseDate(value);
        if (!dt) return bad(column, QStringLiteral("data inválida (use AAAA-MM-DD ou AAAA-MM-DD HH:MM:SS)"));
        return {*dt, {}};
    }
    }
    return {};
}

int keptCharacters(const RegisterColumn& column) {
    // A text may carry its guarding quote; a number or a date is never this long.
    return column.kind == ColumnKind::Text ? column.size + 1 : 100;
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
