#pragma once
#include <QByteArray>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "server/rpc/http_exchange.h"

namespace cot::server {

// The pieces of a streamed answer, from the database thread that writes them to the
// connection that sends them. It holds two pieces at most, so a slow client slows the
// writer down instead of filling the memory; the connection waits for a piece without
// a thread of its own.
class ReplyPipe final : public PieceSource {
public:
    // Writer: waits for room; false when the reader has gone (the client left).
    bool put(QByteArray piece);
    // Writer: the end of the answer; `complete` false when it broke off.
    void close(bool complete);

    // Reader: the next piece, or nothing once the writer has closed.
    void next(Ready ready) override;
    bool complete() const override;
    // Reader: stops reading; the writer's next put() answers false.
    void abandon() override;

private:
    mutable std::mutex mutex_;
    std::condition_variable room_;
    std::deque<QByteArray> pieces_;
    Ready waiting_;  // the reader's request while nothing was there
    bool closed_ = false, complete_ = false, abandoned_ = false;
};

// The pipes of the answers still being written. At stop every one is abandoned before the
// database threads are joined: a pipe whose connection never took it (the engine stopped
// before the answer reached it) would otherwise hold its writer, and the stop, for good.
class ReplyPipes {
public:
    std::shared_ptr<ReplyPipe> make();
    void abandonAll();

private:
    std::mutex mutex_;
    std::vector<std::weak_ptr<ReplyPipe>> live_;
    bool stopped_ = false;
};

}  // namespace cot::server
