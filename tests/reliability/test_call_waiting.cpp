// Calls made on the UI thread run on a worker while the windows keep painting: a long list
// leaves the event loop free, the busy window's "Cancelar" abandons a call still arriving,
// and a server that falls silent is given up with a message saying so.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "base/errors.h"
#include "rpc/net_connection.h"
#include "server/rpc/reply.h"
#include "support/screen_widgets.h"
#include "support/scripted_dialogs.h"
#include "support/test_server.h"
#include "ui/busy_animation.h"

namespace cot::testing {
namespace {

// A list of `rows` rows of ten columns, sent in 64 KB pieces; the server holds back after
// the piece `holdAt` (when >= 0) until the test lets it go.
struct SlowList {
    int rows = 0;
    int holdAt = -1;
    std::shared_ptr<std::atomic<bool>> released = std::make_shared<std::atomic<bool>>(false);
};

QByteArray listText(int rows) {
    Packet p;
    for (int c = 0; c < 10; ++c) p.fields << FieldDef{QString("CAMPO%1").arg(c), c % 2 ? FieldType::Float : FieldType::String, 40};
    for (int r = 0; r < rows; ++r) {
        p.rows << QVariantList();
        for (int c = 0; c < 10; ++c)
            p.rows.last() << (c % 2 ? QVariant(r * 1.25 + c)
                                    : QVariant(QString("Proposta nº %1 — coluna %2").arg(r).arg(c)));
    }
    QByteArray out;
    server::packetResult(p).writeTo(out);
    return out;
}

class CallWaitingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensureApplication(); }

    void SetUp() override {
        server_ = std::make_unique<TestServer>(TestServerOptions{
            .seed = true, .methods = [this](server::MethodRegistry& r) {
                r.add("TesteLista", 0, server::AccessRule::session(), [this](server::MethodContext&, const server::Args&) {
                    SlowList list;
                    {
                        std::lock_guard lock(listMutex_);
                        list = list_;
                    }
                    const QByteArray text = listText(list.rows);
                    return server::Reply::streamed([text, list](QByteArray& out, const server::Reply::Pace& pace) {
                        constexpr qsizetype kPiece = 64 * 1024;
                        for (qsizetype at = 0, piece = 0; at < text.size(); at += kPiece, ++piece) {
                            out.append(text.mid(at, kPiece));
                            pace(out);
                            if (piece == list.holdAt)
                                while (!*list.released) std::this_thread::sleep_for(std::chrono::milliseconds(5));
                        }
                    });
                });
            }});
    }
    void TearDown() override {
        *list_.released = true;
        server_.reset();
    }

    // The test thread sets the list the server's threads send.
    void setList(SlowList list) {
        std::lock_guard lock(listMutex_);
        list_ = std::move(list);
    }
    // The list given back once the call is over: the server's hold let go, a short list next.
    void shortListNext(int rows) {
        *list_.released = true;
        setList({.rows = rows});
    }

    ScriptedDialogs dialogs_;
    ScriptedDialogs::Scope scope_{dialogs_};
    std::mutex listMutex_;
    SlowList list_;
    std::unique_ptr<TestServer> server_;
};

TEST_F(CallWaitingTest, CancelledOrGivenUpWhileArrivingAppliesNothingAndLeavesTheConnectionUsable) {
    setList({.rows = 20000, .holdAt = 3});
    NetConnection& net = server_->connection();
    int busyCode = 0;
    // A timer during the wait (as the list's decision poll) finds the connection taken.
    QTimer::singleShot(50, [&] { busyCode = net.call("GetDataHoraServ").code; });
    QTimer cancelWhenOffered;  // the busy window's "Cancelar", clicked once it shows
    QObject::connect(&cancelWhenOffered, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* b = w->findChild<QPushButton*>("btnCancelar");
                w->objectName() == "frmShowAvi" && w->isVisible() && b && b->isVisible())
                return QTest::mouseClick(b, Qt::LeftButton);
    });
    cancelWhenOffered.start(20);
    EXPECT_THROW(net.getPacket("TesteLista"), Abort) << "nothing applied";
    cancelWhenOffered.stop();
    EXPECT_FALSE(*list_.released) << "the call returned while the server was still sending";
    EXPECT_EQ(busyCode, RpcResult::kBusy);
    EXPECT_TRUE(dialogs_.errors().isEmpty()) << dialogs_.errors().join('\n').toStdString();
    EXPECT_FALSE(busyWindowVisible());
    EXPECT_FALSE(net.busy());

    shortListNext(3);
    EXPECT_EQ(net.getPacket("TesteLista").rows.size(), 3);

    // A server that falls silent mid-list is given up with a message saying so.
    setList({.rows = 20000, .holdAt = 0});
    net.setReadTimeout(1);
    const RpcResult silent = net.call("TesteLista");
    EXPECT_EQ(std::pair(silent.code, silent.error),
              std::pair(int(RpcResult::kConnectionFailed),
                        QStringLiteral("O servidor de aplicação em 127.0.0.1:%1 não respondeu em 1 segundo.").arg(server_->port())));
    shortListNext(2);
    net.setReadTimeout(NetConnection::kDefaultReadTimeoutSeconds);
    EXPECT_EQ(net.getPacket("TesteLista").rows.size(), 2);
}

TEST_F(CallWaitingTest, ACallOnAnotherConnectionDuringAWaitIsAnsweredWhileTheFirstStillWaits) {
    setList({.rows = 20000, .holdAt = 3});
    auto other = server_->newConnection();
    RpcResult nested;
    bool answeredWhileHeld = false;
    // The list is let go only after the nested call, or by the fallback should that call
    // wait behind the list's (the test then fails instead of hanging).
    QTimer::singleShot(50, [&] {
        nested = other->call("GetDataHoraServ");
        answeredWhileHeld = !*list_.released;
        *list_.released = true;
    });
    QTimer::singleShot(10000, [released = list_.released] { *released = true; });
    const Packet list = server_->connection().getPacket("TesteLista");
    EXPECT_TRUE(nested.ok) << nested.error.toStdString();
    EXPECT_TRUE(answeredWhileHeld);
    EXPECT_EQ(list.rows.size(), 20000);
}

TEST_F(CallWaitingTest, ALargeListArrivingNeverBlocksTheUiThread) {
    setList({.rows = 60000});
    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = std::max(longest, clock.elapsed() - last);
        last = clock.elapsed();
    });
    tick.start(15);
    clock.start();
    const Packet list = server_->connection().getPacket("TesteLista");
    longest = std::max(longest, clock.elapsed() - last);
    tick.stop();
    ASSERT_EQ(list.rows.size(), 60000);
    EXPECT_EQ(list.rows[59999][0].toString(), QStringLiteral("Proposta nº 59999 — coluna 0"));
    EXPECT_LT(longest, 100) << "ms without an event on the UI thread, in a call of " << clock.elapsed() << " ms";
}

}  // namespace
}  // namespace cot::testing
