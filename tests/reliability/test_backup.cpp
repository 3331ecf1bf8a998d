// The server's --backup copies a live SQLite database while clients save; --restore brings
// it back as a sound database holding every save acknowledged before the backup began, and
// refuses to overwrite a database a server is using.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <set>
#include <thread>

#include "server/rpc/method_registry.h"
#include "server/storage/database.h"
#include "support/screen_widgets.h"
#include "support/shell_process.h"
#include "support/test_server.h"
#include "support/wait_until.h"

using namespace cot;
using namespace cot::testing;

namespace {

struct ServerRun {
    int exitCode = -1;
    QString out;
};

ServerRun server(const QStringList& args) {
    ensureApplication();  // binaryPath() looks next to this test, through the application object
    QProcess p;
    p.start(binaryPath("cot05000-server"), args);
    if (!p.waitForFinished(120000)) p.kill();
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
}

TEST(Backup, ACopyTakenWhileClientsSaveHoldsEverySaveAcknowledgedBeforeIt) {
    TestServer live(
        {.seed = true,
         .prepare = [](server::Database& db) { db.exec("CREATE TABLE GRAVACAO (ID INTEGER NOT NULL PRIMARY KEY)"); },
         .methods =
             [](server::MethodRegistry& r) {
                 r.add("TestGrava", 1, server::AccessRule::session(),
                       [](server::MethodContext& ctx, const server::Args& args) -> server::Reply {
                           ctx.db.exec("INSERT INTO GRAVACAO (ID) VALUES (:ID)", {{"ID", args.integer(0)}});
                           return QJsonValue(true);
                       });
             }});
    std::mutex mutex;
    std::set<qint64> acknowledged;
    std::atomic<bool> stop{false};
    std::vector<std::thread> clients;
    for (int c = 0; c < 4; ++c)
        clients.emplace_back([&, c] {
            auto net = live.newConnection();
            for (qint64 i = 0; !stop; ++i) {
                const qint64 id = c * 1000000 + i;
                if (net->call("TestGrava", {id}).ok) {
                    std::lock_guard lock(mutex);
                    acknowledged.insert(id);
                }
            }
        });
    std::set<qint64> beforeBackup;
    const bool savedEnough = waitUntil([&] {
        std::lock_guard lock(mutex);
        beforeBackup = acknowledged;
        return beforeBackup.size() >= 200;
    });
    QTemporaryDir dir;
    const QString copy = dir.filePath("copia.db");
    const ServerRun backup = server({"--db", live.databaseUrl(), "--backup", copy});
    stop = true;
    for (auto& t : clients) t.join();
    ASSERT_TRUE(savedEnough) << "the clients saved too little";
    ASSERT_EQ(backup.exitCode, 0) << backup.out.toStdString();
    EXPECT_FALSE(QFile::exists(copy + ".parcial"));

    // Restoring over the live database is refused: its server is running.
    const ServerRun overLive = server({"--db", live.databaseUrl(), "--restore", copy});
    EXPECT_EQ(overLive.exitCode, 1);
    EXPECT_TRUE(overLive.out.contains("está em uso por um servidor")) << overLive.out.toStdString();

    const QString restored = dir.filePath("restaurado.db");
    const ServerRun restore = server({"--db", "sqlite:" + restored, "--restore", copy});
    ASSERT_EQ(restore.exitCode, 0) << restore.out.toStdString();
    auto db = server::Database::open("sqlite:" + restored);
    EXPECT_EQ(db->scalar("PRAGMA integrity_check").toString(), "ok");
    std::set<qint64> present;
    for (const QVariantList& row : db->query("SELECT ID FROM GRAVACAO").rows) present.insert(row.value(0).toLongLong());
    for (const qint64 id : beforeBackup) ASSERT_TRUE(present.count(id)) << "save " << id << " lost";
    EXPECT_GT(db->scalar("SELECT COUNT(*) FROM PROPOSTAFAS").toInt(), 10);
}

TEST(Backup, WhatIsNotASoundCopyOfThisSystemIsNeverRestored) {
    QTemporaryDir dir;
    const QString target = dir.filePath("alvo.db");
    QFile junk(dir.filePath("lixo.db"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly) && junk.write(QByteArray(8192, 'x')) == 8192);
    junk.close();
    const QString other = dir.filePath("outro.db");
    server::Database::open("sqlite:" + other)->exec("CREATE TABLE X (A INTEGER)");
    // Junk, another program's database, nothing at all.
    for (const QString& copy : {junk.fileName(), other, dir.filePath("nada.db")}) {
        const ServerRun refused = server({"--db", "sqlite:" + target, "--restore", copy});
        EXPECT_EQ(refused.exitCode, 1) << refused.out.toStdString();
        EXPECT_FALSE(QFile::exists(target));
        EXPECT_TRUE(copy != other || refused.out.contains("não é uma cópia deste sistema")) << refused.out.toStdString();
    }
    EXPECT_EQ(server({"--db", "postgresql://u@127.0.0.1:1/x", "--backup", dir.filePath("c.db")}).exitCode, 2);
}

}  // namespace
