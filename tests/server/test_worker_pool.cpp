// The server's thread pools: which thread takes a job, growth, failures and the end.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <numeric>
#include <stdexcept>
#include <thread>
#include <vector>

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

}  // namespace

// One request at a time keeps going to the same thread, and so to the same database
// connection with its page cache, instead of every thread of the pool in turn.
TEST(WorkerPool, OneJobAtATimeStaysOnTheThreadThatWasFreeLast) {
    WorkerPool pool(8, 8);
    while (pool.idleCount() < 8) std::this_thread::yield();  // every thread started
    const std::thread::id first = threadOfNextJob(pool);
    for (int i = 0; i < 50; ++i) ASSERT_EQ(threadOfNextJob(pool), first) << "job " << i;
    EXPECT_EQ(pool.threadCount(), 8);
}

TEST(WorkerPool, JobsQueuedWhileTheThreadIsBusyRunInTheirOrder) {
    WorkerPool pool(1, 1);
    std::promise<void> release;
    std::promise<void> started;
    pool.enqueue([&] {
        started.set_value();
        release.get_future().wait();
    });
    started.get_future().wait();
    std::vector<int> order;  // one thread: no lock needed
    for (int i = 0; i < 20; ++i) pool.enqueue([&, i] { order.push_back(i); });
    release.set_value();
    pool.shutdown();
    std::vector<int> expected(20);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(order, expected);
}

TEST(WorkerPool, GrowsUpToItsMostWhenEveryThreadIsBusy) {
    WorkerPool pool(1, 3);
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> running{0};
    for (int i = 0; i < 5; ++i)
        pool.enqueue([&] {
            ++running;
            released.wait();
        });
    while (running.load() < 3) std::this_thread::yield();
    EXPECT_EQ(pool.threadCount(), 3);
    EXPECT_EQ(running.load(), 3);  // the other two wait for a free thread
    release.set_value();
    pool.shutdown();
    EXPECT_EQ(running.load(), 5);
}

TEST(WorkerPool, AFailingJobLeavesItsThreadWorking) {
    WorkerPool pool(1, 1);
    pool.enqueue([] { throw std::runtime_error("falhou"); });
    pool.enqueue([] { throw 42; });
    std::thread::id id;
    EXPECT_NO_THROW(runOn(pool, [&] { id = std::this_thread::get_id(); }));
    EXPECT_NE(id, std::this_thread::get_id());
    // runOn hands what the job threw to its caller.
    EXPECT_THROW(runOn(pool, [] { throw std::runtime_error("falhou"); }), std::runtime_error);
}

TEST(WorkerPool, ShutdownRunsWhatIsQueuedAndLaterJobsRunOnTheCaller) {
    std::atomic<int> done{0};
    WorkerPool pool(2, 2);
    for (int i = 0; i < 100; ++i) pool.enqueue([&] { ++done; });
    pool.shutdown();
    EXPECT_EQ(done.load(), 100);
    const std::thread::id caller = std::this_thread::get_id();
    std::thread::id id;
    runOn(pool, [&] { id = std::this_thread::get_id(); });
    EXPECT_EQ(id, caller);
    pool.shutdown();  // twice is harmless
}
