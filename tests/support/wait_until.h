#pragma once
// Waiting on what a test can observe instead of on time: `condition` is polled every few
// milliseconds until it holds or a generous deadline passes (only a hung run meets it).
//
//   ASSERT_TRUE(waitUntil([&] { return slowCalls.load() == 1; }));
#include <chrono>
#include <functional>
#include <thread>

namespace cot::testing {

inline bool waitUntil(const std::function<bool()>& condition,
                      std::chrono::seconds deadline = std::chrono::seconds(30)) {
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= until) return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace cot::testing
