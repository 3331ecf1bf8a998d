#include "server/rpc/worker_pool.h"

#include <QtDebug>
#include <algorithm>
#include <exception>
#include <future>

namespace cot::server {

WorkerPool::WorkerPool(int core, int most) : most_(std::max({1, core, most})) {
    std::lock_guard lock(mutex_);
    for (int i = 0; i < std::max(1, core); ++i) {
        threads_.emplace_back([this] { work(); });
        ++live_;
    }
}

WorkerPool::~WorkerPool() { shutdown(); }

void WorkerPool::enqueue(std::function<void()> job) {
    {
        std::unique_lock lock(mutex_);
        if (stopping_ && live_ == 0) {
            lock.unlock();
            job();
            return;
        }
        jobs_.push_back(std::move(job));
        if (!stopping_ && jobs_.size() > size_t(idle_) && int(threads_.size()) < most_) {
            threads_.emplace_back([this] { work(); });
            ++live_;
        }
    }
    wake_.notify_one();
}

void WorkerPool::shutdown() {
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        // Nothing is added to threads_ once stopping: this thread alone joins them.
        threads.swap(threads_);
    }
    wake_.notify_all();
    for (std::thread& t : threads)
        if (t.joinable()) t.join();
}

int WorkerPool::threadCount() const {
    std::lock_guard lock(mutex_);
    return int(threads_.size());
}

void WorkerPool::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        ++idle_;
        wake_.wait(lock, [this] { return !jobs_.empty() || stopping_; });
        --idle_;
        if (jobs_.empty()) {  // stopping, and nothing left to run
            --live_;
            return;
        }
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        try {
            job();
        } catch (const std::exception& e) {
            qWarning().noquote() << "cot05000-server: tarefa interrompida:" << e.what();
        } catch (...) {
            qWarning().noquote() << "cot05000-server: tarefa interrompida por exceção desconhecida";
        }
        job = nullptr;  // what it captured goes before the next wait
        lock.lock();
    }
}

void runOn(WorkerPool& pool, const std::function<void()>& job) {
    std::packaged_task<void()> task(job);
    std::future<void> done = task.get_future();
    pool.enqueue([&task] { task(); });
    done.get();
}

}  // namespace cot::server
