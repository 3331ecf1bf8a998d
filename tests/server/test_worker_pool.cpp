// The server's thread pools: which thread takes a job, growth, failures and the end.
#include <algorithm>
#include <atomic>
#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "server/rpc/worker_pool.h"

using namespace cot::server;

namespace {

// The job's thread; the pool is left with every thread free again.
std::thread::id threadOfNextJob(WorkerPool& pool) {
    std::thread::id id;
    runOn(pool, [&] { id = std::this_thread::get_id(); });
    while (pool.idleCount() < pool.threadCount()) std::this_thread::yield();
    return id;
}

// One request at a time keeps going to the same thread, and so to the same database
// connection with its page cache, instead of every thread of the pool in turn.
TEST(WorkerPool, OneJobAtATimeStaysOnTheThreadThatWasFreeLast) {
    WorkerPool pool(8, 8);
    while (pool.idleCount() < 8) std::this_thread::yield();  // every thread started
    const std::thread::id first = threadOfNextJob(pool);
    for (int i = 0; i < 50; ++i) ASSERT_EQ(threadOfNextJob(pool), first) << "job " << i;
    EXPECT_EQ(pool.threadCount(), 8);
}

// Jobs queued while a thread is busy run in their order; the pool grows up to its most when
// every thread is busy, and the rest wait for a free one.
TEST(WorkerPool, JobsQueuedWhileEveryThreadIsBusyGrowThePoolToItsMostAndRunInOrder) {
    for (const int most : {1, 3}) {
        WorkerPool pool(1, most);
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        std::atomic<int> running{0};
        for (int i = 0; i < most; ++i)
            pool.enqueue([&] {
                ++running;
                released.wait();
            });
        while (running.load() < most) std::this_thread::yield();
        std::vector<int> order, expected;  // run one at a time once released: the only one free is the first
        std::mutex lock;
        for (int i = 0; i < 20; ++i) {
            expected.push_back(i);
            pool.enqueue([&, i] {
                std::lock_guard hold(lock);
                order.push_back(i);
            });
        }
        EXPECT_EQ(std::pair(pool.threadCount(), running.load()), std::pair(most, most));
        release.set_value();
        pool.shutdown();
        if (most > 1) std::sort(order.begin(), order.end());  // several threads: any order, each once
        EXPECT_EQ(order, expected);
    }
}

// A failing job leaves its thread working; runOn hands what the job threw to its caller.
// Shutdown runs what is queued, and later jobs run on the caller.
TEST(WorkerPool, AFailingJobLeavesItsThreadWorkingAndShutdownRunsWhatIsQueued) {
    std::atomic<int> done{0};
    WorkerPool pool(1, 1);
    pool.enqueue([] { throw std::runtime_error("falhou"); });
    pool.enqueue([] { throw 42; });
    EXPECT_NE(threadOfNextJob(pool), std::this_thread::get_id());
    EXPECT_THROW(runOn(pool, [] { throw std::runtime_error("falhou"); }), std::runtime_error);
    for (int i = 0; i < 100; ++i) pool.enqueue([&] { ++done; });
    pool.shutdown();
    EXPECT_EQ(done.load(), 100);
    EXPECT_EQ(threadOfNextJob(pool), std::this_thread::get_id());
    pool.shutdown();  // twice is harmless
}

}  // namespace
