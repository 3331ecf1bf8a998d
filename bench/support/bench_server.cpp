#include "support/bench_server.h"

#include <stdexcept>

#include "base/local_time_zone.h"
#include "rpc/net_connection.h"
#include "rpc/rpc_channel.h"
#include "server/auth/session_store.h"
#include "server/storage/database.h"
#include "server/rpc/rpc_server.h"

namespace cot::bench {

InProcessServer::InProcessServer(const QString& databaseUrl, int threads) {
    readLocalTimeZoneOnce();  // as the server's main() does
    server::ServerConfig config;
    config.databaseUrl = databaseUrl;
    config.listenAddress = QStringLiteral("127.0.0.1");
    config.port = 0;
    config.threads = threads;
    config.seedDemo = false;
    server_ = std::make_unique<server::RpcServer>(config);
    server_->start();
    token_ = openBenchSession(databaseUrl);
    rpc_channel::setSessionToken(token_);
}

QByteArray openBenchSession(const QString& databaseUrl) {
    const auto db = server::Database::open(databaseUrl);
    return server::sessions::open(*db, QStringLiteral("VENDEDOR"), server::SessionLimits{}).token;
}

InProcessServer::~InProcessServer() {
    rpc_channel::setSessionToken({});
    if (server_) server_->stop();
}

int InProcessServer::port() const { return server_->port(); }

std::unique_ptr<NetConnection> InProcessServer::connect() const {
    auto c = std::make_unique<NetConnection>();
    c->setHost(QStringLiteral("127.0.0.1"));
    c->setPort(server_->port());
    if (!c->connect()) throw std::runtime_error(c->lastError().toStdString());
    return c;
}

}  // namespace cot::bench
