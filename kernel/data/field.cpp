#include "field.h"

#include <cmath>

#include "client_table.h"
#include "base/errors.h"
#include "value_format.h"

namespace cot {

namespace {

bool isText(FieldType t) { return t == FieldType::String || t == FieldType::FixedString || t == FieldType::Memo; }

bool isNullValue(const QVariant& v) { return !v.isValid() || v.isNull(); }

QVariant parseText(const Field& f, const QString& text) {
    switch (f.dataType()) {
    case FieldType::String:
    case FieldType::FixedString:
    case FieldType::Memo:
        return text;
    case FieldType::Integer: {
        double v = 0;
        const auto r = datafmt::parseNumber(text, &v);
        if (r == datafmt::Parse::Blank) return {};
        if (r == datafmt::Parse::Invalid || v != std::trunc(v) || std::fabs(v) > 9.2e18)
            throw UserError(QStringLiteral("'%1' não é um valor inteiro válido.").arg(text));
        return qint64(v);
    }
    case FieldType::Float: {
        double v = 0;
        const auto r = datafmt::parseNumber(text, &v);
        if (r == datafmt::Parse::Blank) return {};
        if (r == datafmt::Parse::Invalid)
            throw UserError(QStringLiteral("'%1' não é um valor de ponto flutuante válido.").arg(text));
        return v;
    }
    case FieldType::DateTime: {
        QDateTime v;
        const auto r = datafmt::parseDateTime(text, &v);
        if (r == datafmt::Parse::Blank) return {};
        if (r == datafmt::Parse::Invalid) throw UserError(QStringLiteral("'%1' não é uma data válida.").arg(text));
        return v;
    }
    case FieldType::Boolean: {
        const QString t = text.trimmed().toUpper();
        if (t.isEmpty()) return {};
        if (t == u"S" || t == u"SIM" || t == u"T" || t == u"TRUE" || t == u"1" || t == u"VERDADEIRO") return true;
        if (t == u"N" || t == u"NÃO" || t == u"NAO" || t == u"F" || t == u"FALSE" || t == u"0" || t == u"FALSO")
            return false;
        throw UserError(QStringLiteral("'%1' não é um valor lógico válido.").arg(text));
    }
    }
    return text;
}

}  // namespace

Field::Field(ClientTable* owner, FieldDef def, FieldKind kind) : owner_(owner), def_(std::move(def)), kind_(kind) {}

QVariant Field::value() const { return owner_ ? owner_->currentValue(*this) : QVariant(); }

void Field::setValue(const QVariant& value) {
    if (!owner_) return;
    QVariant v;
    if (!isNullValue(value) && !isText(def_.type) && value.typeId() == QMetaType::QString) {
        v = parseText(*this, value.toString());  // text given for a number or date: read it as typed
    } else {
        v = coerceValue(value, def_.type);
        if (isNullValue(v) && !isNullValue(value))
            throw UserError(QStringLiteral("Valor inválido para o campo '%1'.").arg(label()));
    }
    if (isText(def_.type) && !isNullValue(v)) {
        QString s = v.toString();
        if (def_.size > 0 && def_.type != FieldType::Memo && s.size() > def_.size) s.truncate(def_.size);
        // Empty text is stored as no value, as the server expects.
        v = s.isEmpty() ? QVariant() : QVariant(s);
    }
    owner_->storeValue(*this, v);
}

QVariant Field::oldValue() const { return owner_ ? owner_->currentOldValue(*this) : QVariant(); }

bool Field::isNull() const {
    const QVariant v = value();
    if (isNullValue(v)) return true;
    return isText(def_.type) && v.toString().isEmpty();
}

QString Field::asString() const {
    const QVariant v = value();
    if (isNullValue(v)) return {};
    switch (def_.type) {
    case FieldType::Float: return datafmt::plainNumber(v.toDouble());
    case FieldType::DateTime: return datafmt::formatDateTime(v.toDateTime(), {});
    case FieldType::Boolean: return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default: return v.toString();
    }
}

void Field::setAsString(const QString& text) { setValue(parseText(*this, text)); }

double Field::asFloat() const {
    const QVariant v = value();
    if (isNullValue(v)) return 0;
    if (v.typeId() == QMetaType::QString) {
        double d = 0;
        return datafmt::parseNumber(v.toString(), &d) == datafmt::Parse::Ok ? d : 0;
    }
    return v.toDouble();
}

qint64 Field::asInteger() const {
    const QVariant v = value();
    if (isNullValue(v)) return 0;
    if (v.typeId() == QMetaType::Double) return qint64(std::llround(v.toDouble()));
    if (v.typeId() == QMetaType::QString) {
        double d = 0;
        return datafmt::parseNumber(v.toString(), &d) == datafmt::Parse::Ok ? qint64(std::llround(d)) : 0;
    }
    return v.toLongLong();
}

QDateTime Field::asDateTime() const {
    const QVariant v = value();
    if (isNullValue(v)) return {};
    if (v.typeId() == QMetaType::QDateTime) return v.toDateTime();
    return coerceValue(v, FieldType::DateTime).toDateTime();
}

bool Field::asBoolean() const {
    const QVariant v = value();
    if (isNullValue(v)) return false;
    return coerceValue(v, FieldType::Boolean).toBool();
}

QString Field::displayText() const {
    if (onGetText) return onGetText(const_cast<Field&>(*this), true);
    const QVariant v = value();
    if (isNullValue(v)) return {};
    switch (def_.type) {
    case FieldType::Float:
        return datafmt::formatNumber(v.toDouble(), displayFormat);
    case FieldType::Integer:
        return displayFormat.isEmpty() ? QString::number(v.toLongLong())
                                       : datafmt::formatNumber(double(v.toLongLong()), displayFormat);
    case FieldType::DateTime:
        return datafmt::formatDateTime(v.toDateTime(), displayFormat);
    case FieldType::Boolean:
        return v.toBool() ? QStringLiteral("Sim") : QStringLiteral("Não");
    default:
        return v.toString();
    }
}

QString Field::text() const {
    if (onGetText) return onGetText(const_cast<Field&>(*this), false);
    const QVariant v = value();
    if (isNullValue(v)) return {};
    const QString& format = editFormat.isEmpty() ? displayFormat : editFormat;
    switch (def_.type) {
    case FieldType::Float:
        return datafmt::formatNumber(v.toDouble(), format);
    case FieldType::Integer:
        return format.isEmpty() ? QString::number(v.toLongLong()) : datafmt::formatNumber(double(v.toLongLong()), format);
    case FieldType::DateTime:
        // Editors always start from the short date (and time, when there is one).
        return datafmt::formatDateTime(v.toDateTime(), {});
    case FieldType::Boolean:
        return v.toBool() ? QStringLiteral("Sim") : QStringLiteral("Não");
    default:
        return v.toString();
    }
}

void Field::setText(const QString& text) {
    if (onSetText) {
        onSetText(*this, text);
        return;
    }
    setAsString(text);
}

}  // namespace cot
