// The server's clock: GetDataHoraServ on both engines, and the desktop's clock that reads
// it once and carries it forward without asking again.
#include <QJsonArray>

#include "server/rpc/method_registry.h"
#include "base/clock.h"
#include "services/server_date.h"
#include "server_cases_b.h"

using namespace cot;

namespace {

class ServerDateTest : public ::testing::TestWithParam<Backend> {
protected:
    void TearDown() override { Clock::setCurrent(nullptr); }
};

TEST_P(ServerDateTest, TheMethodAnswersTheServersClockAsTheTransportWritesDates) {
    TestServer server({.backend = GetParam()});
    EXPECT_EQ(server.call("GetDataHoraServ").value("result").toString(), "2026-12-06T10:00:00.000");

    Clock::setCurrent(std::make_shared<FixedClock>(QDateTime(QDate(2027, 2, 28), QTime(23, 59, 59, 250))));
    server.connection().setToken(server.openSession(server.operatorCode()));  // the first one is long gone
    const RpcResult r = server.connection().call("GetDataHoraServ");
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.value.toString(), "2027-02-28T23:59:59.250");

    const QJsonObject refused = server.call("GetDataHoraServ", {"0001"});
    EXPECT_EQ(refused.value("error").toObject().value("code").toInt(), -32602);
}

COT_ON_EVERY_BACKEND(ServerDateTest);

TEST(ServerClock, CarriesTheServersTimeForwardByTheLocalCounterAlone) {
    qint64 ticks = 5'000;
    const ServerClock clock(QDateTime(QDate(2026, 12, 31), QTime(23, 0)), 5'000, [&] { return ticks; });
    EXPECT_EQ(clock.now(), QDateTime(QDate(2026, 12, 31), QTime(23, 0)));
    ticks += 59 * 60'000 + 59'999;
    EXPECT_EQ(clock.now(), QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59, 999)));
    ticks += 1;
    EXPECT_EQ(clock.today(), QDate(2027, 1, 1)) << "the server's midnight, not the desktop's";
    ticks += 40LL * 86'400'000;
    EXPECT_EQ(clock.today(), QDate(2027, 2, 10));
    EXPECT_EQ(clock.now().timeSpec(), Qt::LocalTime) << "compared with dates built on the desktop";
}

TEST(ServerDate, SynchroniseInstallsTheServersClockOrLeavesTheClockAsItWas) {
    // The desktop's own clock is days away from the server's.
    auto own = std::make_shared<FixedClock>(QDateTime(QDate(2026, 10, 1), QTime(8, 0)));
    Clock::setCurrent(own);
    // In this process the server reads the same clock slot: answer from a clock of its own.
    TestServer remote({.fixedClock = false, .methods = [](server::MethodRegistry& r) {
                           r.add("GetDataHoraServ", 0, server::AccessRule::session(), [](server::MethodContext&, const server::Args&) -> QJsonValue {
                               return "2026-12-06T10:00:00.000";
                           });
                       }});
    EXPECT_EQ(ServerDate::synchronise(remote.connection()), "");
    const Clock& now = Clock::current();
    ASSERT_NE(dynamic_cast<const ServerClock*>(&now), nullptr);
    EXPECT_EQ(now.today(), QDate(2026, 12, 6));
    EXPECT_LT(qAbs(now.now().secsTo(QDateTime(QDate(2026, 12, 6), QTime(10, 0)))), 5);

    // Out of reach, or an answer that is no date: the reason comes back, the clock stays.
    Clock::setCurrent(own);
    NetConnection nowhere;
    nowhere.setHost("127.0.0.1");
    nowhere.setPort(1);
    EXPECT_FALSE(ServerDate::synchronise(nowhere).isEmpty());
    EXPECT_EQ(&Clock::current(), own.get());
    TestServer odd({.fixedClock = false, .methods = [](server::MethodRegistry& r) {
                        r.add("GetDataHoraServ", 0, server::AccessRule::session(),
                              [](server::MethodContext&, const server::Args&) -> QJsonValue { return "amanhã"; });
                    }});
    EXPECT_EQ(ServerDate::synchronise(odd.connection()), "Data e hora inválidas do servidor de aplicação: \"amanhã\".");
    EXPECT_EQ(&Clock::current(), own.get());
    Clock::setCurrent(nullptr);
}

}  // namespace
