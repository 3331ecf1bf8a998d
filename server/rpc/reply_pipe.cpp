#include "server/rpc/reply_pipe.h"

namespace cot::server {

namespace {
constexpr size_t kMostPieces = 2;
}

bool ReplyPipe::put(QByteArray piece) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return abandoned_ || pieces_.size() < kMostPieces; });
    if (abandoned_) return false;
    pieces_.push_back(std::move(piece));
    changed_.notify_all();
    return true;
}

void ReplyPipe::close(bool complete) {
    std::lock_guard lock(mutex_);
    closed_ = true;
    complete_ = complete;
    changed_.notify_all();
}

std::optional<QByteArray> ReplyPipe::take() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !pieces_.empty() || closed_; });
    if (pieces_.empty()) return std::nullopt;
    QByteArray piece = std::move(pieces_.front());
    pieces_.pop_front();
    changed_.notify_all();
    return piece;
}

bool ReplyPipe::complete() const {
    std::lock_guard lock(mutex_);
    return closed_ && complete_ && pieces_.empty();
}

void ReplyPipe::abandon() {
    std::lock_guard lock(mutex_);
    abandoned_ = true;
    pieces_.clear();
    changed_.notify_all();
}

}  // namespace cot::server
