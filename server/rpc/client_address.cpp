#include "server/rpc/client_address.h"

#include "server/rpc/http_exchange.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

namespace cot::server {

std::optional<QString> canonicalAddress(const QString& text) {
    const QByteArray latin = text.trimmed().toLatin1();
    if (latin.contains('\0')) return std::nullopt;  // inet_pton would read only up to it
    char out[INET6_ADDRSTRLEN] = {};
    in_addr v4{};
    if (inet_pton(AF_INET, latin.constData(), &v4) == 1)
        return QString::fromLatin1(inet_ntop(AF_INET, &v4, out, sizeof out));
    in6_addr v6{};
    if (inet_pton(AF_INET6, latin.constData(), &v6) != 1) return std::nullopt;
    if (IN6_IS_ADDR_V4MAPPED(&v6)) {
        std::memcpy(&v4, v6.s6_addr + 12, sizeof v4);
        return QString::fromLatin1(inet_ntop(AF_INET, &v4, out, sizeof out));
    }
    return QString::fromLatin1(inet_ntop(AF_INET6, &v6, out, sizeof out));
}

QString clientAddress(const QString& peer, const std::optional<QString>& forwardedFor,
                      const QStringList& trustedProxies) {
    if (!forwardedFor || trustedProxies.isEmpty()) return peer;
    const std::optional<QString> proxy = canonicalAddress(peer);
    if (!proxy || std::none_of(trustedProxies.begin(), trustedProxies.end(),
                               [&](const QString& p) { return canonicalAddress(p) == proxy; }))
        return peer;
    // Each proxy appends the address it took the request from: only the last is the
    // trusted one's; whatever came before may have been written by the client.
    const qsizetype comma = forwardedFor->lastIndexOf(u',');
    return canonicalAddress(forwardedFor->mid(comma + 1)).value_or(peer);
}

QString clientAddress(const HttpRequest& request, const QStringList& trustedProxies) {
    const std::vector<std::string> lines = request.all("X-Forwarded-For");
    if (lines.empty()) return clientAddress(request.peer, std::nullopt, trustedProxies);
    return clientAddress(request.peer, QString::fromStdString(lines.back()), trustedProxies);
}

}  // namespace cot::server
