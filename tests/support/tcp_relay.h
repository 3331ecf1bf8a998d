#pragma once
// A loopback relay put between a client and a server port, to see what otherwise only
// timing would tell: how many connections the client opened, and when the server closed
// one. Meant for request-and-answer traffic of modest size (one thread relays everything).
//
//   TcpRelay relay(server.port());
//   net.setPort(relay.port());
//   ... net.call(...) ...
//   EXPECT_EQ(relay.connectionsOpened(), 1);                      // no second socket
//   ASSERT_TRUE(waitUntil([&] { return relay.closedByServer() == 1; }));  // wait_until.h
#include <atomic>
#include <memory>

namespace cot::testing {

class TcpRelay {
public:
    explicit TcpRelay(int serverPort);
    ~TcpRelay();
    TcpRelay(const TcpRelay&) = delete;
    TcpRelay& operator=(const TcpRelay&) = delete;

    int port() const { return port_; }
    // Connections opened through the relay so far. Every connection whose opening a client
    // saw completed is counted, taken up by the relay or still waiting to be.
    int connectionsOpened();
    // Connections the server ended; the client's end of each is closed before it counts.
    int closedByServer() const { return closedByServer_.load(); }

private:
    struct State;
    std::unique_ptr<State> d;
    int port_ = 0;
    std::atomic<int> closedByServer_{0};
};

}  // namespace cot::testing
