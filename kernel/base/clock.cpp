#include "clock.h"

#include <atomic>

namespace cot {

namespace {
std::shared_ptr<const Clock>& slot() {
    static std::shared_ptr<const Clock> clock = std::make_shared<SystemClock>();
    return clock;
}
}  // namespace

const Clock& Clock::current() { return *std::atomic_load(&slot()); }

void Clock::setCurrent(std::shared_ptr<const Clock> clock) {
    if (!clock) clock = std::make_shared<SystemClock>();
    std::atomic_store(&slot(), std::move(clock));
}

}  // namespace cot
