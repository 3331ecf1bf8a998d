#include "server/rpc/reply_pipe.h"

#include <utility>

namespace cot::server {

namespace {
constexpr size_t kMostPieces = 2;
}

bool ReplyPipe::put(QByteArray piece) {
    Ready reader;
    {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [this] { return abandoned_ || pieces_.size() < kMostPieces; });
        if (abandoned_) return false;
        if (waiting_) {
            reader = std::exchange(waiting_, nullptr);  // the reader waits: the piece goes straight to it
        } else {
            pieces_.push_back(std::move(piece));
            return true;
        }
    }
    reader(std::move(piece));
    return true;
}

void ReplyPipe::close(bool complete) {
    Ready reader;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        complete_ = complete;
        if (pieces_.empty()) reader = std::exchange(waiting_, nullptr);
    }
    if (reader) reader(std::nullopt);
}

void ReplyPipe::next(Ready ready) {
    std::optional<QByteArray> piece;
    {
        std::lock_guard lock(mutex_);
        if (!pieces_.empty()) {
            piece = std::move(pieces_.front());
            pieces_.pop_front();
            room_.notify_all();
        } else if (!closed_) {
            waiting_ = std::move(ready);
            return;
        }
    }
    ready(std::move(piece));
}

bool ReplyPipe::complete() const {
    std::lock_guard lock(mutex_);
    return closed_ && complete_ && pieces_.empty();
}

void ReplyPipe::abandon() {
    Ready reader;
    {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
        pieces_.clear();
        reader = std::exchange(waiting_, nullptr);  // let go of the reader (and what it holds)
        room_.notify_all();
    }
}

std::shared_ptr<ReplyPipe> ReplyPipes::make() {
    auto pipe = std::make_shared<ReplyPipe>();
    std::lock_guard lock(mutex_);
    if (stopped_) {
        pipe->abandon();
        return pipe;
    }
    std::erase_if(live_, [](const auto& w) { return w.expired(); });
    live_.push_back(pipe);
    return pipe;
}

void ReplyPipes::abandonAll() {
    std::vector<std::weak_ptr<ReplyPipe>> live;
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        live.swap(live_);
    }
    for (const auto& w : live)
        if (auto pipe = w.lock()) pipe->abandon();
}

}  // namespace cot::server
