#include "support/raw_socket.h"

#include <QJsonDocument>
#include <QList>

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

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

HttpAnswer readAnswer(int s, const QElapsedTimer& since, int closeWaitMs) {
    HttpAnswer a;
    QByteArray in;
    char buffer[65536];
    qsizetype headEnd = -1, length = -1;
    for (;;) {
        if (headEnd < 0 && (headEnd = in.indexOf("\r\n\r\n")) >= 0) {
            a.head = in.left(headEnd);
            a.status = a.head.mid(9, 3).toInt();
            for (const QByteArray& line : a.head.split('\n'))
                if (line.toLower().startsWith("content-length:")) length = line.mid(15).trimmed().toLongLong();
        }
        if (headEnd >= 0 && in.size() - headEnd - 4 >= std::max<qsizetype>(length, 0)) break;
        const ssize_t n = recv(s, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        in.append(buffer, qsizetype(n));
    }
    if (headEnd >= 0) a.body = in.mid(headEnd + 4, length);
    a.ms = since.isValid() ? since.elapsed() : 0;
    if (closeWaitMs <= 0) return a;
    timeval shortWait{closeWaitMs / 1000, (closeWaitMs % 1000) * 1000};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &shortWait, sizeof shortWait);
    errno = 0;  // an orderly close leaves it as it was
    const ssize_t last = recv(s, buffer, 1, 0);
    a.closedAfter = last == 0 || (last < 0 && errno != EAGAIN);
    return a;
}

HttpAnswer exchange(int port, const QByteArray& bytes, const char* address, int closeWaitMs) {
    QElapsedTimer t;
    t.start();
    const int s = connectFrom(address, port);
    sendAll(s, bytes);
    HttpAnswer a = readAnswer(s, t, closeWaitMs);
    close(s);
    return a;
}

const QByteArray kJsonType = "Content-Type: application/json";

QByteArray httpRequest(const QByteArray& body, const QList<QByteArray>& headers, const QByteArray& method) {
    QByteArray r = method + " /rpc HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    for (const QByteArray& h : headers) r += h + "\r\n";
    if (!headers.join().toLower().contains("transfer-encoding")) r += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    return r + "\r\n" + body;
}

QByteArray rpcBody(const QString& method, const QJsonArray& params, int id) {
    return QJsonDocument(QJsonObject{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}})
        .toJson(QJsonDocument::Compact);
}

QByteArray signedInCall(const QByteArray& token, const QString& method) {
    return httpRequest(rpcBody(method), {kJsonType, "Authorization: Bearer " + token});
}

}  // namespace cot::testing
