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
    EXPECT_EQ(server.connection().call("GetDataHoraServ").value.toString(), "2027-02-28T23:59:59.250");

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

// Out of reach, or an answer that is no date: the reason comes back and the desktop's clock
// stays. (A good answer installing the server's clock is the sign-in screens' to check.)
TEST(ServerDate, SynchroniseLeavesTheClockAsItWasWhenTheServersTimeCannotBeRead) {
    auto own = std::make_shared<FixedClock>(QDateTime(QDate(2026, 10, 1), QTime(8, 0)));
    Clock::setCurrent(own);
    NetConnection nowhere;
    nowhere.setHost("127.0.0.1");
    nowhere.setPort(1);
    EXPECT_FALSE(ServerDate::synchronise(nowhere).isEmpty());
    EXPECT_EQ(&Clock::current(), own.get());
    // In this process the server reads the same clock slot: it answers from a method of its own.
    TestServer odd({.fixedClock = false, .methods = [](server::MethodRegistry& r) {
                        r.add("GetDataHoraServ", 0, server::AccessRule::session(),
                              [](server::MethodContext&, const server::Args&) -> QJsonValue { return "amanhã"; });
                    }});
    EXPECT_EQ(ServerDate::synchronise(odd.connection()), "Data e hora inválidas do servidor de aplicação: \"amanhã\".");
    EXPECT_EQ(&Clock::current(), own.get());
    Clock::setCurrent(nullptr);
}

}  // namespace
