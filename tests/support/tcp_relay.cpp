#include "support/tcp_relay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <thread>
#include <vector>

namespace cot::testing {

namespace {

sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// Writes every byte to a blocking socket; false when the peer is gone.
bool writeAll(int fd, const char* data, ssize_t size) {
    while (size > 0) {
        const ssize_t n = send(fd, data, size_t(size), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= n;
    }
    return true;
}

}  // namespace

struct TcpRelay::State {
    struct Pair {
        int client = -1;
        int server = -1;
    };
    int serverPort = 0;
    int listener = -1;
    int wake[2] = {-1, -1};  // tells the relaying thread of new pairs and of the end
    std::mutex mutex;
    std::vector<Pair> pairs;
    int opened = 0;
    bool stopping = false;
    std::thread thread;

    // Takes up every connection waiting on the listener (under `mutex`).
    void acceptPending() {
        for (;;) {
            const int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) {
                if (errno == EINTR) continue;
                return;  // EAGAIN: none left
            }
            ++opened;
            const int server = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            const sockaddr_in a = loopback(serverPort);
            if (server < 0 || connect(server, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
                ADD_FAILURE() << "relay: the server on port " << serverPort << " refused a connection";
                if (server >= 0) close(server);
                close(client);
                continue;
            }
            const int yes = 1;
            setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
            setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
            pairs.push_back({client, server});
        }
    }

    void run(std::atomic<int>& closedByServer) {
        std::vector<pollfd> fds;
        for (;;) {
            {
                const std::lock_guard lock(mutex);
                if (stopping) return;
                fds.assign({{wake[0], POLLIN, 0}, {listener, POLLIN, 0}});
                for (const Pair& p : pairs) {
                    fds.push_back({p.client, POLLIN, 0});
                    fds.push_back({p.server, POLLIN, 0});
                }
            }
            if (poll(fds.data(), nfds_t(fds.size()), -1) < 0 && errno != EINTR) return;
            const std::lock_guard lock(mutex);
            if (fds[0].revents) {
                char drain[64];
                while (read(wake[0], drain, sizeof drain) > 0) {
                }
            }
            if (fds[1].revents) acceptPending();
            for (size_t i = 2; i < fds.size(); ++i) {
                if (!fds[i].revents) continue;
                const int from = fds[i].fd;
                auto pair = std::find_if(pairs.begin(), pairs.end(),
                                         [from](const Pair& p) { return p.client == from || p.server == from; });
                if (pair == pairs.end()) continue;  // ended earlier in this round
                const bool fromServer = pair->server == from;
                const int to = fromServer ? pair->client : pair->server;
                char buffer[65536];
                const ssize_t n = recv(from, buffer, sizeof buffer, 0);
                if (n > 0 && writeAll(to, buffer, n)) continue;
                if (n < 0 && errno == EINTR) continue;
                // One side ended (or failed): the other is ended as well, the client's first.
                close(pair->client);
                close(pair->server);
                pairs.erase(pair);
                if (fromServer && n <= 0) ++closedByServer;
            }
        }
    }
};

TcpRelay::TcpRelay(int serverPort) : d(std::make_unique<State>()) {
    d->serverPort = serverPort;
    d->listener = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const sockaddr_in a = loopback(0);
    sockaddr_in bound{};
    socklen_t size = sizeof bound;
    if (d->listener < 0 || bind(d->listener, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 ||
        listen(d->listener, 16) != 0 || getsockname(d->listener, reinterpret_cast<sockaddr*>(&bound), &size) != 0 ||
        pipe2(d->wake, O_NONBLOCK | O_CLOEXEC) != 0) {
        ADD_FAILURE() << "relay: no loopback port to listen on";
        return;
    }
    port_ = ntohs(bound.sin_port);
    d->thread = std::thread([this] { d->run(closedByServer_); });
}

TcpRelay::~TcpRelay() {
    {
        const std::lock_guard lock(d->mutex);
        d->stopping = true;
    }
    if (d->wake[1] >= 0) (void)!write(d->wake[1], "x", 1);
    if (d->thread.joinable()) d->thread.join();
    for (const State::Pair& p : d->pairs) {
        close(p.client);
        close(p.server);
    }
    for (int fd : {d->listener, d->wake[0], d->wake[1]})
        if (fd >= 0) close(fd);
}

int TcpRelay::connectionsOpened() {
    const std::lock_guard lock(d->mutex);
    // A client's connect() returns once the handshake is done, with the connection queued
    // on the listener: taking up what waits there makes the count exact, not a race.
    d->acceptPending();
    if (d->wake[1] >= 0) (void)!write(d->wake[1], "x", 1);
    return d->opened;
}

}  // namespace cot::testing
