#include "rpc/rpc_channel.h"

#include <mutex>

namespace cot::rpc_channel {

namespace {

struct Channel {
    std::mutex mutex;
    QByteArray token;
    bool tls = false;
    QString caFile;
    std::function<bool()> renewer;
    bool renewing = false;
};

Channel& channel() {
    static Channel c;
    return c;
}

}  // namespace

void setSessionToken(const QByteArray& token) {
    std::lock_guard lock(channel().mutex);
    channel().token = token;
}

QByteArray sessionToken() {
    std::lock_guard lock(channel().mutex);
    return channel().token;
}

void setSessionRenewer(std::function<bool()> renewer) {
    std::lock_guard lock(channel().mutex);
    channel().renewer = std::move(renewer);
}

bool renewSession() {
    std::function<bool()> renewer;
    {
        std::lock_guard lock(channel().mutex);
        if (!channel().renewer || channel().renewing) return false;
        channel().renewing = true;
        renewer = channel().renewer;
    }
    bool renewed = false;
    try {
        renewed = renewer();
    } catch (...) {
    }
    std::lock_guard lock(channel().mutex);
    channel().renewing = false;
    return renewed;
}

void setTls(bool on, const QString& caFile) {
    std::lock_guard lock(channel().mutex);
    channel().tls = on;
    channel().caFile = on ? caFile : QString();
}

bool tls() {
    std::lock_guard lock(channel().mutex);
    return channel().tls;
}

QString caFile() {
    std::lock_guard lock(channel().mutex);
    return channel().caFile;
}

}  // namespace cot::rpc_channel
