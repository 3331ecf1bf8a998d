// The request log: one line per request saying who called what, how long it took and how it
// ended, and nothing a reader of the log could misuse.
#include <QRegularExpression>
#include <sys/socket.h>
#include <unistd.h>

#include "server/auth/sign_in_methods.h"
#include "server/methods/register_methods.h"
#include "server/rpc/json_rpc.h"
#include "server/rpc/request_log.h"
#include "support/raw_socket.h"
#include "support/test_server.h"

using namespace cot;
using namespace cot::server;

namespace {

// Every method behind a dispatcher of the test's own, over the demo data.
class RequestLog : public ::testing::Test, public DatabaseSource {
protected:
    RequestLog() { registerAllMethods(registry); registerSignInMethods(registry, {}); }
    Database& get() override { return server.db(); }
    void discard() override {}

    cot::testing::TestServer server{{.seed = true}};
    MethodRegistry registry;
    const JsonRpcDispatcher dispatcher{registry};
    DatabaseSource& databases = *this;
};

TEST_F(RequestLog, NamesOperatorMethodAndOutcomeButNeverPasswordTokenOrArguments) {
    // The line of one request (number 1, 1 ms) whose body is `body`.
    const auto line = [&](const QByteArray& body, const QByteArray& authorization = {}) {
        return requestLine(1, dispatcher.answer(body, databases, authorization).summary, 1);
    };
    const RpcAnswer signIn = dispatcher.answer(
        R"({"jsonrpc":"2.0","id":1,"method":"AbreSessao","params":[" vendedor ","vendedor"]})", databases, {}, "10.0.0.7");
    const QString token = QJsonDocument::fromJson(signIn.body).object()["result"].toObject()["token"].toString();
    ASSERT_FALSE(token.isEmpty());
    const QString signInLine = requestLine(41, signIn.summary, 12.34);
    EXPECT_TRUE(signInLine.contains(" req=41 ip=10.0.0.7 op=- entrada=VENDEDOR met=AbreSessao 12.3ms ok"))
        << signInLine.toStdString();
    EXPECT_FALSE(signInLine.contains("vendedor") || signInLine.contains(token)) << "the password, the token";

    const RpcAnswer list = dispatcher.answer(R"({"jsonrpc":"2.0","id":2,"method":"GetProposta","params":["0001","T"]})",
                                             databases, "Bearer " + token.toLatin1(), "10.0.0.7");
    const QString listLine = requestLine(42, list.summary, 3);
    EXPECT_TRUE(listLine.contains(" req=42 ip=10.0.0.7 op=VENDEDOR met=GetProposta 3.0ms ok") && !listLine.contains("0001"))
        << listLine.toStdString() << ": arguments stay out";

    // A batch: the methods in order, how many failed and the first error.
    const QString batchLine = line(R"([{"jsonrpc":"2.0","id":1,"method":"GetParamPerc","params":[]},)"
                                   R"({"jsonrpc":"2.0","id":2,"method":"Nada\n; DROP TABLE X","params":[]},)"
                                   R"({"jsonrpc":"2.0","id":3,"method":"GetProposta","params":["0002","T"]}])",
                                   "Bearer " + token.toLatin1());
    EXPECT_TRUE(batchLine.contains("met=GetParamPerc,?,GetProposta 1.0ms erros 1/3 (primeiro -32601)") && !batchLine.contains('\n'))
        << batchLine.toStdString();

    // Without a session, and a body that is no JSON at all.
    EXPECT_TRUE(line(R"({"jsonrpc":"2.0","id":4,"method":"GetParamPerc","params":[]})").endsWith("met=GetParamPerc 1.0ms erro -32001"));
    EXPECT_TRUE(line("{x").endsWith("ip=- op=- met=- 1.0ms erro -32700"));

    // Every sign-in names its operator, refused or not.
    const QString wrong = line(R"({"jsonrpc":"2.0","id":1,"method":"AbreSessao","params":["gerente","s3nh4-errada"]})");
    EXPECT_TRUE(wrong.contains("op=- entrada=GERENTE met=AbreSessao") && wrong.endsWith("erro -32000") && !wrong.contains("s3nh4"))
        << wrong.toStdString();
    // Whatever the client writes there: cut to the size of an operator code, one line, no spaces.
    const QString odd = line(R"({"jsonrpc":"2.0","id":1,"method":"AbreSessao","params":["  ab cd\nef=gh ijklmnopq","x"]})");
    EXPECT_TRUE(odd.contains(" entrada=AB?CD?EF?GH? met=")) << odd.toStdString();
    EXPECT_TRUE(line(R"({"jsonrpc":"2.0","id":1,"method":"AbreSessao","params":[]})").contains(" entrada=- met="));
    // Refused in a batch, still named.
    const QString inBatch = line(R"([{"jsonrpc":"2.0","id":1,"method":"AbreSessao","params":["assist","assist"]}])");
    EXPECT_TRUE(inBatch.contains("entrada=ASSIST met=AbreSessao")) << inBatch.toStdString();
    EXPECT_EQ(signInName(QJsonValue(1234.0)), "1234");
}

// A client that stops sending its body is answered 408 once the read times out.
TEST(RequestLogLines, RequestsRefusedBeforeAnyMethodHaveTheirLineWithTheAddress) {
    auto server = std::make_unique<cot::testing::TestServer>(cot::testing::TestServerOptions{.seed = true, .logRequests = true});
    ::testing::internal::CaptureStderr();
    const int s = cot::testing::connectLoopback(server->port(), 30);
    ASSERT_TRUE(cot::testing::sendAll(s, "POST /rpc HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
                                         "Content-Length: 100\r\n\r\n{\"jsonrpc\":"));
    char stopped[64] = {};
    EXPECT_GT(::recv(s, stopped, sizeof stopped - 1, 0), 0);
    ::close(s);
    EXPECT_TRUE(QByteArray(stopped).startsWith("HTTP/1.1 408")) << stopped;
    const HttpReply plain = httpPost("127.0.0.1", server->port(), "/rpc",
                                     R"({"jsonrpc":"2.0","id":1,"method":"GetDataHoraServ","params":[]})", "text/plain");
    const HttpReply unknownPath = httpGet("127.0.0.1", server->port(), "/admin");
    server->call("GetDataHoraServ");
    // The last lines are written after the answer: once the server has stopped, its
    // connections have ended and every line is out.
    server.reset();
    const QString log = QString::fromStdString(::testing::internal::GetCapturedStderr());
    EXPECT_EQ(std::pair(plain.status, unknownPath.status), std::pair(415, 404));
    for (const auto& [before, status] : {std::pair(R"( req=\d+)", "415"), std::pair("", "404"), std::pair("", "408")})
        EXPECT_TRUE(log.contains(
            QRegularExpression(QString(R"(%1 ip=127\.0\.0\.1 op=- met=- [\d.]+ms recusada %2\n)").arg(before, status))))
            << status << log.toStdString();
    EXPECT_TRUE(log.contains(QRegularExpression(R"( ip=127\.0\.0\.1 op=VENDEDOR met=GetDataHoraServ [\d.]+ms ok\n)")))
        << log.toStdString();
}

}  // namespace
