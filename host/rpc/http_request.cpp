#include "rpc/http_request.h"

#include <httplib.h>

namespace cot {

namespace {

httplib::Client makeClient(const QString& host, int port, int timeoutSeconds) {
    httplib::Client client(host.toStdString(), port);
    client.set_connection_timeout(timeoutSeconds);
    client.set_read_timeout(timeoutSeconds);
    client.set_write_timeout(timeoutSeconds);
    client.set_decompress(false);
    return client;
}

HttpReply toReply(const httplib::Result& res) {
    if (!res) return {};
    return {res->status, QByteArray(res->body.data(), qsizetype(res->body.size())),
            QByteArray::fromStdString(res->get_header_value("Content-Encoding"))};
}

}  // namespace

HttpReply httpGet(const QString& host, int port, const QString& path, int timeoutSeconds) {
    auto client = makeClient(host, port, timeoutSeconds);
    return toReply(client.Get(path.toStdString()));
}

HttpReply httpPost(const QString& host, int port, const QString& path, const QByteArray& body,
                   const QString& contentType, int timeoutSeconds, const QString& acceptEncoding,
                   const QByteArray& bearerToken) {
    auto client = makeClient(host, port, timeoutSeconds);
    httplib::Headers headers{{"Accept-Encoding", acceptEncoding.toStdString()}};
    if (!bearerToken.isEmpty()) headers.emplace("Authorization", "Bearer " + bearerToken.toStdString());
    return toReply(client.Post(path.toStdString(), headers, body.constData(), size_t(body.size()),
                               contentType.toStdString()));
}

}  // namespace cot
