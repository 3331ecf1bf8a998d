#include "server/auth/password_gate.h"

#include "server/rpc/method_registry.h"

namespace cot::server {

namespace {

MethodError busy() {
    return MethodError(QStringLiteral("Muitas entradas no sistema ao mesmo tempo. Tente de novo em instantes."));
}

}  // namespace

PasswordGate::Pass::~Pass() {
    if (!gate_) return;
    std::lock_guard lock(gate_->mutex_);
    --gate_->inside_;
    gate_->freed_.notify_one();
}

PasswordGate::Pass PasswordGate::enter() {
    std::unique_lock lock(mutex_);
    if (inside_ < running_) {
        ++inside_;
        return Pass(this);
    }
    if (queued_ >= waiting_) throw busy();
    ++queued_;
    const bool got = freed_.wait_for(lock, wait_, [this] { return inside_ < running_; });
    --queued_;
    if (!got) throw busy();
    ++inside_;
    return Pass(this);
}

int PasswordGate::waitingNow() {
    std::lock_guard lock(mutex_);
    return queued_;
}

PasswordGate& PasswordGate::server() {
    static PasswordGate gate(2, 8, std::chrono::seconds(5));
    return gate;
}

}  // namespace cot::server
