#include "server/rpc/worker_pool.h"

#include <QtDebug>
#include <algorithm>
#include <exception>
#include <future>

namespace cot::server {

namespace {

void runGuarded(std::function<void()>& job) {
    try {
        job();
    } catch (const std::exception& e) {
        qWarning().noquote() << "cot05000-server: tarefa interrompida:" << e.what();
    } catch (...) {
        qWarning().noquote() << "cot05000-server: tarefa interrompida por exceção desconhecida";
    }
    job = nullptr;  // what it captured goes before the next wait
}

}  // namespace

WorkerPool::WorkerPool(int core, int most) : most_(std::max({1, core, most})) {
    std::lock_guard lock(mutex_);
    for (int i = 0; i < std::max(1, core); ++i) startThread();
}

WorkerPool::~WorkerPool() { shutdown(); }

void WorkerPool::startThread() {
    Waiter* waiter = waiters_.emplace_back(std::make_unique<Waiter>()).get();
    threads_.emplace_back([this, waiter] { work(waiter); });
    ++live_;
}

void WorkerPool::enqueue(std::function<void()> job) {
    std::unique_lock lock(mutex_);
    if (stopping_ && live_ == 0) {
        lock.unlock();
        job();
        return;
    }
    if (!idle_.empty()) {
        Waiter* waiter = idle_.back();
        idle_.pop_back();
        waiter->job = std::move(job);
        lock.unlock();
        waiter->wake.notify_one();  // the waiter outlives its thread: told after the lock is free
        return;
    }
    jobs_.push_back(std::move(job));
    if (!stopping_ && int(threads_.size()) < most_) startThread();
}

void WorkerPool::shutdown() {
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        // Nothing is added to threads_ once stopping: this thread alone joins them.
        threads.swap(threads_);
        for (Waiter* waiter : idle_) waiter->wake.notify_one();
    }
    for (std::thread& t : threads)
        if (t.joinable()) t.join();
}

int WorkerPool::threadCount() const {
    std::lock_guard lock(mutex_);
    return int(threads_.size());
}

int WorkerPool::idleCount() const {
    std::lock_guard lock(mutex_);
    return int(idle_.size());
}

void WorkerPool::work(Waiter* waiter) {
    Waiter& self = *waiter;
    std::unique_lock lock(mutex_);
    for (;;) {
        std::function<void()> job;
        if (!jobs_.empty()) {
            job = std::move(jobs_.front());
            jobs_.pop_front();
        } else if (stopping_) {
            --live_;
            return;
        } else {
            idle_.push_back(&self);
            self.wake.wait(lock, [&] { return bool(self.job) || stopping_; });
            if (!self.job) {  // stopping: no longer free for a job
                idle_.erase(std::find(idle_.begin(), idle_.end(), &self));
                continue;
            }
            job = std::move(self.job);
            self.job = nullptr;
        }
        lock.unlock();
        runGuarded(job);
        lock.lock();
    }
}

void runOn(WorkerPool& pool, const std::function<void()>& job) {
    std::packaged_task<void()> task(job);
    std::future<void> done = task.get_future();
    pool.enqueue([&task] { task(); });
    done.get();
}

int WorkerPool::queuedCount() const {
    std::lock_guard lock(mutex_);
    return int(jobs_.size());
}

}  // namespace cot::server
