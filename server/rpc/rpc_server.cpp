#include "server/rpc/rpc_server.h"

#include <httplib.h>
#include <sys/socket.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <chrono>
#include <cstdio>
#include <condition_variable>
#include <future>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include "server/auth/sign_in_methods.h"
#include "server/client_page/page_address.h"
#include "server/client_page/page_routes.h"
#include "server/methods/register_methods.h"
#include "server/migrations/migrations.h"
#include "server/rpc/client_address.h"
#include "server/rpc/health.h"
#include "server/rpc/http_admission.h"
#include "server/rpc/http_body.h"
#include "server/rpc/json_rpc.h"
#include "server/rpc/reply_pipe.h"
#include "server/rpc/request_limits.h"
#include "server/rpc/request_log.h"
#include "server/rpc/worker_pool.h"
#include "server/seed/demo_seed.h"
#include "server/storage/database.h"
#include "server/storage/sqlite_files.h"

namespace cot::server {

namespace {

// One connection per database thread and database URL; closed when the thread ends
// (the database threads end when the server stops).
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

// The client connections' threads: many, since most of their time is spent waiting for
// the client; none of them touches the database.
class ConnectionQueue final : public httplib::TaskQueue {
public:
    ConnectionQueue(int core, int most) : pool_(core, most) {}
    void enqueue(std::function<void()> fn) override { pool_.enqueue(std::move(fn)); }
    void shutdown() override { pool_.shutdown(); }

private:
    WorkerPool pool_;
};

// A streamed answer is sent in pieces of about this size.
constexpr qsizetype kPiece = 256 * 1024;

// Whether the request at hand was logged by its handler (the server's logger logs the
// others it refused itself: malformed requests, unknown paths).
thread_local bool requestLogged = false;

// What the database thread tells the connection's thread before any piece is sent.
struct AnswerHead {
    QByteArray body;        // the whole answer, or empty with nothing to send (notifications)
    bool streamed = false;  // the pieces follow through the pipe
    RequestSummary summary;
};

// The reader's end of a pipe: when the response that sends it is dropped unsent, the
// database thread writing into it stops instead of waiting for a reader forever.
struct PipeReader {
    explicit PipeReader(std::shared_ptr<ReplyPipe> p) : pipe(std::move(p)) {}
    PipeReader(const PipeReader&) = delete;
    PipeReader& operator=(const PipeReader&) = delete;
    ~PipeReader() { pipe->abandon(); }
    std::shared_ptr<ReplyPipe> pipe;
};

// The scheme, address and port the server listens at: "http://127.0.0.1:8211".
QString ownAddress(const ServerConfig& config, int port) {
    const char* scheme = config.tlsCertificate.isEmpty() ? "http" : "https";
    return QStringLiteral("%1://%2:%3").arg(QLatin1String(scheme), config.listenAddress).arg(port);
}

}  // namespace

struct RpcServer::Impl {
    ServerConfig config;
    MethodRegistry registry;
    std::unique_ptr<JsonRpcDispatcher> dispatcher;
    std::unique_ptr<sqlite_files::UseLock> useLock;  // a restore waits for this server to stop
    std::unique_ptr<WorkerPool> databaseThreads;     // --threads, each with its connection
    std::unique_ptr<httplib::Server> server;  // HTTPS when the configuration names a certificate
    std::thread listener;
    int port = 0;
    int listeningSocket = -1;
    std::mutex mutex;
    std::condition_variable stoppedSignal;
    bool started = false;
    bool stopped = false;

    void prepareDatabase() {
        const QString url = config.databaseUrl;
        if (url.startsWith(QLatin1String("sqlite:"))) {
            QDir().mkpath(QFileInfo(url.mid(7)).absolutePath());
            useLock = std::make_unique<sqlite_files::UseLock>(url.mid(7));
            if (!useLock->held())
                std::fprintf(stderr,
                             "cot05000-server: ATENÇÃO: sem acesso a %s.uso (de outro usuário?); um --restore "
                             "não saberá que este servidor usa o banco. Corrija o dono do arquivo.\n",
                             qPrintable(url.mid(7)));
        }
        auto db = Database::open(url);
        migrate(*db);
        if (config.seedDemo) seedDemo(*db);
    }

    void log(quint64 id, const RequestSummary& summary, const QElapsedTimer& timer, const QString& outcome = {}) {
        if (config.logRequests) logRequest(id, summary, double(timer.nsecsElapsed()) / 1e6, outcome);
    }

    void refuse(httplib::Response& res, const Refusal& refusal, quint64 id, const QString& client,
                const QElapsedTimer& timer) {
        sendRefusal(res, refusal);
        RequestSummary summary;
        summary.clientAddress = client;
        log(id, summary, timer, QStringLiteral("recusada %1").arg(refusal.status));
        requestLogged = true;
    }

    // Runs the request on a database thread. A streamed result stays there, written into a
    // pipe that this thread empties into the socket.
    void answerRpc(const httplib::Request& req, httplib::Response& res, quint64 id, QByteArray body,
                   const QString& client, const QElapsedTimer& timer) {
        auto head = std::make_shared<std::promise<AnswerHead>>();
        std::future<AnswerHead> ready = head->get_future();
        auto pipe = std::make_shared<ReplyPipe>();
        const QByteArray authorization = QByteArray::fromStdString(req.get_header_value("Authorization"));
        databaseThreads->enqueue([this, head, pipe, body = std::move(body), authorization, client, id, timer] {
            ThreadDatabase databases(config.databaseUrl);
            RpcAnswer answer;
            try {
                answer = dispatcher->answer(body, databases, authorization, client);
            } catch (...) {  // memory exhausted: nothing else leaves answer()
                head->set_exception(std::current_exception());
                return;
            }
            if (!answer.isStreamed()) {
                head->set_value({std::move(answer.body), false, std::move(answer.summary)});
                return;
            }
            head->set_value({{}, true, {}});
            QByteArray out;
            bool whole = dispatcher->stream(answer, databases, out, [&pipe](QByteArray& text) {
                if (text.size() < kPiece) return;
                if (!pipe->put(std::exchange(text, QByteArray()))) throw ReplyAborted();
            });
            whole = whole && (out.isEmpty() || pipe->put(std::move(out)));
            pipe->close(whole);
            log(id, answer.summary, timer, whole ? QString() : QStringLiteral("interrompida"));
        });
        AnswerHead answer = ready.get();
        if (answer.streamed) {
            auto reader = std::make_shared<PipeReader>(pipe);
            sendStreamedJson(req, res, [reader](QByteArray& out, const auto& pace) {
                try {
                    while (std::optional<QByteArray> piece = reader->pipe->take()) {
                        out += *piece;
                        pace(out);
                    }
                } catch (const ReplyAborted&) {
                    reader->pipe->abandon();
                    return false;
                }
                return reader->pipe->complete();
            });
            return;
        }
        log(id, answer.summary, timer);
        requestLogged = true;
        if (answer.body.isEmpty()) {
            res.status = 204;
            return;
        }
        sendJson(req, res, std::move(answer.body));
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
        const int threads = std::max(1, config.threads);
        http.new_task_queue = [threads] {
            return new ConnectionQueue(threads, std::max(threads, request_limits::kMostConnectionThreads));
        };
        http.set_keep_alive_max_count(1000000);
        http.set_keep_alive_timeout(std::max(1, config.keepAliveSeconds));
        http.set_payload_max_length(request_limits::kMaxWireBody);
        http.set_read_timeout(request_limits::kReadTimeoutSeconds);
        http.set_write_timeout(120);
        http.set_tcp_nodelay(true);
        // Address reuse for quick restarts, but no shared port: a second server on a busy
        // port must fail instead of silently splitting the clients with the first.
        http.set_socket_options([this](int sock) {
            int yes = 1;
            setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
            listeningSocket = sock;
        });

        http.Post("/rpc", [this](const httplib::Request& req, httplib::Response& res,
                                 const httplib::ContentReader& reader) {
            requestLogged = false;
            const quint64 id = nextRequestId();
            const QString client = clientAddress(req, config.trustedProxies);
            QElapsedTimer timer;
            timer.start();
            std::optional<Refusal> refusal = checkRpcHeaders(req, config.allowedOrigins);
            QByteArray body;
            if (!refusal) refusal = readRpcBody(req, reader, body);
            if (refusal) return refuse(res, *refusal, id, client, timer);
            allowOrigin(req, res, config.allowedOrigins);
            answerRpc(req, res, id, std::move(body), client, timer);
        });
        // A page of an allowed origin asks before it posts JSON.
        http.Options("/rpc", [this](const httplib::Request& req, httplib::Response& res) {
            requestLogged = false;
            if (!request_limits::originAllowed(req.get_header_value("Origin"), config.allowedOrigins)) {
                QElapsedTimer timer;
                timer.start();
                return refuse(res, {403, QStringLiteral("Origem não permitida.")}, nextRequestId(),
                              clientAddress(req, config.trustedProxies), timer);
            }
            allowOrigin(req, res, config.allowedOrigins);
            res.set_header("Access-Control-Allow-Methods", "POST");
            res.set_header("Access-Control-Allow-Headers", "Authorization, Content-Type");
            res.set_header("Access-Control-Max-Age", "600");
            res.status = 204;
        });
        http.Get("/health", [this](const httplib::Request&, httplib::Response& res) {
            QByteArray report;
            runOn(*databaseThreads, [&] {
                ThreadDatabase databases(config.databaseUrl);
                report = healthReport(databases, config.version, config.protocolVersion);
            });
            res.status = report.contains("\"estado\":\"ok\"") ? 200 : 503;
            res.set_content(report.toStdString(), "application/json");
        });
        // The client's page: no session; its database work runs on the database threads too.
        client_page::registerPageRoutes(
            http,
            [this](const std::function<void(Database&)>& job) {
                runOn(*databaseThreads, [&] {
                    ThreadDatabase databases(config.databaseUrl);
                    try {
                        job(databases.get());
                    } catch (const DatabaseError&) {
                        databases.discard();  // a broken connection is opened again next time
                        throw;
                    }
                });
            },
            config.trustedProxies);
        http.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
            res.status = 500;
            res.set_content("Erro interno do servidor.", "text/plain; charset=utf-8");
        });
        // Requests the server turned away before a handler saw them (malformed, unknown path).
        http.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
            if (std::exchange(requestLogged, false) || res.status < 400 || req.path == "/health") return;
            RequestSummary summary;
            summary.clientAddress = clientAddress(req, config.trustedProxies);
            if (config.logRequests) logRequest(nextRequestId(), summary, 0, QStringLiteral("recusada %1").arg(res.status));
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

QString RpcServer::url() const { return ownAddress(d->config, d->port) + QStringLiteral("/rpc"); }

void RpcServer::start() {
    if (d->started) return;
    try {
        d->registry.requireRules();  // deny by default: no method runs without a declared rule
    } catch (const std::logic_error& e) {
        throw ConfigError(e.what());
    }
    d->prepareDatabase();
    d->dispatcher = std::make_unique<JsonRpcDispatcher>(d->registry, d->config.sessionLimits());
    d->databaseThreads = std::make_unique<WorkerPool>(std::max(1, d->config.threads), std::max(1, d->config.threads));
    d->configureHttp();

    const std::string host = d->config.listenAddress.toStdString();
    if (d->config.port == 0) {
        d->port = d->server->bind_to_any_port(host);
    } else {
        d->port = d->server->bind_to_port(host, d->config.port) ? d->config.port : -1;
    }
    // The library listens with a queue of 5: a burst of connections (a client opening many at
    // once) would have the next ones' handshakes dropped and retried a second later.
    int listening = 0;
    socklen_t size = sizeof listening;
    if (d->port > 0 && getsockopt(d->listeningSocket, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) == 0 && listening)
        ::listen(d->listeningSocket, request_limits::kListenQueue);
    if (d->port <= 0) {
        d->databaseThreads.reset();
        throw ConfigError(QStringLiteral("Não foi possível escutar em %1:%2.")
                              .arg(d->config.listenAddress)
                              .arg(d->config.port)
                              .toStdString());
    }

    // The links in the mails to clients start with the address the server is reached at.
    client_page::setPublicBase(d->config.publicUrl.isEmpty() ? ownAddress(d->config, d->port) : d->config.publicUrl);
    if (d->config.publicUrl.isEmpty() && d->config.listensBeyondLoopback())
        std::fprintf(stderr,
                     "cot05000-server: ATENÇÃO: sem --public-url, os links das propostas enviadas aos clientes "
                     "começam com %s; informe o endereço pelo qual os clientes chegam ao servidor.\n",
                     qPrintable(ownAddress(d->config, d->port)));

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
    // The connections' threads end first: they may still wait for a database thread.
    if (d->listener.joinable()) d->listener.join();
    if (d->databaseThreads) d->databaseThreads->shutdown();
    std::lock_guard lock(d->mutex);
    d->stopped = true;
    d->stoppedSignal.notify_all();
}

void RpcServer::wait() {
    std::unique_lock lock(d->mutex);
    d->stoppedSignal.wait(lock, [this] { return d->stopped || !d->started; });
}

}  // namespace cot::server
