#pragma once
// The password checks running at once. Each Argon2id check takes about 64 MiB and a few
// tenths of a second of a core, and a sign-in needs no session: without a bound, sign-ins
// from many addresses would fill the memory and hold every database thread. So at most
// `running` checks go at once, at most `waiting` more wait their turn (each for `wait` at
// most), and any more are refused at once with a message, before the attempt is counted.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

namespace cot::server {

class PasswordGate {
public:
    PasswordGate(int running, int waiting, std::chrono::milliseconds wait)
        : running_(running), waiting_(waiting), wait_(wait) {}

    // A place among the checks running, given back when it goes.
    class Pass {
    public:
        explicit Pass(PasswordGate* gate) : gate_(gate) {}
        Pass(Pass&& other) noexcept : gate_(std::exchange(other.gate_, nullptr)) {}
        Pass(const Pass&) = delete;
        Pass& operator=(const Pass&) = delete;
        Pass& operator=(Pass&&) = delete;
        ~Pass();

    private:
        PasswordGate* gate_;
    };

    // Waits for a place; throws MethodError ("Muitas entradas no sistema ao mesmo tempo...")
    // when too many already wait or the wait runs out.
    Pass enter();

    // The server's own: two checks at once (the cores of a small server), eight waiting up
    // to five seconds.
    static PasswordGate& server();

    int waitingNow();  // checks waiting for a place

private:
    std::mutex mutex_;
    std::condition_variable freed_;
    int running_, waiting_;
    std::chrono::milliseconds wait_;
    int inside_ = 0, queued_ = 0;
};

}  // namespace cot::server
