#include "server/rpc/rpc_server.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <chrono>
#include <cstdio>
#include <condition_variable>
#include <future>
#include <map>
#include <mutex>
#include <utility>

#include "server/auth/sign_in_methods.h"
#include "server/client_page/page_address.h"
#include "server/client_page/page_routes.h"
#include "server/methods/register_methods.h"
#include "server/migrations/migrations.h"
#include "server/rpc/address_limits.h"
#include "server/rpc/client_address.h"
#include "server/rpc/health.h"
#include "server/rpc/http_admission.h"
#include "server/rpc/http_body.h"
#include "server/rpc/http_engine.h"
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

// What the database thread hands the connection: a whole answer, or the pipe its pieces
// follow through.
constexpr qsizetype kPiece = 256 * 1024;

// The scheme, address and port the server listens at: "http://127.0.0.1:8211".
QString ownAddress(const ServerConfig& config, int port) {
    const char* scheme = config.tlsCertificate.isEmpty() ? "http" : "https";
    return QStringLiteral("%1://%2:%3").arg(QLatin1String(scheme), config.listenAddress).arg(port);
}

}  // namespace

struct RpcServer::Impl final : HttpRoutes {
    ServerConfig config;
    MethodRegistry registry;
    std::unique_ptr<JsonRpcDispatcher> dispatcher;
    std::unique_ptr<sqlite_files::UseLock> useLock;  // a restore waits for this server to stop
    std::unique_ptr<WorkerPool> databaseThreads;     // --threads, each with its connection
    std::unique_ptr<WorkerPool> pageThreads;         // the client's page: its own threads and connections
    std::unique_ptr<RateLimiter> pagePace;           // per address, on /cliente/
    std::unique_ptr<HttpEngine> engine;
    ReplyPipes pipes;                                // streamed answers in flight, let go at stop
    client_page::PageContext page;                   // made once the page's threads run
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

    void logRefusal(const QString& client, int status) {
        if (!config.logRequests) return;
        RequestSummary summary;
        summary.clientAddress = client;
        logRequest(nextRequestId(), summary, 0, QStringLiteral("recusada %1").arg(status));
    }

    Admission refuse(const HttpRequest& head, HttpReply reply) {
        logRefusal(clientAddress(head, config.trustedProxies), reply.status);
        Admission admission;
        reply.close = true;
        admission.refusal = std::move(reply);
        return admission;
    }

    // Before any body is read: the route, its checks, and how much body it takes.
    Admission admit(const HttpRequest& head) override {
        if (head.path == "/rpc") {
            if (head.method == "OPTIONS") {
                if (!request_limits::originAllowed(head.header("Origin"), config.allowedOrigins))
                    return refuse(head, refusalReply({403, QStringLiteral("Origem não permitida.")}));
                return {};
            }
            if (head.method != "POST") return refuse(head, HttpReply::text(405, {}, "text/plain; charset=utf-8"));
            if (std::optional<Refusal> refusal = checkRpcHeaders(head, config.allowedOrigins))
                return refuse(head, refusalReply(*refusal));
            Admission admission;
            admission.bodyLimit = request_limits::kMaxWireBody;
            admission.refuse = [](int status) {
                if (status == 413) return refusalReply(tooLarge());
                if (status == 408) return refusalReply({408, QStringLiteral("Requisição não recebida a tempo.")});
                return refusalReply({400, QStringLiteral("Corpo da requisição ilegível ou incompleto.")});
            };
            return admission;
        }
        if (head.path == "/health" && head.method == "GET") return {};
        if (client_page::isPagePath(head.path)) {
            int retryAfter = 0;
            if (!pagePace->take(addressBlock(clientAddress(head, config.trustedProxies)), retryAfter)) {
                HttpReply busy = client_page::pageRefusal(
                    429, QStringLiteral("Muitos pedidos seguidos deste endereço. Tente de novo em instantes."));
                busy.set("Retry-After", std::to_string(retryAfter));
                return refuse(head, std::move(busy));
            }
            Admission admission = client_page::admitPage(head);
            if (admission.refusal) logRefusal(clientAddress(head, config.trustedProxies), admission.refusal->status);
            return admission;
        }
        return refuse(head, HttpReply::text(404, {}, "text/plain; charset=utf-8"));
    }

    void handle(HttpRequest request, std::function<void(HttpReply)> answer) override {
        if (request.path == "/rpc" && request.method == "OPTIONS") {
            HttpReply reply = HttpReply::text(204, {}, "text/plain");
            allowOrigin(request, reply, config.allowedOrigins);
            reply.set("Access-Control-Allow-Methods", "POST");
            reply.set("Access-Control-Allow-Headers", "Authorization, Content-Type");
            reply.set("Access-Control-Max-Age", "600");
            return answer(std::move(reply));
        }
        if (request.path == "/rpc") return answerRpc(std::move(request), std::move(answer));
        if (request.path == "/health") {
            // Asked without a session, by monitors and by anyone: on the page's threads, so
            // a flood of it never takes the desktop's.
            if (pageThreads->queuedCount() >= config.limits.pageQueue) {
                HttpReply busy = HttpReply::text(503, R"({"estado":"ocupado"})", "application/json");
                busy.set("Retry-After", "5");
                return answer(std::move(busy));
            }
            pageThreads->enqueue([this, answer = std::move(answer)] {
                ThreadDatabase databases(config.databaseUrl);
                QByteArray report = healthReport(databases, config.version, config.protocolVersion);
                const int status = report.contains("\"estado\":\"ok\"") ? 200 : 503;
                answer(HttpReply::text(status, std::move(report), "application/json"));
            });
            return;
        }
        client_page::answerPage(request, page, std::move(answer));
    }

    void refused(const QString& peer, int status) override { logRefusal(peer, status); }

    // What the page's routes are given: its threads and whom to believe about addresses.
    client_page::PageContext makePageContext() {
        client_page::PageContext page;
        page.trustedProxies = config.trustedProxies;
        const auto job = [this](const std::function<void(Database&)>& work) {
            return [this, work] {
                ThreadDatabase databases(config.databaseUrl);
                try {
                    work(databases.get());
                } catch (const DatabaseError&) {
                    databases.discard();  // a broken connection is opened again next time
                } catch (const std::exception&) {
                }
            };
        };
        const int most = config.limits.pageQueue;
        page.enqueue = [this, job, most](std::function<void(Database&)> work) {
            if (pageThreads->queuedCount() >= most) return false;
            pageThreads->enqueue(job(work));
            return true;
        };
        page.proceed = [this, job](std::function<void(Database&)> work) { pageThreads->enqueue(job(work)); };
        return page;
    }

    // Runs the request on a database thread. A streamed result stays there, written into a
    // pipe whose pieces the connection sends as the client takes them.
    void answerRpc(HttpRequest request, std::function<void(HttpReply)> answer) {
        const quint64 id = nextRequestId();
        const QString client = clientAddress(request, config.trustedProxies);
        QElapsedTimer timer;
        timer.start();
        if (std::optional<Refusal> refusal = inflateRpcBody(request, request.body)) {
            logRefusal(client, refusal->status);
            return answer(refusalReply(*refusal));
        }
        auto req = std::make_shared<HttpRequest>(std::move(request));
        databaseThreads->enqueue([this, req, answer = std::move(answer), client, id, timer] {
            ThreadDatabase databases(config.databaseUrl);
            RpcAnswer result;
            try {
                result = dispatcher->answer(req->body, databases, QByteArray::fromStdString(req->header("Authorization")),
                                            client);
            } catch (...) {  // memory exhausted: nothing else leaves answer()
                return answer(HttpReply::text(500, "Erro interno do servidor.", "text/plain; charset=utf-8"));
            }
            if (!result.isStreamed()) {
                if (result.body.size() > request_limits::kMaxReply) {
                    log(id, result.summary, timer, QStringLiteral("resposta grande demais"));
                    return answer(refusalReply({500, QStringLiteral("Resposta grande demais: refine a consulta.")}));
                }
                log(id, result.summary, timer);
                HttpReply reply = result.body.isEmpty() ? HttpReply::text(204, {}, "application/json")
                                                        : jsonReply(*req, std::move(result.body));
                allowOrigin(*req, reply, config.allowedOrigins);
                return answer(std::move(reply));
            }
            const bool gzip = acceptsGzip(req->header("Accept-Encoding"));
            auto pipe = pipes.make();
            HttpReply reply = streamedJsonReply(pipe, gzip);
            allowOrigin(*req, reply, config.allowedOrigins);
            answer(std::move(reply));
            PieceEncoder encoder(gzip);
            // A piece changes hands whole: this thread keeps no reference to bytes the
            // connection's thread is sending (a shared buffer reused or freed here would race it).
            const auto handOver = [&](QByteArray& text, bool last) {
                if (gzip) {
                    QByteArray packed = encoder.encode(text, last);
                    text.resize(0);  // keeps its room for the next piece
                    return pipe->put(std::move(packed));
                }
                QByteArray piece = std::exchange(text, QByteArray());
                if (!last) text.reserve(kPiece + kPiece / 4);
                return pipe->put(std::move(piece));
            };
            QByteArray out;
            out.reserve(kPiece + kPiece / 4);
            qsizetype written = 0;
            bool whole = dispatcher->stream(result, databases, out, [&](QByteArray& text) {
                if (text.size() < kPiece) return;
                written += text.size();
                if (written > request_limits::kMaxReply || !handOver(text, false)) throw ReplyAborted();
            });
            whole = whole && handOver(out, true);
            pipe->close(whole);
            log(id, result.summary, timer, whole ? QString() : QStringLiteral("interrompida"));
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
    const int threads = std::max(1, d->config.threads);
    d->databaseThreads = std::make_unique<WorkerPool>(threads, threads);
    // The client's page never takes the desktop's database threads: a quarter as many of its own.
    const int pageThreads = std::max(2, threads / 4);
    d->pageThreads = std::make_unique<WorkerPool>(pageThreads, pageThreads);
    d->pagePace = std::make_unique<RateLimiter>(d->config.limits.pagePerMinute, d->config.limits.pageBurst);
    d->page = d->makePageContext();

    HttpEngineOptions options;
    options.address = d->config.listenAddress;
    options.port = d->config.port;
    options.limits = d->config.limits;
    options.keepAliveSeconds = std::max(1, d->config.keepAliveSeconds);
    options.tlsCertificate = d->config.tlsCertificate;
    options.tlsKey = d->config.tlsKey;
    for (const QString& proxy : d->config.trustedProxies)
        if (auto canonical = canonicalAddress(proxy)) options.trustedProxies << *canonical;
    d->engine = std::make_unique<HttpEngine>(options, *d);
    try {
        d->port = d->engine->listen();
    } catch (...) {
        d->engine.reset();
        d->pageThreads.reset();
        d->databaseThreads.reset();
        throw;
    }

    // The links in the mails to clients start with the address the server is reached at.
    client_page::setPublicBase(d->config.publicUrl.isEmpty() ? ownAddress(d->config, d->port) : d->config.publicUrl);
    if (d->config.publicUrl.isEmpty() && d->config.listensBeyondLoopback())
        std::fprintf(stderr,
                     "cot05000-server: ATENÇÃO: sem --public-url, os links das propostas enviadas aos clientes "
                     "começam com %s; informe o endereço pelo qual os clientes chegam ao servidor.\n",
                     qPrintable(ownAddress(d->config, d->port)));
    d->engine->start();
    d->started = true;
}

void RpcServer::stop() {
    if (!d->started || !d->engine) return;
    // The connections go first and let go of the answers being written; then the database
    // and page threads finish what they hold; the engine goes last, since their answers
    // are handed to it.
    d->engine->stop();
    d->pipes.abandonAll();
    if (d->databaseThreads) d->databaseThreads->shutdown();
    if (d->pageThreads) d->pageThreads->shutdown();
    d->engine.reset();
    std::lock_guard lock(d->mutex);
    d->stopped = true;
    d->stoppedSignal.notify_all();
}

void RpcServer::wait() {
    std::unique_lock lock(d->mutex);
    d->stoppedSignal.wait(lock, [this] { return d->stopped || !d->started; });
}

}  // namespace cot::server
