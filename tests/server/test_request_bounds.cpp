// What an anonymous client can make the server spend: compressed bodies that inflate without
// end, huge batches, batches of sign-ins and web pages posting to it. Spoken over raw sockets,
// as such a client would (heads left half-sent: trust/test_http_limits.cpp).
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>

#include "server/rpc/access_rule.h"
#include "server/rpc/reply.h"
#include "server/rpc/request_limits.h"
#include "server/rpc/server_config.h"
#include "support/process_memory.h"
#include "support/raw_socket.h"
#include "support/test_server.h"

using namespace cot;
using namespace cot::server;
using namespace cot::testing;

namespace {

// `block` repeated `times` times, gzipped.
QByteArray gzip(const QByteArray& block, int times = 1) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
    QByteArray out;
    char buffer[65536];
    for (int i = 0; i < times; ++i) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(block.constData()));
        z.avail_in = uInt(block.size());
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            deflate(&z, i + 1 == times ? Z_FINISH : Z_NO_FLUSH);
            out.append(buffer, qsizetype(sizeof buffer - z.avail_out));
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return out;
}

QByteArray chunked(const QByteArray& body) {
    QByteArray out;
    for (qsizetype i = 0; i < body.size(); i += 16384) {
        const QByteArray part = body.mid(i, 16384);
        out += QByteArray::number(part.size(), 16) + "\r\n" + part + "\r\n";
    }
    return out + "0\r\n\r\n";
}

// Runs of TestMega, a method answering a megabyte.
std::atomic<int> megaRuns{0};

class RequestBounds : public ::testing::Test {
protected:
    // One page is allowed, as written in the configuration.
    RequestBounds()
        : server_({.seed = true,
                   .threads = 16,
                   .methods =
                       [](MethodRegistry& r) {
                           r.add("TestMega", 0, AccessRule::open(), [](MethodContext&, const Args&) -> Reply {
                               ++megaRuns;
                               return QString(1 << 20, u'x');
                           });
                       },
                   .configure =
                       [](ServerConfig& c) {
                           c.allowedOrigins =
                               ServerConfig::fromArgs(
                                   {"--allowed-origin", "https://Intranet.exemplo.com.br/, http://localhost:8080"}, {},
                                   {})
                                   .allowedOrigins;
                       }}) {
        megaRuns = 0;
    }
    int sessionsOf(const QString& op) {
        return server_.db().scalar("SELECT COUNT(*) FROM SESSAO WHERE CDOPERADOR = :OP", {{"OP", op}}).toInt();
    }
    TestServer server_;
};

TEST_F(RequestBounds, BodiesOverTheLimitAreRefusedEarlyWithBoundedMemory) {
    // 300 MB of JSON whitespace in about 300 KB.
    const QByteArray bomb = gzip(QByteArray(1 << 20, ' '), 300);
    ASSERT_LT(bomb.size(), 1 << 20);
    const QByteArray zipped = "Content-Encoding: gzip";
    const std::pair<const char*, QByteArray> cases[] = {
        {"gzip, with its length", httpRequest(bomb, {kJsonType, zipped})},
        {"gzip, chunked", httpRequest(chunked(bomb), {kJsonType, zipped, "Transfer-Encoding: chunked"})},
        {"plain text, chunked, over the limit", httpRequest(chunked(QByteArray(9 << 20, ' ')), {kJsonType, "Transfer-Encoding: chunked"})},
        {"a declared length over the limit, before the body is sent",
         "POST /rpc HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\nContent-Length: 9437184\r\n\r\n"},
    };
    for (const auto& [what, bytes] : cases) {
        const qint64 before = resetPeakKb();
        const HttpAnswer a = exchange(server_.port(), bytes);
        EXPECT_EQ(std::tuple(a.status, a.json().value("error").toObject().value("code").toInt(), a.errorText()),
                  std::tuple(413, -32600, QString("Requisição grande demais: o limite é de 8 MB."))) << what;
        EXPECT_LT(a.ms, 5000) << what;
        EXPECT_TRUE(a.closedAfter) << what << ": the unread rest must not be taken for a request";
        // The server runs in this process: its peak is ours.
        if (kPeakIsTheProgramsOwn && before > 0) {
            EXPECT_LT(statusKb("VmHWM:") - before, 64 * 1024) << what << ": KB over the limit";
        }
    }
    const HttpAnswer healthy = exchange(server_.port(), "GET /health HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_TRUE(healthy.status == 200 && healthy.ms < 1000) << healthy.ms << " ms: " << healthy.head.constData();
    // Just under the limit is read and answered as usual.
    QByteArray body = rpcBody("GetDataHoraServ");
    body += QByteArray(int(request_limits::kMaxBody) - body.size(), ' ');
    const HttpAnswer near = exchange(server_.port(), httpRequest(body, {kJsonType, "Authorization: Bearer " + server_.token()}));
    EXPECT_EQ(near.status, 200);
    EXPECT_TRUE(near.json().contains("result")) << near.body.left(300).constData();
}

TEST_F(RequestBounds, LongBatchesAreRefusedAsOneErrorAndShortOnesStayBounded) {
    // Two million entries in 4 MB of text, a few kilobytes compressed.
    const QByteArray many = "[" + QByteArray("0,").repeated(1999999) + "0]";
    const HttpAnswer refused = exchange(server_.port(), httpRequest(gzip(many), {kJsonType, "Content-Encoding: gzip"}));
    EXPECT_EQ(std::tuple(refused.status, refused.json().value("error").toObject().value("code").toInt(), refused.errorText()),
              std::tuple(200, -32600, QString("Lote com mais de 100 requisições: envie no máximo 100 por vez.")));
    EXPECT_LT(refused.body.size(), 300);

    // At the limit every entry is answered; the answer is a few kilobytes.
    const HttpAnswer answered = exchange(server_.port(), httpRequest("[0" + QByteArray(",0").repeated(99) + "]"));
    EXPECT_EQ(QJsonDocument::fromJson(answered.body).array().size(), 100);
    EXPECT_LT(answered.body.size(), 100 * 100);
    // Large results: past the reply's limit the remaining entries are not run.
    const HttpReply big = server_.post("[" + rpcBody("TestMega") + QByteArray("," + rpcBody("TestMega")).repeated(99) + "]");
    EXPECT_EQ(megaRuns.load(), int(request_limits::kMaxBatchReply >> 20));  // the one that passed it included
    EXPECT_LT(big.body.size(), request_limits::kMaxBatchReply + (2 << 20));
    const QJsonArray entries = QJsonDocument::fromJson(big.body).array();
    ASSERT_EQ(entries.size(), 100);
    EXPECT_TRUE(entries.last().toObject().value("error").toObject().value("message").toString().startsWith(
        "Não executada: a resposta do lote ficou grande demais"));
    // Commas inside texts and nested arrays are not entries.
    EXPECT_EQ(request_limits::batchLength(R"( [ {"a":"x,y,z"}, [1,2,3], "q\",r" ] )", 100), 3);
    EXPECT_EQ(request_limits::batchLength(R"({"a":[1,2]})", 100), -1);
    EXPECT_EQ(request_limits::batchLength("[]", 100), 0);
}

TEST_F(RequestBounds, OnlyJsonIsTakenNoWebPageButAnAllowedOneAndNoSignInInABatch) {
    const QString badType = "Tipo de conteúdo não aceito: envie application/json.", badOrigin = "Origem não permitida.";
    const std::tuple<QList<QByteArray>, int, QString> refused[] = {
        {{"Content-Type: text/plain"}, 415, badType},
        {{"Content-Type: application/x-www-form-urlencoded"}, 415, badType},
        {{}, 415, badType},
        {{kJsonType, "Origin: https://pagina.exemplo.com"}, 403, badOrigin},
        {{"Content-Type: text/plain", "Origin: null"}, 403, badOrigin},
        {{kJsonType, "Origin: http://localhost:8081"}, 403, badOrigin},
    };
    for (const auto& [headers, status, text] : refused) {
        const HttpAnswer a = exchange(server_.port(), httpRequest(rpcBody("AbreSessao", {"GERENTE", "gerente"}), headers));
        EXPECT_EQ(std::pair(a.status, a.errorText()), std::pair(status, text)) << headers.join(" | ").constData();
    }
    // A sign-in is refused inside a batch, before any password is checked, but works alone.
    const QByteArray batch = "[" + rpcBody("AbreSessao", {"GERENTE", "gerente"}, 1) + "," +
                             rpcBody("AbreSessao", {"GERENTE", "errada"}, 2) + "]";
    const HttpAnswer inBatch = exchange(server_.port(), httpRequest(batch));
    EXPECT_LT(inBatch.ms, 250) << "no password was checked";
    const QJsonArray entries = QJsonDocument::fromJson(inBatch.body).array();
    ASSERT_EQ(entries.size(), 2) << inBatch.body.constData();
    for (const auto& e : entries)
        EXPECT_EQ(e.toObject().value("error").toObject().value("message").toString(),
                  "AbreSessao não é aceita em lote: envie-a numa requisição própria.");
    EXPECT_EQ(sessionsOf("GERENTE"), 0) << "a refused request runs nothing";
    const HttpAnswer alone = exchange(server_.port(), httpRequest(rpcBody("AbreSessao", {"GERENTE", "gerente"})));
    EXPECT_FALSE(alone.json().value("result").toObject().value("token").toString().isEmpty()) << alone.body.constData();
    EXPECT_EQ(sessionsOf("GERENTE"), 1);
    // The browser's preflight for a page not allowed goes the same way.
    EXPECT_EQ(exchange(server_.port(), httpRequest({}, {"Origin: https://pagina.exemplo.com"}, "OPTIONS")).status, 403);

    for (const QByteArray type : {"application/json", "application/json; charset=utf-8", "Application/JSON;charset=UTF-8"}) {
        const HttpAnswer a = exchange(server_.port(), httpRequest(rpcBody("GetDataHoraServ"), {"Content-Type: " + type,
                                                                                  "Authorization: Bearer " + server_.token()}));
        EXPECT_EQ(std::pair(a.status, a.closedAfter), std::pair(200, false)) << type.constData() << ": answered and kept alive";
    }
    // The page allowed may call and read the answer.
    const QByteArray origin = "Origin: https://intranet.exemplo.com.br",
                     allowed = "Access-Control-Allow-Origin: https://intranet.exemplo.com.br";
    const HttpAnswer preflight = exchange(server_.port(), httpRequest({}, {origin}, "OPTIONS"));
    EXPECT_EQ(preflight.status, 204);
    EXPECT_TRUE(preflight.head.contains(allowed) && preflight.head.contains("Access-Control-Allow-Headers: Authorization, Content-Type"))
        << preflight.head.constData();
    const HttpAnswer answered = exchange(server_.port(), httpRequest(rpcBody("Nada"), {kJsonType, origin}));
    EXPECT_TRUE(answered.status == 200 && answered.head.contains(allowed)) << answered.head.constData();
}

}  // namespace
