// cot05000-server: the application server of the commercial-proposal module.
#include <QCoreApplication>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <pthread.h>
#include <thread>
#include <unistd.h>

#include "base/local_time_zone.h"
#include "base/errors.h"
#include "base/protocol_version.h"
#include "server/admin/backup_command.h"
#include "server/admin/password_command.h"
#include "server/admin/register_command.h"
#include "server/admin/reminder_command.h"
#include "server/migrations/migrations.h"
#include "server/rpc/log_file.h"
#include "server/rpc/rpc_server.h"
#include "server/rpc/service_notify.h"
#include "server/storage/database.h"

using namespace cot::server;

namespace {

// Requests still running may finish for a few seconds; then, or at a second stop signal,
// the process ends without them. A transaction not yet committed is then simply not in the
// database (SQLite's journal and PostgreSQL's connection end both undo it), so nothing is
// left half-written.
int stopWithin(RpcServer& server, const sigset_t& stopSignals) {
    constexpr auto kGrace = std::chrono::seconds(5);
    auto stopped = std::make_shared<std::promise<void>>();
    std::future<void> done = stopped->get_future();
    std::thread([&server, stopped] {
        server.stop();
        stopped->set_value();
    }).detach();
    const auto deadline = std::chrono::steady_clock::now() + kGrace;
    const timespec tick{0, 100 * 1000 * 1000};
    while (done.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        if (std::chrono::steady_clock::now() >= deadline || sigtimedwait(&stopSignals, nullptr, &tick) > 0) {
            std::fprintf(stderr, "cot05000-server: encerrado sem esperar as requisições em andamento "
                                 "(o que não foi confirmado não fica no banco).\n");
            std::fflush(stdout);
            std::fflush(stderr);
            std::_Exit(0);
        }
    }
    return 0;
}

}  // namespace

// Exit codes (listed by --help): 0 stopped normally, 1 failed, 2 bad options or an operation
// not for this database, 3 a database newer than this program (restarting cannot help).
constexpr int kExitFailed = 1;
constexpr int kExitSchemaTooNew = 3;

int main(int argc, char** argv) {
    cot::readLocalTimeZoneOnce();
    // Block the stop signals and SIGHUP (reopen the log) before any worker thread exists,
    // so only sigwait sees them; SIGHUP never ends the server.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigset_t awaited = stopSignals;
    sigaddset(&awaited, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &awaited, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    QCoreApplication app(argc, argv);
    ServerConfig config;
    try {
        config = ServerConfig::fromArgs(argc, argv);
    } catch (const ConfigError& e) {
        std::fprintf(stderr, "cot05000-server: %s\n\n%s", e.what(), qPrintable(ServerConfig::usage()));
        return 2;
    }
    config.version = QStringLiteral(COT_VERSION);
    if (config.versionRequested) {
        std::printf("cot05000-server %s (esquema do banco %d, protocolo %d)\n", COT_VERSION, latestSchemaVersion(),
                    cot::kProtocolVersion);
        return 0;
    }
    if (config.helpRequested) {
        std::fputs(qPrintable(ServerConfig::usage()), stdout);
        return 0;
    }

    if (!config.backupFile.isEmpty() || !config.restoreFile.isEmpty()) return runBackupCommand(config);
    if (!config.passwordFor.isEmpty()) return runPasswordCommand(config);
    if (!config.importFolder.isEmpty() || !config.exportFolder.isEmpty()) return runRegisterCommand(config);
    if (config.sendReminders) return runReminderCommand(config);

    std::unique_ptr<LogFile> logFile;
    try {
        if (!config.logFile.isEmpty()) logFile = std::make_unique<LogFile>(config.logFile);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cot05000-server: não foi possível iniciar: %s\n", e.what());
        return kExitFailed;
    }
    if (backupBeforeMigrate(config) != 0) return kExitFailed;

    RpcServer server(config);
    try {
        server.start();
    } catch (const SchemaTooNew& e) {
        std::fprintf(stderr, "cot05000-server: não foi possível iniciar: %s\n", e.what());
        return kExitSchemaTooNew;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cot05000-server: não foi possível iniciar: %s\n", e.what());
        return kExitFailed;
    }
    if (logFile) logFile->takeStandardError();
    std::printf("cot05000-server: COT05000.rdmProposta em %s (banco: %s)\n", qPrintable(server.url()),
                qPrintable(displayDatabaseUrl(config.databaseUrl)));
    std::fflush(stdout);
    if (config.listensBeyondLoopback() && !config.usesTls())
        std::fprintf(stderr,
                     "cot05000-server: ATENÇÃO: atendendo em %s sem TLS; senhas e dados trafegam sem "
                     "cifra na rede. Use --tls-cert e --tls-key, ou um proxy com HTTPS.\n",
                     qPrintable(config.listenAddress));

    // Migrated and listening: the service manager may start what depends on the server.
    notifyService("READY=1");

    int received = 0;
    while (sigwait(&awaited, &received) == 0 && received == SIGHUP)
        if (logFile && logFile->reopen())
            std::fprintf(stderr, "cot05000-server: arquivo de log reaberto.\n");
    notifyService("STOPPING=1");
    std::fprintf(stderr, "cot05000-server: encerrando.\n");
    return stopWithin(server, stopSignals);
}
