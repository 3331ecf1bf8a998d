#include "server/rpc/address_limits.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace cot::server {

QString addressBlock(const QString& canonicalAddress) {
    const QByteArray latin = canonicalAddress.toLatin1();
    in6_addr v6{};
    if (latin.contains('\0') || inet_pton(AF_INET6, latin.constData(), &v6) != 1) return canonicalAddress;
    std::memset(v6.s6_addr + 8, 0, 8);
    char out[INET6_ADDRSTRLEN] = {};
    return QString::fromLatin1(inet_ntop(AF_INET6, &v6, out, sizeof out)) + QStringLiteral("/64");
}

bool ConnectionCounter::enter(const QString& address, bool exempt) {
    std::lock_guard lock(mutex_);
    if (open_ >= total_) return false;
    if (!exempt) {
        int& count = byAddress_[address];
        if (count >= perAddress_) return false;
        ++count;
    }
    ++open_;
    return true;
}

void ConnectionCounter::leave(const QString& address, bool exempt) {
    std::lock_guard lock(mutex_);
    --open_;
    if (exempt) return;
    auto it = byAddress_.find(address);
    if (it != byAddress_.end() && --it->second <= 0) byAddress_.erase(it);
}

int ConnectionCounter::open() const {
    std::lock_guard lock(mutex_);
    return open_;
}

void RateLimiter::refill(Bucket& b, Clock::time_point now) const {
    const double seconds = std::chrono::duration<double>(now - b.at).count();
    b.tokens = std::min<double>(burst_, b.tokens + seconds * perMinute_ / 60.0);
    b.at = now;
}

bool RateLimiter::take(const QString& address, int& retryAfterSeconds, Clock::time_point now) {
    std::lock_guard lock(mutex_);
    auto it = buckets_.find(address);
    if (it == buckets_.end()) {
        if (buckets_.size() >= most_) {
            // Full: forget the buckets that have filled up again (their addresses went quiet).
            for (auto b = buckets_.begin(); b != buckets_.end();) {
                refill(b->second, now);
                b = b->second.tokens >= burst_ ? buckets_.erase(b) : std::next(b);
            }
            if (buckets_.size() >= most_) {
                retryAfterSeconds = std::max(1, int(std::ceil(60.0 / perMinute_)));
                return false;
            }
        }
        it = buckets_.emplace(address, Bucket{double(burst_), now}).first;
    }
    Bucket& b = it->second;
    refill(b, now);
    if (b.tokens >= 1.0) {
        b.tokens -= 1.0;
        return true;
    }
    retryAfterSeconds = std::max(1, int(std::ceil((1.0 - b.tokens) * 60.0 / perMinute_)));
    return false;
}

}  // namespace cot::server
