#pragma once
// What each client address may hold and spend: connections open at once, and the pace of
// its requests to the client's page. IPv6 addresses count by their /64, the block one
// subscriber usually holds, so an attacker cannot multiply himself by his own addresses.
#include <QHashFunctions>
#include <QString>
#include <chrono>
#include <mutex>
#include <unordered_map>

namespace cot::server {

// The key an address counts under: the IPv4 address, or the first 64 bits of an IPv6 one.
QString addressBlock(const QString& canonicalAddress);

// Connections open at once, per address and in all.
class ConnectionCounter {
public:
    ConnectionCounter(int perAddress, int total) : perAddress_(perAddress), total_(total) {}
    // Takes a place for a new connection from `address`; false when either cap is reached.
    // `exempt` addresses (trusted proxies, which carry many clients) count only in the total.
    bool enter(const QString& address, bool exempt);
    void leave(const QString& address, bool exempt);
    int open() const;

private:
    mutable std::mutex mutex_;
    std::unordered_map<QString, int> byAddress_;
    int perAddress_, total_, open_ = 0;
};

// A token bucket per address: `perMinute` requests a minute on average, `burst` at once.
// The table is bounded: when full, idle buckets go first, and a new address finds no room
// (and is refused) only while every one kept is in use.
class RateLimiter {
public:
    using Clock = std::chrono::steady_clock;
    RateLimiter(int perMinute, int burst, size_t mostAddresses = 65536)
        : perMinute_(perMinute), burst_(burst), most_(mostAddresses) {}
    // Whether a request from `address` may go on now; when not, the seconds until it may.
    bool take(const QString& address, int& retryAfterSeconds, Clock::time_point now = Clock::now());

private:
    struct Bucket {
        double tokens;
        Clock::time_point at;
    };
    void refill(Bucket& b, Clock::time_point now) const;
    std::mutex mutex_;
    std::unordered_map<QString, Bucket> buckets_;
    int perMinute_, burst_;
    size_t most_;
};

}  // namespace cot::server
