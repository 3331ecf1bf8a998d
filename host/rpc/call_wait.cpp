#include "rpc/call_wait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QThread>
#include <QThreadPool>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>

namespace cot::call_wait {

namespace {

std::atomic<CallWaitHook*> g_hook{nullptr};

// A call that answers within this is waited for without the event loop: most calls take
// well under a millisecond, and the window cannot tell the difference.
constexpr std::chrono::milliseconds kDirectWait(5);

// Threads of their own: a call abandoned while its socket still connects keeps its thread
// for up to the connection timeout, and must not hold up the next call.
QThreadPool& workers() {
    static QThreadPool pool;
    static const bool sized = [] {
        pool.setMaxThreadCount(16);
        pool.setExpiryTimeout(60000);
        return true;
    }();
    (void)sized;
    return pool;
}

// What the worker and the waiting thread share.
struct Shared {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    QObject* waker = nullptr;  // the waiting loop's; the worker posts to it when done
    std::exception_ptr failure;  // what the work threw, thrown again on the waiting thread
};

}  // namespace

void setHook(CallWaitHook* hook) { g_hook = hook; }

CallWaitHook* hook() { return g_hook; }

bool run(std::function<void()> work, const std::function<void()>& abandon) {
    CallWaitHook* const waitHook = g_hook;
    QCoreApplication* const app = QCoreApplication::instance();
    if (!waitHook || !app || QThread::currentThread() != app->thread()) {
        work();
        return true;
    }
    auto shared = std::make_shared<Shared>();
    workers().start([shared, work = std::move(work)]() mutable {
        std::exception_ptr failure;
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        work = nullptr;  // what the work holds goes here, off the UI thread
        std::lock_guard lock(shared->mutex);
        shared->failure = failure;
        shared->done = true;
        shared->finished.notify_one();
        if (shared->waker) QMetaObject::invokeMethod(shared->waker, [] {}, Qt::QueuedConnection);
    });
    QObject waker;
    {
        std::unique_lock lock(shared->mutex);
        if (shared->finished.wait_for(lock, kDirectWait, [&] { return shared->done; })) {
            if (shared->failure) std::rethrow_exception(shared->failure);
            return true;
        }
        shared->waker = &waker;
    }
    auto cancelled = std::make_shared<bool>(false);
    waitHook->waitBegins([cancelled] { *cancelled = true; });
    for (;;) {
        {
            std::lock_guard lock(shared->mutex);
            if (shared->done) break;
        }
        if (*cancelled) break;
        QEventLoop::ProcessEventsFlags flags = QEventLoop::WaitForMoreEvents;
        if (!waitHook->takesInput()) flags |= QEventLoop::ExcludeUserInputEvents;
        QCoreApplication::processEvents(flags);
    }
    bool done = false;
    std::exception_ptr failure;
    {
        std::lock_guard lock(shared->mutex);
        shared->waker = nullptr;
        done = shared->done;
        failure = shared->failure;
    }
    waitHook->waitEnds();
    if (failure) std::rethrow_exception(failure);
    if (done) return true;
    abandon();
    return false;
}

}  // namespace cot::call_wait
