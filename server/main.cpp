// cot05000-server: the application server of the commercial-proposal module.
#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <pthread.h>

#include "server/rpc/rpc_server.h"
#include "server/storage/database.h"

using namespace cot::server;

int main(int argc, char** argv) {
    // Block the stop signals before any worker thread exists, so only sigwait sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    QCoreApplication app(argc, argv);
    ServerConfig config;
    try {
        config = ServerConfig::fromArgs(argc, argv);
    } catch (const ConfigError& e) {
        std::fprintf(stderr, "cot05000-server: %s\n\n%s", e.what(), qPrintable(ServerConfig::usage()));
        return 2;
    }
    if (config.helpRequested) {
        std::fputs(qPrintable(ServerConfig::usage()), stdout);
        return 0;
    }

    RpcServer server(config);
    try {
        server.start();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cot05000-server: não foi possível iniciar: %s\n", e.what());
        return 1;
    }
    std::printf("cot05000-server: COT05000.rdmProposta em %s (banco: %s)\n", qPrintable(server.url()),
                qPrintable(displayDatabaseUrl(config.databaseUrl)));
    std::fflush(stdout);
    if (config.listensBeyondLoopback() && !config.usesTls())
        std::fprintf(stderr,
                     "cot05000-server: ATENÇÃO: atendendo em %s sem TLS; senhas e dados trafegam sem "
                     "cifra na rede. Use --tls-cert e --tls-key, ou um proxy com HTTPS.\n",
                     qPrintable(config.listenAddress));

    int received = 0;
    sigwait(&stopSignals, &received);
    std::fprintf(stderr, "cot05000-server: encerrando.\n");
    server.stop();
    return 0;
}
