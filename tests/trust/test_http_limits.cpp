// What one client without an account can do to the server over HTTP: endless or slow
// heads, many connections from one address, a flood of the client's page, a reply it
// never reads. Each is bounded and answered, and the others are served meanwhile.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "server/rpc/access_rule.h"
#include "server/rpc/method_registry.h"
#include "server/rpc/reply.h"
#include "server/rpc/server_config.h"
#include "support/process_memory.h"
#include "support/raw_socket.h"
#include "support/test_server.h"
#include "support/wait_until.h"

using namespace cot;
using namespace cot::server;
using cot::testing::connectFrom;
using cot::testing::sendAll;
using cot::testing::TestServer;
using cot::testing::waitUntil;

namespace {


// The status line and headers of the answer on `s` (empty when the server closed first).
QByteArray answerHead(int s) {
    QByteArray in;
    char buffer[4096];
    while (!in.contains("\r\n\r\n")) {
        const ssize_t n = recv(s, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        in.append(buffer, qsizetype(n));
    }
    return in.left(in.indexOf("\r\n\r\n"));
}
int statusOf(const QByteArray& head) { return head.mid(9, 3).toInt(); }

// Whether the server closed `s` (after whatever it still had to say).
bool closedByServer(int s) {
    char buffer[4096];
    ssize_t n;
    while ((n = recv(s, buffer, sizeof buffer, 0)) > 0) {
    }
    return n == 0 || errno == ECONNRESET;
}

// The status of `request` sent whole from `address`.
int statusFrom(const char* address, int port, const QByteArray& request = "GET /health HTTP/1.1\r\nHost: x\r\n\r\n") {
    const int s = connectFrom(address, port, 10);
    sendAll(s, request);
    const int status = statusOf(answerHead(s));
    close(s);
    return status;
}

// A JSON-RPC call of `method` without arguments, in the session `token`.
QByteArray rpcCall(const QByteArray& token, const char* method) {
    const QByteArray body = R"({"jsonrpc":"2.0","id":1,"method":")" + QByteArray(method) + R"(","params":[]})";
    return "POST /rpc HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\nAuthorization: Bearer " + token +
           "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

// Raises this process's descriptors to what the system allows; how many connections fit,
// both ends in this process, up to `wanted`.
int connectionsThatFit(int wanted) {
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    const rlim_t room = limit.rlim_cur > 256 ? (limit.rlim_cur - 256) / 2 : 0;
    return int(std::min<rlim_t>(rlim_t(wanted), room));
}

TestServer limitedServer(std::function<void(HttpLimits&)> limits, int threads = 8) {
    return TestServer({.seed = true, .threads = threads, .configure = [limits](ServerConfig& c) { limits(c.limits); }});
}

}  // namespace

// A head whose lines never end is refused at its size, and the server's memory stays put
// however long the client goes on.
TEST(HttpLimits, AnEndlessHeadIsRefused431WithinItsSize) {
    TestServer server = limitedServer([](HttpLimits&) {});
    const QByteArray line = "X-Enche: " + QByteArray(8 * 1024, 'a') + "\r\n";
    const qint64 before = cot::testing::resetPeakKb();
    const int s = connectFrom("127.0.0.1", server.port());
    sendAll(s, "POST /rpc HTTP/1.1\r\nHost: x\r\n");
    qint64 sent = 0;
    while (sent < (qint64(64) << 20) && sendAll(s, line)) sent += line.size();
    EXPECT_LT(sent, qint64(16) << 20) << "the server read on";
    EXPECT_EQ(statusOf(answerHead(s)), 431);
    EXPECT_TRUE(closedByServer(s));
    close(s);
    EXPECT_LT(cot::testing::statusKb("VmHWM:") - before, 16 * 1024) << "KB over the peak before";

    // Many short lines: the count is bounded too.
    QByteArray many = "GET /health HTTP/1.1\r\nHost: x\r\n";
    for (int i = 0; i < HttpLimits{}.headerLines + 1; ++i) many += "X-" + QByteArray::number(i) + ": 1\r\n";
    EXPECT_EQ(statusFrom("127.0.0.1", server.port(), many + "\r\n"), 431);
}

// A head that trickles in is cut at its deadline whatever its pace, and connections past
// an address's cap are turned away at once; another address is served all along.
TEST(HttpLimits, TricklingHeadsFromOneAddressHoldNeitherTheServerNorOthers) {
    const int count = connectionsThatFit(1000);
    ASSERT_GT(count, 2 * HttpLimits{}.perAddress) << "too few descriptors for the test";
    TestServer server = limitedServer([](HttpLimits& l) { l.headSeconds = 2; });
    std::vector<int> trickling;
    int turnedAway = 0;
    for (int i = 0; i < count; ++i) {
        const int s = connectFrom("127.0.0.1", server.port(), 5);
        if (s < 0) break;
        trickling.push_back(s);
        sendAll(s, "POST /rpc HTTP/1.1\r\n");
    }
    for (int i = 0; i < 5; ++i) {
        for (int s : trickling) sendAll(s, "X: 1\r\n");
        EXPECT_EQ(statusFrom("127.0.0.2", server.port()), 200) << "round " << i;
    }
    int refused408 = 0;
    for (int s : trickling) {
        const int status = statusOf(answerHead(s));
        refused408 += status == 408;
        turnedAway += status == 503;
        close(s);
    }
    // The test server's own client may hold one of the address's places.
    EXPECT_GE(refused408, HttpLimits{}.perAddress - 1);
    EXPECT_EQ(refused408 + turnedAway, count);
    EXPECT_EQ(statusFrom("127.0.0.1", server.port()), 200) << "the address is served again once its connections went";
}

// The client's page is paced per address: a flood of unknown links is answered 429 with
// the time to wait, before the database is asked, while another address goes on.
TEST(HttpLimits, TheClientPageIsPacedPerAddress) {
    TestServer server = limitedServer([](HttpLimits& l) {
        l.pageBurst = 5;
        l.pagePerMinute = 6;
    });
    const QByteArray get = "GET /cliente/" + QByteArray(43, 'A') + " HTTP/1.1\r\nHost: x\r\n\r\n";
    QList<int> statuses;
    for (int i = 0; i < 6; ++i) statuses << statusFrom("127.0.0.1", server.port(), get);
    const int s = connectFrom("127.0.0.1", server.port());
    sendAll(s, get);
    const QByteArray last = answerHead(s);
    close(s);
    EXPECT_EQ(statuses << statusOf(last), (QList<int>{404, 404, 404, 404, 404, 429, 429}));
    EXPECT_TRUE(last.contains("Retry-After: 10")) << last.constData();
    EXPECT_EQ(statusFrom("127.0.0.2", server.port(), get), 404);
}

// A client that asks for a long list and never reads it is let go at the write deadline,
// and the database thread writing the list with it: the only one, so another call proves it.
TEST(HttpLimits, AReplyNobodyReadsIsAbandonedAndItsDatabaseThreadFreed) {
    TestServer server({.seed = true,
                       .threads = 1,
                       .methods =
                           [](MethodRegistry& r) {
                               r.add("ListaLonga", 0, AccessRule::session(), [](MethodContext&, const Args&) {
                                   return Reply::streamed([](QByteArray& out, const Reply::Pace& pace) {
                                       const QByteArray row = '"' + QByteArray(300, 'x') + "\",";
                                       out += '[';
                                       for (int i = 0; i < 1000000; ++i) {
                                           out += row;
                                           pace(out);
                                       }
                                       out += "0]";
                                   });
                               });
                           },
                       .configure = [](ServerConfig& c) { c.limits.writeSeconds = 1; }});
    const int s = connectFrom("127.0.0.1", server.port());
    int small = 4096;
    setsockopt(s, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sendAll(s, rpcCall(server.token(), "ListaLonga"));
    EXPECT_EQ(statusFrom("127.0.0.2", server.port(), rpcCall(server.token(), "GetDataHoraServ")), 200)
        << "the database thread was let go";
    close(s);
}

// Connections in all, and bodies waiting whole for a database thread, are bounded whoever holds
// them: past the bound another address is turned away, and served again once one held goes.
TEST(HttpLimits, TheConnectionsAndTheBodiesHeldAtOnceAreBounded) {
    const QByteArray big = "POST /rpc HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\nContent-Length: " +
                           QByteArray::number(8 << 20) + "\r\n\r\n[";
    const struct {
        const char* what;
        std::function<void(HttpLimits&)> limits;
        int held;
        QByteArray sent;
    } cases[] = {{"connections", [](HttpLimits& l) { l.connections = 10, l.perAddress = 100; }, 10, {}},
                 {"bodies", [](HttpLimits& l) { l.bodyMegabytes = 16; }, 2, big}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestServer server = limitedServer(c.limits);
        std::vector<int> held;
        for (int i = 0; i < c.held; ++i) {
            held.push_back(connectFrom("127.0.0.1", server.port()));
            sendAll(held.back(), c.sent);
        }
        const auto status = [&] { return statusFrom("127.0.0.2", server.port(), rpcCall(server.token(), "GetDataHoraServ")); };
        EXPECT_TRUE(waitUntil([&] { return status() == 503; })) << "what is held fills the bound";
        close(held.back());
        held.pop_back();
        EXPECT_TRUE(waitUntil([&] { return status() == 200; })) << "what went frees its share";
        for (int s : held) close(s);
    }
}
