#include "support/raw_socket.h"

#include <QFile>
#include <QList>

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace cot::testing {

int connectLoopback(int port, int timeoutSeconds) { return connectFrom("127.0.0.1", port, timeoutSeconds); }

int connectFrom(const char* address, int port, int timeoutSeconds) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in own{};
    own.sin_family = AF_INET;
    inet_pton(AF_INET, address, &own.sin_addr);
    bind(s, reinterpret_cast<sockaddr*>(&own), sizeof own);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(quint16(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ADD_FAILURE() << "connect to port " << port;
        close(s);
        return -1;
    }
    timeval tv{timeoutSeconds, 0};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    return s;
}

bool sendAll(int s, const QByteArray& data) {
    for (qsizetype sent = 0; sent < data.size();) {
        const ssize_t n = send(s, data.constData() + sent, size_t(data.size() - sent), MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += n;
    }
    return true;
}

int halfSentRequest(int port) {
    const int s = connectLoopback(port);
    if (s >= 0 && !sendAll(s, "POST /rpc HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: applic")) ADD_FAILURE() << "send";
    return s;
}

int acceptedConnections(int port) {
    // One line a socket: "sl local rem st tx:rx tr:when retrnsmt uid timeout inode ...",
    // addresses as HEXIP:HEXPORT. A connection still waiting to be accepted has no inode.
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly)) return -1;
    const QByteArray local = ':' + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    int accepted = 0;
    table.readLine();  // the heading
    for (QByteArray line = table.readLine(); !line.isEmpty(); line = table.readLine()) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() > 9 && f[1].endsWith(local) && f[3] == "01" && f[9] != "0") ++accepted;
    }
    return accepted;
}

}  // namespace cot::testing
