#include "server/rpc/rpc_server.h"

#include <httplib.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "server/auth/sign_in_methods.h"
#include "server/methods/register_methods.h"
#include "server/rpc/http_body.h"
#include "server/migrations/migrations.h"
#include "server/rpc/health.h"
#include "server/rpc/json_rpc.h"
#include "server/rpc/request_log.h"
#include "server/seed/demo_seed.h"
#include "server/storage/database.h"
#include "server/storage/sqlite_files.h"

namespace cot::server {

namespace {

// One connection per worker thread and database URL; closed when the thread ends
// (the pool's threads end when the server stops).
class ThreadDatabase final : public DatabaseSource {
public:
    explicit ThreadDatabase(const QString& url) : url_(url) {}
    Database& get() override {
        auto& slot = connections()[url_];
        if (!slot) slot = Database::open(url_);
        return *slot;
    }
    void discard() override { connections().erase(url_); }

private:
    static std::map<QString, std::unique_ptr<Database>>& connections() {
        thread_local std::map<QString, std::unique_ptr<Database>> perThread;
        return perThread;
    }
    QString url_;
};

// Large proposals lists (100k rows) travel in one body.
constexpr size_t kMaxPayload = size_t(1) << 30;

}  // namespace

struct RpcServer::Impl {
    ServerConfig config;
    MethodRegistry registry;
    std::unique_ptr<JsonRpcDispatcher> dispatcher;
    std::unique_ptr<sqlite_files::UseLock> useLock;  // a restore waits for this server to stop
    std::unique_ptr<httplib::Server> server;  // HTTPS when the configuration names a certificate
    std::thread listener;
    int port = 0;
    std::mutex mutex;
    std::condition_variable stoppedSignal;
    bool started = false;
    bool stopped = false;

    void prepareDatabase() {
        const QString url = config.databaseUrl;
        if (url.startsWith(QLatin1String("sqlite:"))) {
            QDir().mkpath(QFileInfo(url.mid(7)).absolutePath());
            useLock = std::make_unique<sqlite_files::UseLock>(url.mid(7));
        }
        auto db = Database::open(url);
        migrate(*db);
        if (config.seedDemo) seedDemo(*db);
    }

    void configureHttp() {
        if (config.tlsCertificate.isEmpty()) {
            server = std::make_unique<httplib::Server>();
        } else {
            auto tls = std::make_unique<httplib::SSLServer>(config.tlsCertificate.toLocal8Bit().constData(),
                                                            config.tlsKey.toLocal8Bit().constData());
            if (!tls->is_valid())
                throw ConfigError(QStringLiteral("Certificado ou chave TLS inválidos (%1, %2).")
                                      .arg(config.tlsCertificate, config.tlsKey)
                                      .toStdString());
            server = std::move(tls);
        }
        httplib::Server& http = *server;
        const size_t threads = static_cast<size_t>(std::max(1, config.threads));
        http.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
        http.set_keep_alive_max_count(1000000);
        http.set_keep_alive_timeout(std::max(1, config.keepAliveSeconds));
        http.set_payload_max_length(kMaxPayload);
        http.set_read_timeout(60);
        http.set_write_timeout(120);
        http.set_tcp_nodelay(true);
        // Address reuse for quick restarts, but no shared port: a second server on a busy
        // port must fail instead of silently splitting the clients with the first.
        http.set_socket_options([](int sock) {
            int yes = 1;
            setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
        });

        const QString url = config.databaseUrl;
        http.Post("/rpc", [this, url](const httplib::Request& req, httplib::Response& res) {
            const quint64 id = nextRequestId();
            QElapsedTimer timer;
            timer.start();
            ThreadDatabase databases(url);
            const QByteArray body = QByteArray::fromRawData(req.body.data(), qsizetype(req.body.size()));
            const std::string authorization = req.get_header_value("Authorization");
            RpcAnswer answer = dispatcher->answer(body, databases, QByteArray::fromStdString(authorization));
            if (answer.isStreamed()) {
                // Written while it is sent, on this same thread and its database connection.
                sendStreamedJson(req, res, [this, url, id, timer, answer = std::move(answer)](QByteArray& out, const auto& pace) {
                    ThreadDatabase databases(url);
                    const bool sent = dispatcher->stream(answer, databases, out, pace);
                    if (config.logRequests)
                        logRequest(id, answer.summary, double(timer.nsecsElapsed()) / 1e6,
                                   sent ? QString() : QStringLiteral("interrompida"));
                    return sent;
                });
                return;
            }
            if (config.logRequests) logRequest(id, answer.summary, double(timer.nsecsElapsed()) / 1e6);
            if (answer.body.isEmpty()) {
                res.status = 204;
                return;
            }
            sendJson(req, res, std::move(answer.body));
        });
        http.Get("/health", [this, url](const httplib::Request&, httplib::Response& res) {
            ThreadDatabase databases(url);
            const QByteArray report = healthReport(databases, config.version);
            res.status = report.contains("\"estado\":\"ok\"") ? 200 : 503;
            res.set_content(report.toStdString(), "application/json");
        });
        http.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
            res.status = 500;
            res.set_content("Erro interno do servidor.", "text/plain; charset=utf-8");
        });
    }
};

RpcServer::RpcServer(ServerConfig config) : d(std::make_unique<Impl>()) {
    d->config = std::move(config);
    registerAllMethods(d->registry);
    registerSignInMethods(d->registry, d->config.sessionLimits());
}

RpcServer::~RpcServer() { stop(); }

MethodRegistry& RpcServer::registry() { return d->registry; }
const ServerConfig& RpcServer::config() const { return d->config; }
int RpcServer::port() const { return d->port; }
bool RpcServer::running() const { return d->started && !d->stopped; }

QString RpcServer::url() const {
    const char* scheme = d->config.tlsCertificate.isEmpty() ? "http" : "https";
    return QStringLiteral("%1://%2:%3/rpc").arg(QLatin1String(scheme), d->config.listenAddress).arg(d->port);
}

void RpcServer::start() {
    if (d->started) return;
    d->prepareDatabase();
    d->dispatcher = std::make_unique<JsonRpcDispatcher>(d->registry, d->config.sessionLimits());
    d->configureHttp();

    const std::string host = d->config.listenAddress.toStdString();
    if (d->config.port == 0) {
        d->port = d->server->bind_to_any_port(host);
    } else {
        d->port = d->server->bind_to_port(host, d->config.port) ? d->config.port : -1;
    }
    if (d->port <= 0)
        throw ConfigError(QStringLiteral("Não foi possível escutar em %1:%2.")
                              .arg(d->config.listenAddress)
                              .arg(d->config.port)
                              .toStdString());

    d->listener = std::thread([this] {
        d->server->listen_after_bind();
        std::lock_guard lock(d->mutex);
        d->stopped = true;
        d->stoppedSignal.notify_all();
    });
    // stop() is only effective once the accept loop runs.
    while (!d->server->is_running()) {
        {
            std::lock_guard lock(d->mutex);
            if (d->stopped) break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    d->started = true;
}

void RpcServer::stop() {
    if (!d->started || !d->server) return;
    d->server->stop();
    if (d->listener.joinable()) d->listener.join();
    std::lock_guard lock(d->mutex);
    d->stopped = true;
    d->stoppedSignal.notify_all();
}

void RpcServer::wait() {
    std::unique_lock lock(d->mutex);
    d->stoppedSignal.wait(lock, [this] { return d->stopped || !d->started; });
}

}  // namespace cot::server
