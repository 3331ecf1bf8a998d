#include "server/rpc/method_registry.h"

#include <QDate>
#include <QJsonObject>
#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace cot::server {

namespace {

// "1234.5", "1234,5" and "1.234,56" all read as numbers: the last separator is the decimal one.
bool parseNumberText(QString text, double& out) {
    text = text.trimmed();
    if (text.isEmpty()) return false;
    const qsizetype dot = text.lastIndexOf(u'.');
    const qsizetype comma = text.lastIndexOf(u',');
    if (dot >= 0 && comma >= 0) {
        const QChar thousands = dot > comma ? u',' : u'.';
        text.remove(thousands);
    }
    text.replace(u',', u'.');
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return false;
    out = v;
    return true;
}

QDateTime parseDateText(const QString& raw) {
    const QString s = raw.trimmed();
    QDateTime dt = QDateTime::fromString(s, Qt::ISODateWithMs);
    if (!dt.isValid()) dt = QDateTime::fromString(s, Qt::ISODate);
    if (!dt.isValid()) dt = QDateTime::fromString(s, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!dt.isValid() && s.size() == 10) {
        const QDate d = QDate::fromString(s, Qt::ISODate);
        if (d.isValid()) dt = QDateTime(d, QTime(0, 0));
    }
    // Dates travel without zone; a zone suffix from another client is read as local time.
    if (dt.isValid() && dt.timeSpec() != Qt::LocalTime) dt = QDateTime(dt.date(), dt.time());
    return dt;
}

}  // namespace

QJsonValue Args::raw(int i) const {
    if (i < 0 || i >= values_.size()) return QJsonValue(QJsonValue::Undefined);
    return values_.at(i);
}

bool Args::isNull(int i) const {
    if (i < 0 || i >= values_.size()) return true;
    const QJsonValue v = values_.at(i);
    return v.isNull() || v.isUndefined();
}

void Args::wrongKind(int i, const char* expected) const {
    throw MethodError(QStringLiteral("Argumento %1 de %2: %3")
                          .arg(i + 1)
                          .arg(method_, QString::fromUtf8(expected)),
                      -32602);
}

QString Args::string(int i) const {
    const QJsonValue v = raw(i);
    if (v.isString()) return v.toString();
    if (v.isNull() || v.isUndefined()) return QString();
    if (v.isDouble()) {
        const double d = v.toDouble();
        if (std::floor(d) == d && std::fabs(d) < 9.0e15) return QString::number(static_cast<qint64>(d));
        return QString::number(d, 'g', 17);
    }
    wrongKind(i, "esperado texto.");
}

QDateTime Args::date(int i) const {
    const QJsonValue v = raw(i);
    if (v.isNull() || v.isUndefined()) return {};
    if (v.isString()) {
        if (v.toString().trimmed().isEmpty()) return {};
        const QDateTime dt = parseDateText(v.toString());
        if (dt.isValid()) return dt;
    }
    wrongKind(i, "esperada data (AAAA-MM-DD).");
}

double Args::number(int i) const {
    const QJsonValue v = raw(i);
    if (v.isDouble()) return v.toDouble();
    double out = 0;
    if (v.isString() && parseNumberText(v.toString(), out)) return out;
    wrongKind(i, "esperado número.");
}

qint64 Args::integer(int i) const {
    const QJsonValue v = raw(i);
    double d = 0;
    if (v.isDouble()) {
        d = v.toDouble();
    } else if (v.isString()) {
        bool ok = false;
        const qint64 n = v.toString().trimmed().toLongLong(&ok);
        if (ok) return n;
        if (!parseNumberText(v.toString(), d)) wrongKind(i, "esperado número inteiro.");
    } else {
        wrongKind(i, "esperado número inteiro.");
    }
    if (std::floor(d) != d || std::fabs(d) > 9.0e18) wrongKind(i, "esperado número inteiro.");
    return static_cast<qint64>(d);
}

Delta Args::delta(int i) const {
    if (const auto known = deltas_.find(i); known != deltas_.end()) return known->second;
    const QJsonValue v = raw(i);
    if (!v.isObject()) wrongKind(i, "esperado pacote de alterações.");
    try {
        return deltas_.emplace(i, deltaFromJson(v.toObject())).first->second;
    } catch (const PacketError& e) {
        throw MethodError(QStringLiteral("Argumento %1 de %2: esperado pacote de alterações. %3")
                              .arg(i + 1)
                              .arg(method_, QString::fromUtf8(e.what())),
                          -32602);
    }
}

void Args::decodeAhead(const std::vector<int>& deltaArgs) const {
    for (int i : deltaArgs) {
        if (isNull(i)) continue;
        try {
            delta(i);
        } catch (const MethodError&) {
        }
    }
}

Packet Args::packet(int i) const {
    const QJsonValue v = raw(i);
    if (!v.isObject()) wrongKind(i, "esperado pacote de dados.");
    try {
        return packetFromJson(v.toObject());
    } catch (const PacketError& e) {
        throw MethodError(QStringLiteral("Argumento %1 de %2: esperado pacote de dados. %3")
                              .arg(i + 1)
                              .arg(method_, QString::fromUtf8(e.what())),
                          -32602);
    }
}

void MethodRegistry::add(const QString& name, int argc, AccessRule access, MethodHandler handler) {
    add(name, argc, argc, std::move(access), std::move(handler));
}

void MethodRegistry::add(const QString& name, int minArgc, int maxArgc, AccessRule access, MethodHandler handler) {
    methods_[name] = MethodInfo{name, minArgc, std::max(minArgc, maxArgc), std::move(handler), std::move(access)};
}

void MethodRegistry::requireRules() const {
    for (const auto& [name, info] : methods_) {
        const AccessRule& r = info.access;
        if (!r.declared())
            throw std::logic_error("método " + name.toStdString() + " registrado sem regra de acesso");
        std::vector<int> named = r.branchArgs();
        named.insert(named.end(), r.selfArgs().begin(), r.selfArgs().end());
        named.insert(named.end(), r.childDeltas().begin(), r.childDeltas().end());
        named.push_back(r.numberArg());
        named.push_back(r.versionArg());
        if (r.headerDeltaArg()) named.push_back(*r.headerDeltaArg());
        // Every argument a rule reads must be one the method always takes.
        for (int arg : named)
            if (arg >= info.argc)
                throw std::logic_error("regra de acesso de " + name.toStdString() + " lê argumento que pode faltar");
    }
}

Caller& MethodContext::caller() const {
    if (!session) throw std::logic_error("método aberto pediu o operador da sessão");
    return *session;
}

const MethodInfo* MethodRegistry::find(const QString& name) const {
    const auto it = methods_.find(name);
    return it == methods_.end() ? nullptr : &it->second;
}

QStringList MethodRegistry::names() const {
    QStringList out;
    for (const auto& [name, info] : methods_) out << name;
    return out;
}

}  // namespace cot::server
