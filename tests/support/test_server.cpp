#include "support/test_server.h"

#include <QJsonDocument>
#include <QTemporaryDir>

#include "server/auth/session_store.h"
#include "server/migrations/migrations.h"
#include "server/rpc/rpc_server.h"
#include "server/seed/demo_seed.h"
#include "base/clock.h"
#include "support/template_database.h"

namespace cot::testing {

namespace {

// A database without demo data still needs an operator to sign in as: one who works in
// every branch there is and whose group sees every proposal.
void registerTestOperator(server::Database& db) {
    server::Transaction tx(db);
    db.exec(QStringLiteral("INSERT INTO OPERADOR (CDOPERADOR, NMOPERADOR, IDOPERATIVO) VALUES ('TESTE', 'Operador de Teste', 'A')"));
    db.exec(QStringLiteral("INSERT INTO GRUPOPER (CDGRUPOPER, NMGRUPOPER) VALUES ('TST', 'Testes')"));
    db.exec(QStringLiteral("INSERT INTO AUTGRUPOP (CDGRUPOPER, IDAUTGRUPOP) VALUES ('TST', 'PROP')"));
    db.exec(QStringLiteral("INSERT INTO OPERGRUPOP (CDGRUPOPER, CDOPERADOR) VALUES ('TST', 'TESTE')"));
    db.exec(QStringLiteral("INSERT INTO OPERFILI (CDOPERADOR, CDFILIAL) SELECT 'TESTE', CDFILIAL FROM FILIAL"));
    tx.commit();
}

}  // namespace

std::vector<Backend> availableBackends() {
    std::vector<Backend> out{Backend::Sqlite};
    if (ScratchPostgres::available()) out.push_back(Backend::Postgres);
    return out;
}

std::string backendName(const ::testing::TestParamInfo<Backend>& info) {
    return info.param == Backend::Sqlite ? "Sqlite" : "Postgres";
}

TestServer::TestServer(TestServerOptions options) : options_(std::move(options)) {
    if (options_.fixedClock)
        Clock::setCurrent(std::make_shared<FixedClock>(QDateTime(QDate(2026, 12, 6), QTime(10, 0))));

    if (options_.backend == Backend::Postgres) {
        pg_ = std::make_unique<ScratchPostgres>();
        databaseUrl_ = pg_->url();
    } else {
        dir_ = std::make_unique<QTemporaryDir>();
        if (!dir_->isValid()) throw std::runtime_error("no temporary folder");
        databaseUrl_ = QStringLiteral("sqlite:") + dir_->filePath(QStringLiteral("cot.db"));
        copyTemplateDatabase(dir_->filePath(QStringLiteral("cot.db")), options_.seed);
    }

    db_ = server::Database::open(databaseUrl_);
    if (options_.backend == Backend::Postgres) {
        server::migrate(*db_);
        if (options_.seed) server::seedDemo(*db_);
    }
    if (options_.prepare) options_.prepare(*db_);

    server::ServerConfig config;
    config.databaseUrl = databaseUrl_;
    config.listenAddress = QStringLiteral("127.0.0.1");
    config.port = 0;
    config.threads = options_.threads;
    config.logRequests = options_.logRequests;
    config.keepAliveSeconds = options_.keepAliveSeconds;
    config.seedDemo = false;
    config.tlsCertificate = options_.tlsCertificate;
    config.tlsKey = options_.tlsKey;
    config.trustedProxies = options_.trustedProxies;
    if (options_.configure) options_.configure(config);
    server_ = std::make_unique<server::RpcServer>(config);
    if (options_.methods) options_.methods(server_->registry());
    server_->start();

    operator_ = options_.operatorCode;
    if (operator_.isEmpty()) {
        operator_ = options_.seed ? QStringLiteral("VENDEDOR") : QStringLiteral("TESTE");
        if (!options_.seed) registerTestOperator(*db_);
    }
    token_ = openSession(operator_);
}

QByteArray TestServer::openSession(const QString& operatorCode) {
    return server::sessions::open(*db_, operatorCode, server::SessionLimits{}).token;
}

TestServer::~TestServer() {
    // Clients first: an idle kept-alive socket would hold a worker until its timeout.
    connection_.reset();
    if (server_) server_->stop();
    server_.reset();
    db_.reset();
    pg_.reset();
    if (options_.fixedClock) Clock::setCurrent(nullptr);
}

QString TestServer::url() const { return server_->url(); }
int TestServer::port() const { return server_->port(); }
QString TestServer::databaseUrl() const { return databaseUrl_; }
server::Database& TestServer::db() { return *db_; }

std::unique_ptr<NetConnection> TestServer::newConnection() const {
    auto c = std::make_unique<NetConnection>();
    c->setHost(QStringLiteral("127.0.0.1"));
    c->setPort(server_->port());
    c->setToken(token_);
    if (!c->connect()) ADD_FAILURE() << c->lastError().toStdString();
    return c;
}

NetConnection& TestServer::connection() {
    if (!connection_) connection_ = newConnection();
    return *connection_;
}

HttpReply TestServer::post(const QByteArray& body) { return postAs(token_, body); }

HttpReply TestServer::postAs(const QByteArray& token, const QByteArray& body) {
    return httpPost(QStringLiteral("127.0.0.1"), server_->port(), QStringLiteral("/rpc"), body,
                    QStringLiteral("application/json"), 60, QStringLiteral("identity"), token);
}

QJsonObject TestServer::call(const QString& method, const QJsonArray& params) {
    return callAs(token_, method, params);
}

QJsonObject TestServer::callAs(const QByteArray& token, const QString& method, const QJsonArray& params) {
    const QJsonObject request{{"jsonrpc", "2.0"}, {"id", 1}, {"method", method}, {"params", params}};
    const HttpReply reply = postAs(token, QJsonDocument(request).toJson(QJsonDocument::Compact));
    return QJsonDocument::fromJson(reply.body).object();
}

}  // namespace cot::testing
