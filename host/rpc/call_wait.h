#pragma once
#include <functional>

namespace cot {

// What the desktop shows while a remote call runs off the UI thread (the busy window with
// its "Cancelar", host/ui). The rpc layer only tells it when a wait begins and ends; it
// stays free of widgets. Waits nest (a timer may run a call on another connection while
// one waits): begins and ends come in pairs, the innermost first.
class CallWaitHook {
public:
    virtual ~CallWaitHook() = default;
    // A call is waited for; `cancel` (UI thread, during the wait) abandons it.
    virtual void waitBegins(std::function<void()> cancel) = 0;
    virtual void waitEnds() = 0;
    // Whether the operator's input is delivered during the wait (the hook keeps it away from
    // everything but its own window); otherwise it stays queued until the wait ends.
    virtual bool takesInput() const = 0;
};

namespace call_wait {

// Installed by the UI at start (null removes it). Without a hook calls run on the calling
// thread, as in the server's tools and on the tests' worker threads.
void setHook(CallWaitHook* hook);
CallWaitHook* hook();

// Runs `work` on a worker thread while the application's (UI) thread waits in a local event
// loop that paints, moves windows and runs timers; elsewhere, or without a hook, runs it
// here. False when the wait was abandoned: `abandon` has then been called on this thread,
// and the work ends on its own with its outcome dropped, so it must own all it touches.
// What the work throws is thrown here.
bool run(std::function<void()> work, const std::function<void()>& abandon);

}  // namespace call_wait
}  // namespace cot
