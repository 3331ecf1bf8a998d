// Proposal numbers handed out under concurrent calls from several desktops.
#include <QSet>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

#include "rpc/net_connection.h"
#include "support/test_server.h"

using namespace cot;
using cot::testing::Backend;
using cot::testing::TestServer;

namespace {

// The number as the screen reads it: a text or a number, or the first value of a packet.
QString numberOf(const QVariant& v) {
    if (v.typeId() == qMetaTypeId<Packet>()) {
        const Packet p = v.value<Packet>();
        return p.rows.isEmpty() ? QString() : p.rows[0].value(0).toString();
    }
    return v.toString();
}

class NumberingTest : public ::testing::TestWithParam<Backend> {};

TEST_P(NumberingTest, ConcurrentCallsNeverShareANumber) {
    TestServer server({.backend = GetParam(), .seed = true});
    constexpr int kThreads = 8;
    constexpr int kCalls = 200;
    std::mutex mutex;
    QStringList numbers, errors;
    std::vector<std::thread> desktops;
    for (int t = 0; t < kThreads; ++t) {
        desktops.emplace_back([&] {
            auto net = server.newConnection();
            QStringList mine, failed;
            for (int i = 0; i < kCalls; ++i) {
                const RpcResult r = net->call("PrxProposta");
                if (r.ok) mine << numberOf(r.value);
                else failed << r.error;
            }
            std::lock_guard lock(mutex);
            numbers << mine;
            errors << failed;
        });
    }
    for (auto& d : desktops) d.join();

    EXPECT_TRUE(errors.isEmpty()) << errors.value(0).toStdString();
    EXPECT_EQ(numbers.size(), kThreads * kCalls);
    const QSet<QString> distinct(numbers.cbegin(), numbers.cend());
    EXPECT_EQ(distinct.size(), kThreads * kCalls);
    EXPECT_FALSE(distinct.contains(QString()));
}

INSTANTIATE_TEST_SUITE_P(Db, NumberingTest, ::testing::ValuesIn(cot::testing::availableBackends()),
                         cot::testing::backendName);

}  // namespace
