#include "server/rpc/http_limits.h"

#include <array>

#include "server/rpc/server_config.h"

namespace cot::server {

namespace {

struct LimitEntry {
    const char* name;
    int HttpLimits::*field;
    int least, most;
};

constexpr std::array<LimitEntry, 11> kLimits{{
    {"header-lines", &HttpLimits::headerLines, 8, 1000},
    {"header-bytes", &HttpLimits::headerBytes, 1024, 1024 * 1024},
    {"head-seconds", &HttpLimits::headSeconds, 1, 600},
    {"idle-seconds", &HttpLimits::idleSeconds, 1, 600},
    {"connections-per-address", &HttpLimits::perAddress, 1, 100000},
    {"connections", &HttpLimits::connections, 8, 1000000},
    {"write-seconds", &HttpLimits::writeSeconds, 1, 3600},
    {"page-per-minute", &HttpLimits::pagePerMinute, 1, 100000},
    {"page-burst", &HttpLimits::pageBurst, 1, 100000},
    {"page-queue", &HttpLimits::pageQueue, 1, 100000},
    {"body-megabytes", &HttpLimits::bodyMegabytes, 16, 65536},
}};

}  // namespace

void HttpLimits::apply(const QString& setting) {
    const qsizetype eq = setting.indexOf(u'=');
    const QString name = setting.left(eq).trimmed().toLower();
    for (const LimitEntry& entry : kLimits) {
        if (name != QLatin1String(entry.name)) continue;
        bool ok = false;
        const int value = eq < 0 ? 0 : setting.mid(eq + 1).trimmed().toInt(&ok);
        if (!ok || value < entry.least || value > entry.most)
            throw ConfigError(QStringLiteral("Valor inválido em --limit %1 (de %2 a %3): \"%4\".")
                                  .arg(name)
                                  .arg(entry.least)
                                  .arg(entry.most)
                                  .arg(eq < 0 ? QString() : setting.mid(eq + 1).trimmed())
                                  .toStdString());
        this->*entry.field = value;
        return;
    }
    throw ConfigError(
        QStringLiteral("Limite desconhecido em --limit: \"%1\" (use %2).").arg(name, names().join(QStringLiteral(", "))).toStdString());
}

QString HttpLimits::describe() const {
    QStringList parts;
    for (const LimitEntry& entry : kLimits) parts << QStringLiteral("%1=%2").arg(QLatin1String(entry.name)).arg(this->*entry.field);
    return parts.join(QStringLiteral(", "));
}

QStringList HttpLimits::names() {
    QStringList out;
    for (const LimitEntry& entry : kLimits) out << QLatin1String(entry.name);
    return out;
}

}  // namespace cot::server
