#include "rpc/rpc_channel.h"

#include <mutex>

namespace cot::rpc_channel {

namespace {

struct Channel {
    std::mutex mutex;
    QByteArray token;
    bool tls = false;
    QString caFile;
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
