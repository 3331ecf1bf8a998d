// SIGTERM stops the server process within seconds, whatever its requests are doing, and
// what they had not committed is not in the database afterwards.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <thread>
#include <vector>

#include "server/storage/database.h"
#include "support/raw_socket.h"
#include "support/screen_widgets.h"
#include "support/server_process.h"
#include "support/wait_until.h"

using namespace cot;
using namespace cot::testing;

namespace {

// The threads of the process that sleep on a timer, as SQLite does between tries while
// another writer holds the database (the server's own threads otherwise wait on locks and
// sockets): where the kernel says each thread waits.
QSet<QString> threadsSleeping(qint64 pid) {
    QSet<QString> sleeping;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile wchan(tasks.filePath(task + QStringLiteral("/wchan")));
        if (wchan.open(QIODevice::ReadOnly) && wchan.readAll().contains("nanosleep")) sleeping.insert(task);
    }
    return sleeping;
}

TEST(ServerStop, SigtermEndsTheProcessWithinSecondsAndLeavesNothingHalfDone) {
    ensureApplication();  // the server's binary is found next to this test
    QTemporaryDir dir;
    const QString url = QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("cot.db"));
    auto server = std::make_unique<ServerProcess>(url);
    ASSERT_GT(server->port(), 0);
    const int port = server->port();
    // A sanitizer's runtime may nap in a thread of its own from the start.
    const QSet<QString> napping = threadsSleeping(server->pid());

    // Another writer holds the database, so a sign-in (which writes) waits inside its
    // transaction; and clients that stopped half-way hold connections.
    auto holder = server::Database::open(url);
    holder->begin();
    holder->exec("INSERT INTO GRUPOPER (CDGRUPOPER, NMGRUPOPER) VALUES ('ZZZ', 'trava')");
    std::vector<int> stalled;
    for (int i = 0; i < 8; ++i) stalled.push_back(halfSentRequest(port));
    std::thread signIn([port] { rpcCallJson(port, "AbreSessao", {"GERENTE", "gerente"}); });
    EXPECT_TRUE(waitUntil([&] { return !(threadsSleeping(server->pid()) - napping).isEmpty(); }))
        << "the sign-in never waited for the database";

    QElapsedTimer elapsed;
    elapsed.start();
    server->stop();  // SIGTERM; SIGKILL only after 10 s
    EXPECT_FALSE(server->running());
    EXPECT_LT(elapsed.elapsed(), 8000) << "the server did not stop on SIGTERM";
    signIn.join();
    for (int s : stalled) close(s);
    holder->rollback();

    EXPECT_EQ(holder->scalar("SELECT COUNT(*) FROM SESSAO WHERE CDOPERADOR = 'GERENTE'").toInt(), 0)
        << "the interrupted sign-in left a session";
    EXPECT_EQ(holder->scalar("PRAGMA integrity_check").toString(), "ok");
    holder.reset();

    server = std::make_unique<ServerProcess>(url, QStringList{"--no-seed"});
    ASSERT_GT(server->port(), 0) << "the server does not start again on its file";
    EXPECT_FALSE(server->openSession("GERENTE", "gerente").isEmpty());

    // With nothing running, it stops at once.
    elapsed.restart();
    server->stop();
    EXPECT_LT(elapsed.elapsed(), 3000);
}

}  // namespace
