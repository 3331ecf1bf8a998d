#include "rpc/call_wait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QThread>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace cot::call_wait {

namespace {

std::atomic<CallWaitHook*> g_hook{nullptr};

// A call that answers within this is waited for without the event loop: most calls take
// well under a millisecond, and the window cannot tell the difference.
constexpr std::chrono::milliseconds kDirectWait(5);

// A worker left idle this long ends.
constexpr std::chrono::seconds kIdleWorkerLife(60);

// The threads the calls run on, kept between calls: handing a call to a thread that waits
// for it costs one wake-up, where a pool queues it and starts or wakes one of its own.
// An idle worker is taken when there is one; otherwise (a call abandoned while its socket
// still connects holds its thread for up to the connection timeout, a wait nested in
// another's takes a second one) a new one starts. Never destroyed: a worker may still run
// an abandoned call when the program ends.
class Workers {
public:
    static Workers& instance() {
        static Workers* const workers = new Workers;
        return *workers;
    }

    void start(std::function<void()> job) {
        std::unique_lock lock(mutex_);
        if (idle_.empty()) {
            auto worker = std::make_unique<Worker>();
            worker->job = std::move(job);
            std::thread([this, w = worker.get()] { serve(w); }).detach();
            worker.release();  // the thread owns it now
            return;
        }
        Worker* const worker = idle_.back();
        idle_.pop_back();
        worker->job = std::move(job);
        lock.unlock();
        worker->wake.notify_one();
    }

private:
    struct Worker {
        std::condition_variable wake;
        std::function<void()> job;
    };

    void serve(Worker* worker) {
        std::unique_lock lock(mutex_);
        for (;;) {
            if (!worker->wake.wait_for(lock, kIdleWorkerLife, [worker] { return bool(worker->job); })) {
                std::erase(idle_, worker);
                delete worker;
                return;
            }
            std::function<void()> job = std::move(worker->job);
            worker->job = nullptr;
            lock.unlock();
            job();
            job = nullptr;  // what the job holds goes here, off the waiting thread
            lock.lock();
            idle_.push_back(worker);
        }
    }

    std::mutex mutex_;
    std::vector<Worker*> idle_;  // the last one idle taken first: its stack is still warm
};

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
    Workers::instance().start([shared, work = std::move(work)]() mutable {
        std::exception_ptr failure;
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        work = nullptr;  // what the work holds goes here, off the UI thread
        {
            std::lock_guard lock(shared->mutex);
            shared->failure = failure;
            shared->done = true;
            if (shared->waker) QMetaObject::invokeMethod(shared->waker, [] {}, Qt::QueuedConnection);
        }
        // Told once the lock is free: woken under it, the waiting thread would block on it again.
        shared->finished.notify_one();
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
