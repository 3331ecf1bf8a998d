#include <gtest/gtest.h>

#include <cmath>

#include "services/money.h"

using namespace cot;

// Every whole cent value must survive truncation: the binary value of 1,15 is
// slightly below 1,15, and truncating value*100 would give 1,14.
TEST(Money, TruncCentsKeepsEveryCentUpToTenThousand) {
    int lost = 0;
    for (int i = -1'000'000; i <= 1'000'000; ++i) {
        const double cents = i / 100.0;
        if (static_cast<double>(truncCents(cents)) != cents && ++lost < 5)
            ADD_FAILURE() << "cent value " << i << " became " << static_cast<double>(truncCents(cents));
    }
    EXPECT_EQ(lost, 0);
}

TEST(Money, TruncCutsTowardZeroAndRoundRoundsHalfAwayFromZeroOnTheDecimalText) {
    // long double arithmetic: an installment with interest, as the schedules compute it
    const std::pair<long double, double> cut[] = {
        {0.29, 0.29}, {33.339, 33.33}, {1000.0L / 3, 333.33}, {0.019, 0.01}, {0.009, 0.0}, {-33.339, -33.33},
        {10.555, 10.55}, {(1000.0L / 3) * (1 + 1.5L / 100), 338.33}, {1e9 + 0.999, 1000000000.99}};
    for (const auto& [value, cents] : cut) EXPECT_EQ(static_cast<double>(truncCents(value)), cents) << double(value);
    EXPECT_EQ(static_cast<double>(truncCents(-0.001)), 0.0);
    EXPECT_FALSE(std::signbit(static_cast<double>(truncCents(-0.001))));
    EXPECT_TRUE(std::isnan(truncCents(NAN)));

    // 2.675 is 2.67499999... in binary.
    const std::tuple<double, int, double> rounded[] = {
        {2.675, 2, 2.68}, {1.005, 2, 1.01}, {-0.005, 2, -0.01}, {0.5, 0, 1.0}, {0.4999, 0, 0.0}, {9.995, 2, 10.0},
        {99.999999, 5, 100.0}, {1234.5, -2, 1200.0}, {0.000004, 5, 0.0}, {0.000005, 5, 0.00001}, {123.456, 10, 123.456}};
    for (const auto& [value, places, result] : rounded) EXPECT_EQ(static_cast<double>(roundDec(value, places)), result) << value;
}

TEST(Money, SameMoneyComparesAtFiveDecimals) {
    double sum = 0;
    for (int i = 0; i < 10; ++i) sum += 0.1;
    EXPECT_NE(static_cast<double>(sum), 1.0);
    EXPECT_TRUE(sameMoney(sum, 1.0));
    EXPECT_TRUE(sameMoney(333.33L * 3 + 0.01L, 1000.0));
    EXPECT_FALSE(sameMoney(999.99, 1000.0));
    EXPECT_FALSE(sameMoney(0.00001, 0.0));
    EXPECT_TRUE(sameMoney(0.000004, 0.0));
}
