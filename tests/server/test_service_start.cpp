// The real cot05000-server under a service manager: READY=1 only once the database is
// migrated and the socket listens, STOPPING=1 at stop, exit code 3 for a database newer
// than the program, a failed copy before migrating stopping the start, and a log file that
// logrotate can move away (SIGHUP opens it again; without a log file SIGHUP changes nothing).
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "server/migrations/migrations.h"
#include "server/rpc/service_notify.h"
#include "server/storage/sqlite_files.h"
#include "support/server_process.h"
#include "support/shell_process.h"
#include "support/test_server.h"
#include "support/wait_until.h"

using namespace cot;
using namespace cot::server;
using namespace cot::testing;

namespace {

// A datagram socket standing for the service manager's; `name` starting with "@" is abstract.
struct NotifySocket {
    explicit NotifySocket(const QString& socketName) : name(socketName) {
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(name);
        std::memcpy(a.sun_path, path.constData(), size_t(path.size()));
        const bool abstract = path.startsWith('@');
        if (abstract) a.sun_path[0] = '\0';
        EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a),
                         socklen_t(offsetof(sockaddr_un, sun_path) + size_t(path.size()) + !abstract)),
                  0)
            << "bind " << name.toStdString();
    }
    ~NotifySocket() { ::close(fd); }
    // The next datagram, or empty when none came within `ms`.
    QByteArray receive(int ms) {
        pollfd p{fd, POLLIN, 0};
        char buffer[512];
        const ssize_t n = ::poll(&p, 1, ms) == 1 ? ::recv(fd, buffer, sizeof buffer, 0) : 0;
        return n > 0 ? QByteArray(buffer, qsizetype(n)) : QByteArray();
    }
    const QString name;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
};

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct ServiceStart : ::testing::Test {
    // Starts the server on a free port; NOTIFY_SOCKET only when `notify` names one.
    void start(const QStringList& args, const QString& notify = {}, std::function<void()> asChild = {}) {
        said_.clear();
        if (asChild) server_.setChildProcessModifier(asChild);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("NOTIFY_SOCKET");
        if (!notify.isEmpty()) env.insert("NOTIFY_SOCKET", notify);
        server_.setProcessEnvironment(env);
        server_.start(binaryPath("cot05000-server"),
                      QStringList{"--listen", "127.0.0.1", "--port", "0", "--threads", "2", "--no-seed"} + args);
        ASSERT_TRUE(server_.waitForStarted(10000));
    }
    // The port the server printed once it answers; 0 when it ended or never said.
    int port() {
        static const QRegularExpression address(":(\\d+)/rpc");
        int found = 0;
        waitUntil([&] {
            server_.waitForReadyRead(50);
            said_ += server_.readAllStandardOutput();
            if (const auto m = address.match(QString::fromUtf8(said_)); m.hasMatch()) found = m.captured(1).toInt();
            return found > 0 || server_.state() == QProcess::NotRunning;
        });
        return found;
    }
    int finish(int ms = 60000) {
        if (!server_.waitForFinished(ms)) server_.kill();
        return server_.exitStatus() == QProcess::NormalExit ? server_.exitCode() : -1;
    }
    void TearDown() override {
        if (server_.state() != QProcess::NotRunning) {
            server_.terminate();
            finish(10000);
        }
    }

    int argc_ = 1;
    char name_[24] = "cot_test_service_start";
    char* argv_[2] = {name_, nullptr};
    QCoreApplication app_{argc_, argv_};
    QTemporaryDir dir_;
    QProcess server_;
    QByteArray said_;
};

QString databaseAt(const QString& path, int schema = 0) {
    migrate(*Database::open("sqlite:" + path), schema);
    return "sqlite:" + path;
}

TEST_F(ServiceStart, ReadyComesOnlyOnceTheOlderDatabaseIsCopiedMigratedAndListeningAndSighupKeepsItServing) {
    const QString db = databaseAt(dir_.filePath("banco.db"), 1);
    NotifySocket manager(dir_.filePath("notify"));
    start({"--db", db, "--backup-before-migrate", dir_.filePath("antes")}, manager.name);

    ASSERT_EQ(manager.receive(60000), "READY=1") << server_.readAllStandardError().toStdString();
    EXPECT_EQ(sqlite_files::schemaVersion(dir_.filePath("banco.db")), latestSchemaVersion());
    EXPECT_EQ(QDir(dir_.filePath("antes")).entryList(QDir::Files).size(), 1) << "the copy made before migrating";
    const int p = port();
    EXPECT_EQ(httpGet("127.0.0.1", p, "/health").status, 200);
    // Without a log file SIGHUP changes nothing: the server goes on serving.
    ASSERT_EQ(::kill(pid_t(server_.processId()), SIGHUP), 0);
    EXPECT_EQ(std::pair(p > 0, httpGet("127.0.0.1", p, "/health").status), std::pair(true, 200));

    server_.terminate();
    EXPECT_EQ(manager.receive(30000), "STOPPING=1");
    EXPECT_EQ(finish(), 0);

    // The notice reaches an abstract socket too; a relative or absent one, or none, gets nothing.
    const QString abstract = QStringLiteral("@cot-test-notify-%1").arg(::getpid());
    NotifySocket abstractManager(abstract);
    EXPECT_TRUE(notifyServiceAt(abstract, "READY=1"));
    EXPECT_EQ(abstractManager.receive(5000), "READY=1");
    EXPECT_FALSE(notifyServiceAt("relativo/notify", "READY=1") || notifyServiceAt(dir_.filePath("ninguem"), "READY=1"));
    ::unsetenv("NOTIFY_SOCKET");
    EXPECT_FALSE(notifyService("READY=1"));
}

// A database newer than the program ends the start with exit code 3; a copy before migrating
// that cannot be made (its folder is a file) with 1. Neither says READY=1 or touches the database.
TEST_F(ServiceStart, AStartThatCannotMigrateEndsWithoutReadyAndLeavesTheDatabaseAsItWas) {
    const QString newer = databaseAt(dir_.filePath("nova.db"));
    Database::open(newer)->exec("INSERT INTO SCHEMA_VERSION (VERSION, DSVERSION) VALUES (:V, 'futura')",
                                {{"V", latestSchemaVersion() + 1}});
    QFile blocker(dir_.filePath("arquivo")), conf(dir_.filePath("server.conf"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly) && conf.open(QIODevice::WriteOnly));
    conf.write("backup-before-migrate = " + QFile::encodeName(dir_.filePath("arquivo/copias")) + "\n");
    conf.close();
    const std::tuple<QStringList, int, const char*, const char*, int> cases[] = {
        {{"--db", newer}, 3, "mais nova que a deste programa", "nova.db", latestSchemaVersion() + 1},
        {{"--config", conf.fileName(), "--db", databaseAt(dir_.filePath("banco.db"), 1)}, 1, "nada foi alterado", "banco.db", 1},
    };
    for (const auto& [args, exitCode, said, file, schema] : cases) {
        NotifySocket manager(dir_.filePath(file) + ".notify");
        start(args, manager.name);
        EXPECT_EQ(finish(), exitCode) << file;
        const QString error = QString::fromUtf8(server_.readAllStandardError());
        EXPECT_TRUE(error.contains(said)) << error.toStdString();
        EXPECT_TRUE(manager.receive(0).isEmpty()) << file;
        EXPECT_EQ(sqlite_files::schemaVersion(dir_.filePath(file)), schema);
    }
}


TEST_F(ServiceStart, TheLogGoesToItsFileAndSighupStartsANewOneUnderTheSameName) {
    const QString log = dir_.filePath("log/server.log");
    QDir().mkpath(dir_.filePath("log"));
    start({"--db", "sqlite:" + dir_.filePath("banco.db"), "--log", log});
    const int p = port();
    ASSERT_GT(p, 0);
    struct stat st{};
    EXPECT_EQ(::stat(QFile::encodeName(log).constData(), &st) == 0 ? st.st_mode & 0777 : 0, 0640u);

    rpcCallJson(p, "LogMarcaUm");
    EXPECT_TRUE(waitUntil([&] { return contents(log).contains("ip=127.0.0.1 op=- met=LogMarcaUm"); })) << contents(log).toStdString();

    ASSERT_TRUE(QFile::rename(log, log + ".1"));
    ASSERT_EQ(::kill(pid_t(server_.processId()), SIGHUP), 0);
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(log); }));
    rpcCallJson(p, "LogMarcaDois");
    EXPECT_TRUE(waitUntil([&] { return contents(log).contains("met=LogMarcaDois"); })) << contents(log).toStdString();
    EXPECT_EQ(std::tuple(contents(log + ".1").contains("LogMarcaDois"), server_.state(),
                         server_.readAllStandardError().contains("met=LogMarca")),
              std::tuple(false, QProcess::Running, false));

    server_.terminate();
    EXPECT_EQ(finish(), 0);
    EXPECT_TRUE(contents(log).contains("encerrando"));
}

// A lock file left by a run as root: the service's user locks it when it can read it, and
// says so when it cannot, instead of running unseen by --restore.
TEST_F(ServiceStart, AServerRunningAsTheServiceUserHoldsItsLockEvenWhenRootMadeTheLockFile) {
    if (::geteuid() != 0) GTEST_SKIP() << "running the server as another user needs root";
    constexpr uid_t kNobody = 65534;
    ASSERT_EQ(::chmod(QFile::encodeName(dir_.path()).constData(), 0711), 0);
    const QString folder = dir_.filePath("servico");
    QDir().mkpath(folder);
    const QString path = folder + "/banco.db";
    const QString db = databaseAt(path);
    sqlite_files::backup(path, dir_.filePath("copia.db"));
    for (const QString& file : {folder, path})
        ASSERT_EQ(::chown(QFile::encodeName(file).constData(), kNobody, kNobody), 0);
    QFile lock(path + ".uso");
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.close();
    const auto asNobody = [] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) std::_Exit(120);
    };

    ::chmod(QFile::encodeName(lock.fileName()).constData(), 0600);
    start({"--db", db}, {}, asNobody);
    ASSERT_GT(port(), 0);
    EXPECT_TRUE(server_.readAllStandardError().contains("sem acesso a " + QFile::encodeName(path) + ".uso"));
    server_.terminate();
    ASSERT_EQ(finish(), 0);

    ::chmod(QFile::encodeName(lock.fileName()).constData(), 0644);
    start({"--db", db}, {}, asNobody);
    ASSERT_GT(port(), 0);
    QProcess restore;
    restore.start(binaryPath("cot05000-server"), {"--db", db, "--restore", dir_.filePath("copia.db")});
    ASSERT_TRUE(restore.waitForFinished(60000));
    EXPECT_EQ(restore.exitCode(), 1);
    EXPECT_TRUE(restore.readAllStandardError().contains("está em uso por um servidor"));
}

}  // namespace
