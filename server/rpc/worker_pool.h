#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace cot::server {

// Threads that run jobs in the order they were queued. The pool starts with `core` threads
// and adds one, up to `most`, whenever a job arrives while none is free: threads that only
// wait for slow clients must not keep a quick request waiting behind them.
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

private:
    void work();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> threads_;
    int idle_ = 0;
    int live_ = 0;  // threads not yet ended
    int most_ = 1;
    bool stopping_ = false;
};

// Runs `job` on one of the pool's threads and waits for it; what it throws is thrown here.
void runOn(WorkerPool& pool, const std::function<void()>& job);

}  // namespace cot::server
