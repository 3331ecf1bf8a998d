#include "rpc/rpc_values.h"

#include <QDate>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <cmath>
#include <stdexcept>

namespace cot {

QJsonValue rpcArgumentToJson(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return QJsonValue::Null;
    const int type = value.typeId();
    if (type == qMetaTypeId<Packet>()) return packetToJson(value.value<Packet>());
    if (type == qMetaTypeId<Delta>()) return deltaToJson(value.value<Delta>());
    switch (type) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QByteArray:
        return QString::fromUtf8(value.toByteArray());
    case QMetaType::QDate: {
        const QDate d = value.toDate();
        return d.isValid() ? QJsonValue(d.toString(Qt::ISODate)) : QJsonValue(QJsonValue::Null);
    }
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        return dt.isValid() ? QJsonValue(dt.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")))
                            : QJsonValue(QJsonValue::Null);
    }
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (!std::isfinite(d)) throw std::invalid_argument("non-finite number");
        return d;
    }
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return QJsonValue(value.toLongLong());
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        return QJsonValue(double(value.toULongLong()));
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        QJsonArray out;
        for (const QVariant& item : value.toList()) out.append(rpcArgumentToJson(item));
        return out;
    }
    default:
        throw std::invalid_argument(std::string("unsupported argument type ") + value.typeName());
    }
}

}  // namespace cot
