// A session that ends while the operator works: the desktop renews it (the shell asks for
// the password again) and sends the refused call again, so nothing typed is lost.
#include "rpc/rpc_channel.h"
#include "server_cases_b.h"

using namespace cot;

namespace {

class SessionRenewal : public ::testing::Test {
protected:
    void TearDown() override {
        rpc_channel::setSessionRenewer({});
        rpc_channel::setSessionToken({});
    }
    // A connection presenting the desktop's session, which the server has just ended; the
    // operator asked again renews it (`renews`) or gives up.
    std::unique_ptr<NetConnection> desktopConnection(bool renews) {
        const QByteArray ended = server.openSession("VENDEDOR");
        server.callAs(ended, "FechaSessao");
        rpc_channel::setSessionToken(ended);
        rpc_channel::setSessionRenewer([this, renews] {
            ++asked;
            if (renews) rpc_channel::setSessionToken(server.openSession("VENDEDOR"));
            return renews;
        });
        auto net = std::make_unique<NetConnection>();
        net->setPort(server.port());
        return net;
    }
    TestServer server{{.seed = true}};
    int asked = 0;
};

TEST_F(SessionRenewal, AnEndedSessionIsRenewedOnceAndTheRefusedSaveSentAgain) {
    auto net = desktopConnection(true);
    const auto package = [&] {
        return server.db().scalar("SELECT VRPACOTESERV FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N", {{"N", nr(2)}}).toDouble();
    };
    const double before = package();
    const Delta change{{{"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2},
                        {"VRPACOTESERV", FieldType::Float, 0}},
                       {{ChangeOp::Update, {nr(2), "01", before}, {nr(2), "01", before + 10}}}};
    const RpcResult saved = net->call("SetProposta", {QVariant::fromValue(change)});
    ASSERT_TRUE(saved.ok) << saved.error.toStdString();
    EXPECT_EQ(asked, 1);
    EXPECT_DOUBLE_EQ(package(), before + 10) << "applied once";
    EXPECT_EQ(net->calls(), 1) << "one call for whoever watches the screen's calls";
    EXPECT_TRUE(net->call("GetParamPerc").ok);
    EXPECT_EQ(asked, 1) << "the new session goes on";
}

TEST_F(SessionRenewal, WhenTheOperatorGivesUpTheCallFailsAsBefore) {
    auto net = desktopConnection(false);
    EXPECT_EQ(net->call("GetParamPerc").code, RpcResult::kSessionEnded);
    EXPECT_EQ(asked, 1);
    // A connection with its own token (tools, tests) is never renewed behind its back.
    NetConnection own;
    own.setPort(server.port());
    own.setToken(QByteArray(43, 'A'));
    EXPECT_EQ(own.call("GetParamPerc").code, RpcResult::kSessionEnded);
    EXPECT_EQ(asked, 1);
}

}  // namespace
