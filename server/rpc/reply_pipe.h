#pragma once
#include <QByteArray>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

namespace cot::server {

// The pieces of a streamed answer, from the database thread that writes them to the thread
// that sends them on the client's connection. It holds two pieces at most, so a slow client
// slows the writer down instead of filling the memory.
class ReplyPipe {
public:
    // Writer: waits for room; false when the reader has gone (the client left).
    bool put(QByteArray piece);
    // Writer: the end of the answer; `complete` false when it broke off.
    void close(bool complete);

    // Reader: the next piece, or nothing once the writer has closed.
    std::optional<QByteArray> take();
    // Reader: after take() gave nothing, whether the answer was written whole.
    bool complete() const;
    // Reader: stops reading; the writer's next put() answers false.
    void abandon();

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<QByteArray> pieces_;
    bool closed_ = false, complete_ = false, abandoned_ = false;
};

}  // namespace cot::server
