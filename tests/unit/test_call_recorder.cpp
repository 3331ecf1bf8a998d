// The screen tests' call recorder: what it reports of the calls of a connection, a hook
// that fails a call, and a recorder that outlives its connection or loses it to another
// observer. Calls go to a port where nothing listens: the observer is told before sending.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "rpc/net_connection.h"
#include "support/call_recorder.h"

using namespace cot;
using cot::testing::CallRecorder;

namespace {

std::unique_ptr<NetConnection> nowhere() {
    auto net = std::make_unique<NetConnection>();
    net->setPort(1);  // nothing listens on a privileged port here
    return net;
}

TEST(CallRecorder, ReportsTheCallsInOrderAndAHookThatThrowsReachesTheCaller) {
    auto net = nowhere();
    CallRecorder calls(*net);
    int seen = -1;
    calls.setOnCall([&](const QString& method, const QVariantList& args) {
        seen = calls.count(method);
        if (args.value(0) == "falha") throw std::runtime_error("indisponível");
    });
    net->call("GetLinProd", {"2", "01"});
    EXPECT_EQ(seen, 1) << "the hook runs after the call is recorded";
    net->call("ValidaOrdem", {"2", 7});
    EXPECT_THROW(net->call("GetLinProd", {"falha", "02"}), std::runtime_error);
    EXPECT_EQ(net->calls(), 3);

    EXPECT_EQ(calls.methods(), (QStringList{"GetLinProd", "ValidaOrdem", "GetLinProd"}));
    EXPECT_EQ((QList<int>{calls.count("GetLinProd"), calls.indexOf("ValidaOrdem"), calls.indexOf("SetProposta")}),
              (QList<int>{2, 1, -1}));
    EXPECT_EQ((QList<QVariantList>{calls.firstArgs("GetLinProd"), calls.lastArgs("GetLinProd"), calls.lastArgs("SetProposta"),
                                   calls.argOfEach("GetLinProd", 1), calls.value(1).args}),
              (QList<QVariantList>{{"2", "01"}, {"falha", "02"}, {}, {"01", "02"}, {"2", 7}}));
    EXPECT_TRUE(calls.value(3).method.isEmpty());

    // Attaching again starts over; a detached recorder hears nothing.
    calls.setOnCall({});
    calls.attach(*net);
    EXPECT_TRUE(calls.isEmpty());
    calls.detach();
    net->call("GetServico");
    EXPECT_TRUE(calls.isEmpty());
}

TEST(CallRecorder, OutlivesItsConnectionAndLeavesAnotherObserverAlone) {
    {
        auto net = nowhere();
        auto calls = std::make_unique<CallRecorder>(*net);
        net.reset();
        EXPECT_FALSE(calls->attached());
    }  // the recorder's detach touches no freed connection (address sanitizer builds)

    auto net = nowhere();
    int other = 0;
    {
        CallRecorder calls(*net);
        net->setCallObserver([&](const QString&, const QVariantList&) { ++other; });
        EXPECT_FALSE(calls.attached());
        net->call("GetServico");
        EXPECT_TRUE(calls.isEmpty());
    }
    net->call("GetServico");
    EXPECT_EQ(other, 2) << "the recorder's end did not take the other observer away";

    // A second recorder on the same connection takes over from the first.
    CallRecorder first(*net), second(*net);
    net->call("GetServico");
    EXPECT_FALSE(first.attached());
    EXPECT_TRUE(first.isEmpty());
    EXPECT_EQ(second.size(), 1);
}

}  // namespace
