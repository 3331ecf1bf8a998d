#include "server/rpc/http_engine.h"

#include <sys/resource.h>

#include <atomic>
#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "server/rpc/address_limits.h"
#include "server/rpc/client_address.h"
#include "server/rpc/request_limits.h"
#include "server/rpc/server_config.h"

namespace cot::server {

namespace {

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;
namespace ssl = net::ssl;
using tcp = net::ip::tcp;
using Steady = std::chrono::steady_clock;

// A reply's body goes out in slices, each with its own deadline: a slow but steady client
// gets a large body, one that stops reading is let go.
constexpr size_t kSlice = 256 * 1024;
// Bytes read at a time while a head or body arrives.
constexpr size_t kReadSize = 16 * 1024;

HttpReply plainRefusal(int status, const char* text) {
    HttpReply reply = HttpReply::text(status, QByteArray(text), "text/plain; charset=utf-8");
    reply.close = true;
    return reply;
}

// What every connection shares: the options, the routes, the counts, the live streams.
struct Shared {
    HttpEngineOptions options;
    HttpRoutes& routes;
    ConnectionCounter counter;
    std::optional<ssl::context> tls;
    std::mutex streamsMutex;
    std::vector<std::weak_ptr<PieceSource>> streams;  // replies being written, let go at stop
    std::atomic<bool> stopping{false};
    std::atomic<long long> bodyBytes{0};  // request bodies held from their reading to their answer
    std::atomic<long> turnedAway{0};  // connections refused at the door since the last report
    std::atomic<long long> lastReport{0};

    Shared(HttpEngineOptions o, HttpRoutes& r)
        : options(std::move(o)), routes(r), counter(options.limits.perAddress, options.limits.connections) {}

    void track(const std::shared_ptr<PieceSource>& pieces) {
        std::lock_guard lock(streamsMutex);
        std::erase_if(streams, [](const auto& w) { return w.expired(); });
        streams.push_back(pieces);
    }
    void abandonStreams() {
        std::lock_guard lock(streamsMutex);
        for (const auto& w : streams)
            if (auto s = w.lock()) s->abandon();
        streams.clear();
    }
    // Connections refused at the door are told in one line a minute at most: a flood must
    // not become a flood of the log.
    void turnAway() {
        ++turnedAway;
        const long long now = std::chrono::duration_cast<std::chrono::seconds>(Steady::now().time_since_epoch()).count();
        long long last = lastReport.load();
        if (now - last < 60 || !lastReport.compare_exchange_strong(last, now)) return;
        std::fprintf(stderr, "cot05000-server: %ld conexões recusadas pelo limite de conexões (por endereço ou total)\n",
                     turnedAway.exchange(0));
        std::fflush(stderr);
    }
};

template <class Stream>
class Connection : public std::enable_shared_from_this<Connection<Stream>> {
public:
    Connection(Stream stream, Shared& shared, QString peer, QString block, bool exempt)
        : stream_(std::move(stream)), shared_(shared), peer_(std::move(peer)), block_(std::move(block)),
          exempt_(exempt), buffer_(shared.options.limits.headerBytes + kReadSize), timer_(stream_.get_executor()) {}
    ~Connection() {
        if (pieces_) pieces_->abandon();
        release();
        shared_.counter.leave(block_, exempt_);
    }

    void start() {
        if constexpr (std::is_same_v<Stream, beast::tcp_stream>) {
            readHead();
        } else {
            lowest().expires_after(std::chrono::seconds(shared_.options.limits.headSeconds));
            stream_.async_handshake(ssl::stream_base::server, [self = this->shared_from_this()](beast::error_code ec) {
                if (ec) return self->cut();
                self->readHead();
            });
        }
    }

private:
    beast::tcp_stream& lowest() { return beast::get_lowest_layer(stream_); }

    // A read's deadline: once passed, the read is cancelled and the connection is still
    // there to say why (the stream's own deadline would close it first).
    void arm(Steady::duration within) {
        lowest().expires_never();
        timedOut_ = false;
        timer_.expires_after(within);
        timer_.async_wait([weak = this->weak_from_this()](beast::error_code ec) {
            if (ec) return;
            if (auto self = weak.lock()) {
                self->timedOut_ = true;
                beast::error_code ignored;
                self->lowest().socket().cancel(ignored);
            }
        });
    }
    // After a read: whether its deadline had passed.
    bool disarm() {
        timer_.cancel();
        return timedOut_;
    }
    const HttpLimits& limits() const { return shared_.options.limits; }

    // A kept-alive connection waits for its next request without a deadline on the head;
    // the head's own deadline starts with its first byte.
    void readHead() {
        if (kept_ && buffer_.size() == 0) {
            arm(std::chrono::seconds(shared_.options.keepAliveSeconds));
            stream_.async_read_some(buffer_.prepare(kReadSize),
                                    [self = this->shared_from_this()](beast::error_code ec, size_t n) {
                                        self->disarm();
                                        if (ec) return self->cut();
                                        self->buffer_.commit(n);
                                        self->parseHead();
                                    });
            return;
        }
        parseHead();
    }

    void parseHead() {
        parser_.emplace();
        parser_->header_limit(std::uint32_t(limits().headerBytes));
        parser_->body_limit(boost::none);  // the route sets it once it has seen the head
        arm(std::chrono::seconds(limits().headSeconds));
        http::async_read_header(stream_, buffer_, *parser_, [self = this->shared_from_this()](beast::error_code ec, size_t) {
            self->headRead(self->disarm() ? beast::error::timeout : ec);
        });
    }

    void headRead(beast::error_code ec) {
        if (ec == http::error::header_limit) return turnAway(431, "Cabeçalho da requisição grande demais.");
        if (ec == beast::error::timeout) {
            if (buffer_.size() == 0 && !parser_->got_some()) return cut();
            return turnAway(408, "Requisição não recebida a tempo.");
        }
        if (ec == http::error::end_of_stream || ec == net::error::eof || ec == net::error::connection_reset) return cut();
        if (ec) return turnAway(400, "Requisição malformada.");

        const auto& head = parser_->get();
        if (std::distance(head.begin(), head.end()) > limits().headerLines)
            return turnAway(431, "Cabeçalho da requisição com linhas demais.");
        request_ = HttpRequest();
        request_.method = std::string(head.method_string());
        const std::string_view target = head.target();
        request_.path = std::string(target.substr(0, target.find('?')));
        for (const auto& field : head) request_.headers.emplace_back(std::string(field.name_string()), std::string(field.value()));
        request_.peer = peer_;
        keepAlive_ = head.keep_alive();

        admission_ = shared_.routes.admit(request_);
        if (admission_.refusal) return write(std::move(*admission_.refusal));
        if (parser_->is_done()) return handle();
        if (!reserve(parser_->content_length().value_or(admission_.bodyLimit))) {
            shared_.routes.refused(peer_, 503);
            HttpReply busy = plainRefusal(503, "Servidor ocupado; tente de novo em instantes.");
            busy.set("Retry-After", "5");
            return write(std::move(busy));
        }
        parser_->body_limit(admission_.bodyLimit);
        bodyDeadline_ = Steady::now() + std::chrono::seconds(request_limits::kBodySeconds);
        if (beast::iequals(head[http::field::expect], "100-continue")) {
            static const std::string kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
            lowest().expires_after(std::chrono::seconds(limits().writeSeconds));
            net::async_write(stream_, net::buffer(kContinue), [self = this->shared_from_this()](beast::error_code e, size_t) {
                if (e) return self->cut();
                self->readBody();
            });
            return;
        }
        readBody();
    }

    // The body arrives within its overall deadline, never stopping longer than idle-seconds.
    void readBody() {
        const auto left = bodyDeadline_ - Steady::now();
        arm(std::min<Steady::duration>(left, std::chrono::seconds(limits().idleSeconds)));
        http::async_read_some(stream_, buffer_, *parser_, [self = this->shared_from_this()](beast::error_code ec, size_t) {
            if (self->disarm()) return self->refuseBody(408);
            if (ec == http::error::body_limit) return self->refuseBody(413);
            if (ec == http::error::end_of_stream || ec == net::error::eof || ec == net::error::connection_reset)
                return self->cut();
            if (ec) return self->refuseBody(400);
            if (self->parser_->is_done()) return self->handle();
            self->readBody();
        });
    }

    void refuseBody(int status) {
        shared_.routes.refused(peer_, status);
        HttpReply reply = admission_.refuse ? admission_.refuse(status) : plainRefusal(status, "Requisição recusada.");
        reply.close = true;
        write(std::move(reply));
    }

    void turnAway(int status, const char* text) {
        shared_.routes.refused(peer_, status);
        write(plainRefusal(status, text));
    }

    void handle() {
        std::string& body = parser_->get().body();
        request_.body = QByteArray(body.data(), qsizetype(body.size()));
        std::string().swap(body);
        auto self = this->shared_from_this();
        shared_.routes.handle(std::move(request_), [self](HttpReply reply) {
            net::post(self->stream_.get_executor(),
                      [self, reply = std::move(reply)]() mutable { self->write(std::move(reply)); });
        });
    }

    // Room for a body among all those held at once (body-megabytes): bodies are read whole
    // and wait for a database thread, so together they would otherwise be bounded only by
    // the connections' count times the largest body.
    bool reserve(std::uint64_t bytes) {
        const long long want = static_cast<long long>(std::min<std::uint64_t>(bytes, request_limits::kMaxWireBody));
        const long long budget = static_cast<long long>(limits().bodyMegabytes) << 20;
        if (shared_.bodyBytes.fetch_add(want) + want > budget) {
            shared_.bodyBytes -= want;
            return false;
        }
        reserved_ = want;
        return true;
    }
    void release() { shared_.bodyBytes -= std::exchange(reserved_, 0); }

    void write(HttpReply reply) {
        release();  // answered: its body is no longer held
        if (shared_.stopping) {
            if (reply.pieces) reply.pieces->abandon();  // its writer must not wait for a reader
            return cut();
        }
        reply_ = std::move(reply);
        close_ = reply_.close || !keepAlive_;
        head_ = "HTTP/1.1 " + std::to_string(reply_.status) + ' ' + reasonPhrase(reply_.status) + "\r\n";
        for (const auto& [name, value] : reply_.headers) head_ += name + ": " + value + "\r\n";
        if (reply_.pieces) {
            head_ += "Transfer-Encoding: chunked\r\n";
        } else if (reply_.status != 204 && reply_.status != 304) {
            head_ += "Content-Length: " + std::to_string(reply_.body.size()) + "\r\n";
        }
        if (close_) head_ += "Connection: close\r\n";
        head_ += "\r\n";
        if (reply_.pieces) {
            pieces_ = reply_.pieces;
            shared_.track(pieces_);
        }
        sent_ = 0;
        send(net::buffer(head_), [](auto self) { self->sendBody(); });
    }

    template <class Buffers, class Then>
    void send(const Buffers& buffers, Then then) {
        lowest().expires_after(std::chrono::seconds(limits().writeSeconds));
        net::async_write(stream_, buffers, [self = this->shared_from_this(), then](beast::error_code ec, size_t) {
            if (ec) return self->cut();
            then(self);
        });
    }

    void sendBody() {
        if (pieces_) return nextPiece();
        const size_t size = size_t(reply_.body.size());
        if (sent_ >= size) return finish();
        const size_t slice = std::min(kSlice, size - sent_);
        const char* data = reply_.body.constData() + sent_;
        sent_ += slice;
        send(net::buffer(data, slice), [](auto self) { self->sendBody(); });
    }

    void nextPiece() {
        pieces_->next([self = this->shared_from_this()](std::optional<QByteArray> piece) {
            net::post(self->stream_.get_executor(),
                      [self, piece = std::move(piece)]() mutable { self->sendPiece(std::move(piece)); });
        });
    }

    void sendPiece(std::optional<QByteArray> piece) {
        if (shared_.stopping) return cut();
        if (!piece) {
            if (!pieces_->complete()) return cut();  // a short body must not pass for a whole one
            static const std::string kLast = "0\r\n\r\n";
            return send(net::buffer(kLast), [](auto self) { self->finish(); });
        }
        if (piece->isEmpty()) return nextPiece();
        piece_ = std::move(*piece);
        char size[24];
        chunkHead_.assign(size, size_t(std::snprintf(size, sizeof size, "%llx\r\n", static_cast<unsigned long long>(piece_.size()))));
        static const std::string kCrlf = "\r\n";
        const std::array<net::const_buffer, 3> buffers{net::buffer(chunkHead_), net::buffer(piece_.constData(), size_t(piece_.size())),
                                                       net::buffer(kCrlf)};
        send(buffers, [](auto self) { self->nextPiece(); });
    }

    void finish() {
        pieces_.reset();
        reply_ = HttpReply();
        piece_.clear();
        if (close_ || shared_.stopping) return cut();
        kept_ = true;
        readHead();
    }

    // Ends the connection without a word: the client left, broke the protocol or was told.
    void cut() {
        if (pieces_) pieces_->abandon();
        beast::error_code ignored;
        lowest().socket().shutdown(tcp::socket::shutdown_both, ignored);
        lowest().close();
    }

    Stream stream_;
    Shared& shared_;
    QString peer_, block_;
    bool exempt_;
    beast::flat_buffer buffer_;
    net::steady_timer timer_;
    bool timedOut_ = false;
    std::optional<http::request_parser<http::string_body>> parser_;
    HttpRequest request_;
    Admission admission_;
    Steady::time_point bodyDeadline_;
    bool keepAlive_ = false, kept_ = false, close_ = false;
    HttpReply reply_;
    std::string head_, chunkHead_;
    size_t sent_ = 0;
    long long reserved_ = 0;  // of the bodies' budget
    std::shared_ptr<PieceSource> pieces_;
    QByteArray piece_;
};

// The descriptors a process may open, raised to what the system allows: every connection
// is one, and the connection cap means nothing if the process runs out first.
void raiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
}

}  // namespace

struct HttpEngine::Impl {
    Shared shared;
    net::io_context io;  // after `shared`: destroyed first, with the connections it holds
    tcp::acceptor acceptor{io};
    net::steady_timer retry{io};
    std::vector<std::thread> threads;
    bool stopped = false;

    Impl(HttpEngineOptions options, HttpRoutes& routes) : shared(std::move(options), routes), io(std::max(1, shared.options.threads)) {}

    void accept() {
        acceptor.async_accept(net::make_strand(io), [this](beast::error_code ec, tcp::socket socket) {
            if (ec == net::error::operation_aborted || !acceptor.is_open()) return;
            if (ec) {
                // Out of descriptors or memory: wait a little instead of spinning.
                retry.expires_after(std::chrono::milliseconds(100));
                retry.async_wait([this](beast::error_code e) {
                    if (!e) accept();
                });
                return;
            }
            admit(std::move(socket));
            accept();
        });
    }

    void admit(tcp::socket socket) {
        beast::error_code ec;
        const auto remote = socket.remote_endpoint(ec);
        if (ec) return;
        const QString peer = canonicalAddress(QString::fromStdString(remote.address().to_string())).value_or(QString());
        const bool exempt = shared.options.trustedProxies.contains(peer);
        const QString block = addressBlock(peer);
        if (!shared.counter.enter(block, exempt)) {
            shared.turnAway();
            if (!shared.tls) refuseAtTheDoor(std::move(socket));
            return;
        }
        socket.set_option(tcp::no_delay(true), ec);
        if (shared.tls) {
            std::make_shared<Connection<beast::ssl_stream<beast::tcp_stream>>>(
                beast::ssl_stream<beast::tcp_stream>(beast::tcp_stream(std::move(socket)), *shared.tls), shared, peer,
                block, exempt)
                ->start();
        } else {
            std::make_shared<Connection<beast::tcp_stream>>(beast::tcp_stream(std::move(socket)), shared, peer, block,
                                                            exempt)
                ->start();
        }
    }

    // Over the connection cap: told so in a line, without reading a byte, within a second.
    static void refuseAtTheDoor(tcp::socket socket) {
        static const std::string kBusy = [] {
            const std::string text = "Conexões demais deste endereço; tente mais tarde.";
            return "HTTP/1.1 503 Service Unavailable\r\nRetry-After: 5\r\nContent-Type: text/plain; charset=utf-8\r\n"
                   "Content-Length: " +
                   std::to_string(text.size()) + "\r\nConnection: close\r\n\r\n" + text;
        }();
        auto stream = std::make_shared<beast::tcp_stream>(std::move(socket));
        stream->expires_after(std::chrono::seconds(1));
        net::async_write(*stream, net::buffer(kBusy), [stream](beast::error_code, size_t) {
            beast::error_code ignored;
            stream->socket().shutdown(tcp::socket::shutdown_both, ignored);
            stream->close();
        });
    }

    void loadTls() {
        const HttpEngineOptions& o = shared.options;
        if (o.tlsCertificate.isEmpty()) return;
        try {
            shared.tls.emplace(ssl::context::tls_server);
            shared.tls->set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 |
                                    ssl::context::no_sslv3 | ssl::context::no_tlsv1 | ssl::context::no_tlsv1_1 |
                                    ssl::context::single_dh_use);
            shared.tls->use_certificate_chain_file(o.tlsCertificate.toLocal8Bit().toStdString());
            shared.tls->use_private_key_file(o.tlsKey.toLocal8Bit().toStdString(), ssl::context::pem);
        } catch (const std::exception&) {
            shared.tls.reset();
            throw ConfigError(QStringLiteral("Certificado ou chave TLS inválidos (%1, %2).")
                                  .arg(o.tlsCertificate, o.tlsKey)
                                  .toStdString());
        }
    }
};

HttpEngine::HttpEngine(HttpEngineOptions options, HttpRoutes& routes)
    : d(std::make_unique<Impl>(std::move(options), routes)) {}

HttpEngine::~HttpEngine() { stop(); }

int HttpEngine::listen() {
    raiseDescriptorLimit();
    d->loadTls();
    const HttpEngineOptions& o = d->shared.options;
    const auto fail = [&] {
        return ConfigError(QStringLiteral("Não foi possível escutar em %1:%2.").arg(o.address).arg(o.port).toStdString());
    };
    beast::error_code ec;
    tcp::resolver resolver(d->io);
    const auto found = resolver.resolve(o.address.toStdString(), std::to_string(o.port),
                                        tcp::resolver::passive | tcp::resolver::numeric_service, ec);
    if (ec || found.empty()) throw fail();
    const tcp::endpoint endpoint = found.begin()->endpoint();
    d->acceptor.open(endpoint.protocol(), ec);
    // Address reuse for quick restarts, but no shared port: a second server on a busy port
    // must fail instead of silently splitting the clients with the first.
    if (!ec) d->acceptor.set_option(net::socket_base::reuse_address(true), ec);
    if (!ec) d->acceptor.bind(endpoint, ec);
    if (!ec) d->acceptor.listen(request_limits::kListenQueue, ec);
    if (ec) {
        d->acceptor.close(ec);
        throw fail();
    }
    return d->acceptor.local_endpoint().port();
}

void HttpEngine::start() {
    d->accept();
    for (int i = 0; i < std::max(1, d->shared.options.threads); ++i) d->threads.emplace_back([this] { d->io.run(); });
}

void HttpEngine::stop() {
    if (d->stopped) return;
    d->stopped = true;
    d->shared.stopping = true;
    d->io.stop();
    for (std::thread& t : d->threads)
        if (t.joinable()) t.join();
    beast::error_code ignored;
    d->acceptor.close(ignored);
    d->shared.abandonStreams();
}

int HttpEngine::openConnections() const { return d->shared.counter.open(); }

}  // namespace cot::server
