// Sign-ins come without a session and each password check is costly: only a few run at
// once, a few more wait, and the rest are refused before anything is counted.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "server/auth/password_gate.h"
#include "server/rpc/method_registry.h"
#include "support/wait_until.h"

using cot::server::MethodError;
using cot::server::PasswordGate;
using namespace cot::testing;

// Two run, one waits, the fourth is refused; a place given back lets the waiting one in. A
// wait that runs out is refused too, and leaves no one waiting.
TEST(PasswordGate, ChecksPastTheRunningOnesWaitAndPastTheWaitingOnesOrTheirTimeAreRefused) {
    PasswordGate gate(2, 1, std::chrono::seconds(30));
    std::optional<PasswordGate::Pass> first(gate.enter());
    const PasswordGate::Pass second = gate.enter();
    std::atomic<bool> third{false};
    std::thread waiting([&] {
        const PasswordGate::Pass pass = gate.enter();
        third = true;
    });
    ASSERT_TRUE(waitUntil([&] { return gate.waitingNow() == 1; }));
    try {
        (void)gate.enter();
        ADD_FAILURE() << "a fourth check got in";
    } catch (const MethodError& e) {
        EXPECT_EQ(e.text(), "Muitas entradas no sistema ao mesmo tempo. Tente de novo em instantes.");
    }
    EXPECT_FALSE(third);
    first.reset();
    EXPECT_TRUE(waitUntil([&] { return third.load(); })) << "a place given back lets the waiting one in";
    waiting.join();

    PasswordGate brief(1, 4, std::chrono::milliseconds(20));
    const PasswordGate::Pass held = brief.enter();
    EXPECT_THROW((void)brief.enter(), MethodError);
    EXPECT_EQ(brief.waitingNow(), 0);
}
