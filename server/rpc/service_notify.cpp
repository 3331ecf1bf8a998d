#include "server/rpc/service_notify.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFile>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace cot::server {

bool notifyService(const QByteArray& state) {
    const char* socket = std::getenv("NOTIFY_SOCKET");
    if (!socket || !*socket) return false;
    return notifyServiceAt(QFile::decodeName(socket), state);
}

bool notifyServiceAt(const QString& socketPath, const QByteArray& state) {
    const QByteArray path = QFile::encodeName(socketPath);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + size_t(path.size()));
    if (path.startsWith('@')) {
        address.sun_path[0] = '\0';  // abstract namespace: the name is not terminated
    } else if (path.startsWith('/')) {
        ++length;  // the terminating zero
    } else {
        return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const ssize_t sent = ::sendto(fd, state.constData(), size_t(state.size()), MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr*>(&address), length);
    ::close(fd);
    return sent == ssize_t(state.size());
}

}  // namespace cot::server
