// What an anonymous client can make the server spend: compressed bodies that inflate without
// end, huge batches, batches of sign-ins, connections left half-sent, and web pages posting to
// it. Spoken over raw sockets, as such a client would.
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <atomic>
#include <cerrno>
#include <vector>

#include "server/rpc/access_rule.h"
#include "server/rpc/reply.h"
#include "server/rpc/request_limits.h"
#include "server/rpc/rpc_server.h"
#include "server/rpc/server_config.h"
#include "support/process_memory.h"
#include "support/raw_socket.h"
#include "support/test_server.h"
#include "support/wait_until.h"

using namespace cot;
using namespace cot::server;
using namespace cot::testing;

namespace {

struct Answer {
    int status = 0;
    QByteArray head, body;
    bool closedAfter = false;  // the server closed the connection after answering
    qint64 ms = 0;             // from the first byte sent to the last byte of the answer
    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
    QString errorText() const { return json().value("error").toObject().value("message").toString(); }
};

// Reads one answer with a Content-Length, then whether the server closes the connection.
Answer readAnswer(int s, const QElapsedTimer& since) {
    Answer a;
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
    a.ms = since.elapsed();
    timeval shortWait{1, 0};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &shortWait, sizeof shortWait);
    errno = 0;  // an orderly close leaves it as it was
    a.closedAfter = recv(s, buffer, 1, 0) <= 0 && errno != EAGAIN;
    return a;
}

const QByteArray kJson = "Content-Type: application/json";

QByteArray request(const QByteArray& body, const QList<QByteArray>& headers = {kJson}, const QByteArray& method = "POST") {
    QByteArray r = method + " /rpc HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    for (const QByteArray& h : headers) r += h + "\r\n";
    if (!headers.join().toLower().contains("transfer-encoding")) r += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    return r + "\r\n" + body;
}

Answer exchange(int port, const QByteArray& bytes) {
    QElapsedTimer t;
    t.start();
    const int s = connectLoopback(port);
    sendAll(s, bytes);
    Answer a = readAnswer(s, t);
    close(s);
    return a;
}

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

// A JSON request of the session `token`.
QByteArray signedIn(const QByteArray& body, const QByteArray& token) { return request(body, {kJson, "Authorization: Bearer " + token}); }

QByteArray call(const QString& method, const QJsonArray& params = {}, int id = 1) {
    return QJsonDocument(QJsonObject{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}})
        .toJson(QJsonDocument::Compact);
}

// Runs of TestMega, a method answering a megabyte.
std::atomic<int> megaRuns{0};

class RequestBounds : public ::testing::Test {
protected:
    RequestBounds() : server_({.seed = true, .threads = 16, .methods = [](MethodRegistry& r) {
        r.add("TestMega", 0, AccessRule::open(), [](MethodContext&, const Args&) -> Reply {
            ++megaRuns;
            return QString(1 << 20, u'x');
        });
    }}) { megaRuns = 0; }
    void expectHealthy() {
        const Answer a = exchange(server_.port(), "GET /health HTTP/1.1\r\nHost: x\r\n\r\n");
        EXPECT_EQ(a.status, 200) << a.head.constData();
        EXPECT_LT(a.ms, 1000) << "a quick request waited";
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
        {"gzip, with its length", request(bomb, {kJson, zipped})},
        {"gzip, chunked", request(chunked(bomb), {kJson, zipped, "Transfer-Encoding: chunked"})},
        {"plain text, chunked, over the limit", request(chunked(QByteArray(9 << 20, ' ')), {kJson, "Transfer-Encoding: chunked"})},
        {"a declared length over the limit, before the body is sent",
         "POST /rpc HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\nContent-Length: 9437184\r\n\r\n"},
    };
    for (const auto& [what, bytes] : cases) {
        const qint64 before = resetPeakKb();
        const Answer a = exchange(server_.port(), bytes);
        EXPECT_EQ(std::tuple(a.status, a.json().value("error").toObject().value("code").toInt(), a.errorText()),
                  std::tuple(413, -32600, QString("Requisição grande demais: o limite é de 8 MB."))) << what;
        EXPECT_LT(a.ms, 5000) << what;
        EXPECT_TRUE(a.closedAfter) << what << ": the unread rest must not be taken for a request";
        // The server runs in this process: its peak is ours.
        if (kPeakIsTheProgramsOwn && before > 0) {
            EXPECT_LT(statusKb("VmHWM:") - before, 64 * 1024) << what << ": KB over the limit";
        }
    }
    expectHealthy();
    // Just under the limit is read and answered as usual.
    QByteArray body = call("GetDataHoraServ");
    body += QByteArray(int(request_limits::kMaxBody) - body.size(), ' ');
    const Answer near = exchange(server_.port(), signedIn(body, server_.token()));
    EXPECT_EQ(near.status, 200);
    EXPECT_TRUE(near.json().contains("result")) << near.body.left(300).constData();
}

TEST_F(RequestBounds, LongBatchesAreRefusedAsOneErrorAndShortOnesStayBounded) {
    // Two million entries in 4 MB of text, a few kilobytes compressed.
    const QByteArray many = "[" + QByteArray("0,").repeated(1999999) + "0]";
    const Answer refused = exchange(server_.port(), request(gzip(many), {kJson, "Content-Encoding: gzip"}));
    EXPECT_EQ(std::tuple(refused.status, refused.json().value("error").toObject().value("code").toInt(), refused.errorText()),
              std::tuple(200, -32600, QString("Lote com mais de 100 requisições: envie no máximo 100 por vez.")));
    EXPECT_LT(refused.body.size(), 300);

    // At the limit every entry is answered; the answer is a few kilobytes.
    const Answer answered = exchange(server_.port(), request("[0" + QByteArray(",0").repeated(99) + "]"));
    EXPECT_EQ(QJsonDocument::fromJson(answered.body).array().size(), 100);
    EXPECT_LT(answered.body.size(), 100 * 100);
    // Large results: past the reply's limit the remaining entries are not run.
    const HttpReply big = server_.post("[" + call("TestMega") + QByteArray("," + call("TestMega")).repeated(99) + "]");
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

TEST_F(RequestBounds, HalfSentRequestsDoNotHoldUpOthers) {
    // As many as one address may hold, but the one the healthy requests below take.
    const int count = HttpLimits{}.perAddress - 1;
    std::vector<int> stalled;
    for (int i = 0; i < count; ++i) {
        stalled.push_back(connectLoopback(server_.port()));
        sendAll(stalled.back(), "POST /rpc HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Ty");
    }
    QElapsedTimer sinceStalled;
    sinceStalled.start();
    // Every one of them taken up by the server before the healthy request comes.
    ASSERT_TRUE(waitUntil([&] { return acceptedConnections(server_.port()) >= count; }))
        << acceptedConnections(server_.port()) << " taken up";
    expectHealthy();
    const Answer a = exchange(server_.port(), signedIn(call("GetDataHoraServ"), server_.token()));
    EXPECT_TRUE(a.json().contains("result")) << a.body.constData();
    EXPECT_LT(a.ms, 1000);
    // Nor are they kept long: the server lets a head go once its deadline has passed.
    char buffer[4096];
    ssize_t got = 0;
    while ((got = recv(stalled.front(), buffer, sizeof buffer, 0)) > 0) {
    }
    EXPECT_EQ(got, 0) << "still open";
    EXPECT_LT(sinceStalled.elapsed(), (HttpLimits{}.headSeconds + 2) * 1000);
    for (int s : stalled) close(s);
}

TEST(StreamedAnswers, AClientLeavingMidwayFreesTheDatabaseThread) {
    // A list written while it is sent, of about 60 MB.
    TestServer server({.seed = true, .threads = 1, .methods = [](MethodRegistry& r) {
        r.add("TestLongList", 0, AccessRule::session(), [](MethodContext&, const Args&) {
            return Reply::streamed([](QByteArray& out, const Reply::Pace& pace) {
                const QByteArray row = '"' + QByteArray(300, 'x') + "\",";
                out += '[';
                for (int i = 0; i < 200000; ++i) {
                    out += row;
                    if (pace) pace(out);
                }
                out += "0]";
            });
        });
    }});
    for (int round = 0; round < 3; ++round) {
        const int s = connectLoopback(server.port());
        sendAll(s, signedIn(call("TestLongList"), server.token()));
        char buffer[65536];
        EXPECT_GT(recv(s, buffer, sizeof buffer, 0), 0);
        close(s);  // after the first piece
    }
    // The one database thread is free again: it did not wait for readers that are gone.
    const Answer clock = exchange(server.port(), signedIn(call("GetDataHoraServ"), server.token()));
    EXPECT_TRUE(clock.json().contains("result")) << clock.body.constData();
    EXPECT_LT(clock.ms, 2000);
    // Read to the end, the list is whole.
    const HttpReply whole = server.post(call("TestLongList"));
    EXPECT_EQ(QJsonDocument::fromJson(whole.body).object().value("result").toArray().size(), 200001);
}

TEST_F(RequestBounds, OnlyJsonIsTakenNoWebPageUnlessAllowedAndNoSignInInABatch) {
    const QString badType = "Tipo de conteúdo não aceito: envie application/json.", badOrigin = "Origem não permitida.";
    const std::tuple<QList<QByteArray>, int, QString> refused[] = {
        {{"Content-Type: text/plain"}, 415, badType},
        {{"Content-Type: application/x-www-form-urlencoded"}, 415, badType},
        {{}, 415, badType},
        {{kJson, "Origin: https://pagina.exemplo.com"}, 403, badOrigin},
        {{"Content-Type: text/plain", "Origin: null"}, 403, badOrigin},
    };
    for (const auto& [headers, status, text] : refused) {
        const Answer a = exchange(server_.port(), request(call("AbreSessao", {"GERENTE", "gerente"}), headers));
        EXPECT_EQ(std::pair(a.status, a.errorText()), std::pair(status, text)) << headers.join(" | ").constData();
    }
    // A sign-in is refused inside a batch, before any password is checked, but works alone.
    const QByteArray batch = "[" + call("AbreSessao", {"GERENTE", "gerente"}, 1) + "," + call("AbreSessao", {"GERENTE", "errada"}, 2) + "]";
    const Answer inBatch = exchange(server_.port(), request(batch));
    EXPECT_LT(inBatch.ms, 250) << "no password was checked";
    const QJsonArray entries = QJsonDocument::fromJson(inBatch.body).array();
    ASSERT_EQ(entries.size(), 2) << inBatch.body.constData();
    for (const auto& e : entries)
        EXPECT_EQ(e.toObject().value("error").toObject().value("message").toString(),
                  "AbreSessao não é aceita em lote: envie-a numa requisição própria.");
    EXPECT_EQ(sessionsOf("GERENTE"), 0) << "a refused request runs nothing";
    const Answer alone = exchange(server_.port(), request(call("AbreSessao", {"GERENTE", "gerente"})));
    EXPECT_FALSE(alone.json().value("result").toObject().value("token").toString().isEmpty()) << alone.body.constData();
    EXPECT_EQ(sessionsOf("GERENTE"), 1);
    // The browser's preflight for a page not allowed goes the same way.
    EXPECT_EQ(exchange(server_.port(), request({}, {"Origin: https://pagina.exemplo.com"}, "OPTIONS")).status, 403);

    for (const QByteArray type : {"application/json", "application/json; charset=utf-8", "Application/JSON;charset=UTF-8"}) {
        const Answer a = exchange(server_.port(), request(call("GetDataHoraServ"), {"Content-Type: " + type,
                                                                                  "Authorization: Bearer " + server_.token()}));
        EXPECT_EQ(std::pair(a.status, a.closedAfter), std::pair(200, false)) << type.constData() << ": answered and kept alive";
    }
}

TEST(AllowedOrigins, AConfiguredPageMayCallAndReadTheAnswer) {
    QTemporaryDir dir;
    RpcServer server(ServerConfig::fromArgs({"--db", "sqlite:" + dir.filePath("cot.db"), "--port", "0", "--allowed-origin",
                                             "https://Intranet.exemplo.com.br/, http://localhost:8080"}, {}, {}));
    server.start();
    const QByteArray origin = "Origin: https://intranet.exemplo.com.br";
    const Answer preflight = exchange(server.port(), request({}, {origin}, "OPTIONS"));
    EXPECT_EQ(preflight.status, 204);
    EXPECT_TRUE(preflight.head.contains("Access-Control-Allow-Origin: https://intranet.exemplo.com.br"));
    EXPECT_TRUE(preflight.head.contains("Access-Control-Allow-Headers: Authorization, Content-Type"));
    const Answer a = exchange(server.port(), request(call("Nada"), {kJson, origin}));
    EXPECT_EQ(a.status, 200);
    EXPECT_TRUE(a.head.contains("Access-Control-Allow-Origin: https://intranet.exemplo.com.br"));
    EXPECT_EQ(exchange(server.port(), request(call("Nada"), {kJson, "Origin: http://localhost:8081"})).status, 403);
    server.stop();
}

}  // namespace
