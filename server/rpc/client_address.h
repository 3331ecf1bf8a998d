#pragma once
#include <QString>
#include <QStringList>
#include <optional>

namespace cot::server {

struct HttpRequest;

// An IPv4 or IPv6 address in its canonical text (an IPv4 address written as IPv6 becomes
// plain IPv4); nothing when the text is not one address.
std::optional<QString> canonicalAddress(const QString& text);

// The address the server counts a request under (sign-in throttle, request log): the
// peer's, unless the peer is one of `trustedProxies`, whose
// X-Forwarded-For then names the client in its last entry, the one that proxy wrote.
// Anyone else's X-Forwarded-For is ignored, so a client cannot choose his address; a
// missing or malformed entry leaves the peer's.
QString clientAddress(const QString& peer, const std::optional<QString>& forwardedFor,
                      const QStringList& trustedProxies);
// The same for a request, reading the last X-Forwarded-For header it carries.
QString clientAddress(const HttpRequest& request, const QStringList& trustedProxies);

}  // namespace cot::server
