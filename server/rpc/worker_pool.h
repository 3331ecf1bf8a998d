#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace cot::server {

// Threads that run jobs in the order they were queued. The pool starts with `core` threads
// and adds one, up to `most`, whenever a job arrives while none is free: threads that only
// wait for slow clients must not keep a quick request waiting behind them.
//
// A job goes to the thread that became free last. Each database thread keeps its own
// connection, and a connection's page cache is only good until another connection writes:
// with few requests at a time the same one or two threads (and connections) take them all,
// warm, instead of every thread in turn starting from an empty cache.
class WorkerPool {
public:
    WorkerPool(int core, int most);
    ~WorkerPool();  // shutdown()
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    void enqueue(std::function<void()> job);
    // Runs the jobs already queued, then ends and joins every thread. A job queued once
    // every thread has ended runs on the caller's thread.
    void shutdown();
    int threadCount() const;
    int idleCount() const;  // threads waiting for a job
    int queuedCount() const;  // jobs waiting for a thread

private:
    // A thread waiting for work: the job handed to it, and its own signal.
    struct Waiter {
        std::condition_variable wake;
        std::function<void()> job;
    };

    void work(Waiter* self);
    void startThread();  // under mutex_

    mutable std::mutex mutex_;
    std::deque<std::function<void()>> jobs_;  // queued while no thread was free
    std::vector<std::unique_ptr<Waiter>> waiters_;  // one per thread, kept as long as the pool
    std::vector<Waiter*> idle_;                     // the last to become free at the back
    std::vector<std::thread> threads_;
    int live_ = 0;  // threads not yet ended
    int most_ = 1;
    bool stopping_ = false;
};

// Runs `job` on one of the pool's threads and waits for it; what it throws is thrown here.
void runOn(WorkerPool& pool, const std::function<void()>& job);

}  // namespace cot::server
