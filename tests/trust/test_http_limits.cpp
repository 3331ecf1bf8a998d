// What one client without an account can do to the server over HTTP: endless or slow
// heads, many connections from one address, a flood of the client's page, a reply it
// never reads. Each is bounded and answered, and the others are served meanwhile.
#include <QJsonArray>
#include <QJsonDocument>
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
using namespace cot::testing;

namespace {

// The status of `request` sent whole from `address`.
int statusFrom(const char* address, int port, const QByteArray& request = "GET /health HTTP/1.1\r\nHost: x\r\n\r\n") {
    return exchange(port, request, address, 0).status;
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

TestServer limitedServer(std::function<void(HttpLimits&)> limits) {
    return TestServer({.seed = true, .configure = [limits](ServerConfig& c) { limits(c.limits); }});
}

}  // namespace

// A head whose lines never end is refused at its size, and the server's memory stays put
// however long the client goes on.
TEST(HttpLimits, AnEndlessHeadIsRefused431WithinItsSize) {
    TestServer server = limitedServer([](HttpLimits&) {});
    const QByteArray line = "X-Enche: " + QByteArray(8 * 1024, 'a') + "\r\n";
    const qint64 before = resetPeakKb();
    const int s = connectFrom("127.0.0.1", server.port());
    sendAll(s, "POST /rpc HTTP/1.1\r\nHost: x\r\n");
    qint64 sent = 0;
    while (sent < (qint64(64) << 20) && sendAll(s, line)) sent += line.size();
    EXPECT_LT(sent, qint64(16) << 20) << "the server read on";
    const HttpAnswer refused = readAnswer(s);
    EXPECT_EQ(std::pair(refused.status, refused.closedAfter), std::pair(431, true));
    close(s);
    EXPECT_LT(statusKb("VmHWM:") - before, 16 * 1024) << "KB over the peak before";

    // Many short lines: the count is bounded too.
    QByteArray many = "GET /health HTTP/1.1\r\nHost: x\r\n";
    for (int i = 0; i < HttpLimits{}.headerLines + 1; ++i) many += "X-" + QByteArray::number(i) + ": 1\r\n";
    EXPECT_EQ(statusFrom("127.0.0.1", server.port(), many + "\r\n"), 431);
}

// A head that trickles in is cut at its deadline whatever its pace, and connections past
// an address's cap are turned away at once; another address is served all along, calls that
// need a database thread included.
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
    // A call needing a database thread is answered at once meanwhile.
    const HttpAnswer json = exchange(server.port(), signedInCall(server.token(), "GetDataHoraServ"), "127.0.0.2", 0);
    EXPECT_TRUE(json.json().contains("result") && json.ms < 1000) << json.ms << " ms: " << json.body.constData();
    for (int i = 0; i < 5; ++i) {
        for (int s : trickling) sendAll(s, "X: 1\r\n");
        EXPECT_EQ(statusFrom("127.0.0.2", server.port()), 200) << "round " << i;
    }
    int refused408 = 0;
    for (int s : trickling) {
        const int status = readAnswer(s, {}, 0).status;
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
    HttpAnswer last;
    for (int i = 0; i < 7; ++i) statuses << (last = exchange(server.port(), get, "127.0.0.1", 0)).status;
    EXPECT_EQ(statuses, (QList<int>{404, 404, 404, 404, 404, 429, 429}));
    EXPECT_TRUE(last.head.contains("Retry-After: 10")) << last.head.constData();
    EXPECT_EQ(statusFrom("127.0.0.2", server.port(), get), 404);
}

// A list of about 60 MB written while it is sent. A client that leaves after its first piece,
// or that never reads (let go at the write deadline), frees the database thread writing it
// for him: the only one, so another call proves it. Read to the end, the list is whole.
TEST(HttpLimits, AReplyLeftHalfReadOrNeverReadFreesItsDatabaseThread) {
    TestServer server({.seed = true,
                       .threads = 1,
                       .methods =
                           [](MethodRegistry& r) {
                               r.add("ListaLonga", 0, AccessRule::session(), [](MethodContext&, const Args&) {
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
                           },
                       .configure = [](ServerConfig& c) { c.limits.writeSeconds = 3; }});
    const QByteArray list = signedInCall(server.token(), "ListaLonga"), clock = signedInCall(server.token(), "GetDataHoraServ");
    for (int round = 0; round < 3; ++round) {
        const int s = connectFrom("127.0.0.1", server.port());
        sendAll(s, list);
        char buffer[65536];
        EXPECT_GT(recv(s, buffer, sizeof buffer, 0), 0);
        close(s);  // after the first piece
    }
    // Well within the write deadline: the thread did not wait for readers that are gone.
    const HttpAnswer answered = exchange(server.port(), clock, "127.0.0.1", 0);
    EXPECT_TRUE(answered.json().contains("result")) << answered.body.constData();
    EXPECT_LT(answered.ms, 2000);

    const int s = connectFrom("127.0.0.1", server.port());
    int small = 4096;
    setsockopt(s, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sendAll(s, list);
    EXPECT_EQ(statusFrom("127.0.0.2", server.port(), clock), 200) << "the database thread was let go";
    close(s);
    EXPECT_EQ(QJsonDocument::fromJson(server.post(rpcBody("ListaLonga")).body).object().value("result").toArray().size(), 200001);
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
        const auto status = [&] { return statusFrom("127.0.0.2", server.port(), signedInCall(server.token(), "GetDataHoraServ")); };
        EXPECT_TRUE(waitUntil([&] { return status() == 503; })) << "what is held fills the bound";
        close(held.back());
        held.pop_back();
        EXPECT_TRUE(waitUntil([&] { return status() == 200; })) << "what went frees its share";
        for (int s : held) close(s);
    }
}
