#include "server/auth/proposal_key.h"

#include <QJsonValue>

#include "server/rpc/method_registry.h"

namespace cot::server::proposal_key {

namespace {

bool digits(const QVariant& value, int width) {
    if (value.typeId() != QMetaType::QString) return false;
    const QString text = value.toString();
    if (text.size() != width) return false;
    for (const QChar c : text)
        if (c < u'0' || c > u'9') return false;
    return true;
}

bool empty(const Args& args, int i) {
    return args.isNull(i) || (args.raw(i).isString() && args.raw(i).toString().isEmpty());
}

}  // namespace

bool isNumber(const QVariant& value) { return digits(value, kNumberDigits); }
bool isVersion(const QVariant& value) { return digits(value, kVersionDigits); }

QString number(const QVariant& value) {
    if (!isNumber(value)) throw MethodError(QStringLiteral("Número de proposta inválido: informe os 20 dígitos."), -32602);
    return value.toString();
}

QString version(const QVariant& value) {
    if (!isVersion(value)) throw MethodError(QStringLiteral("Versão de proposta inválida: informe os 2 dígitos."), -32602);
    return value.toString();
}

QString numberArg(const Args& args, int i, bool read) {
    return read && empty(args, i) ? QString() : number(args.raw(i).toVariant());
}

QString versionArg(const Args& args, int i, bool read) {
    return read && empty(args, i) ? QString() : version(args.raw(i).toVariant());
}

}  // namespace cot::server::proposal_key
