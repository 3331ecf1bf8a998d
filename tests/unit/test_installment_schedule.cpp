// Licence installments: the equal split and the re-split must always add up to the
// schedule total cut to the cent, with the cents left over on the first installment. The
// cent arithmetic they rest on.

#include <cmath>
#include <numeric>
#include <random>

#include "services/installment_schedule.h"
#include "services/money.h"
#include "unit_cases.h"

namespace {

std::vector<double> values(std::initializer_list<double> v) { return v; }

long long centsOf(double v) { return std::llround(v * 100.0L); }

}  // namespace

TEST(InstallmentSchedule, EqualSplitsAndTheInterestThreshold) {
    // Three installments carry no interest; the remainder of the cut goes to the first.
    EXPECT_EQ(equalSplit(1000, 2, 3), values({333.34, 333.33, 333.33}));
    // From four on the schedule total carries the rate.
    EXPECT_EQ(equalSplit(1000, 2, 4), values({255, 255, 255, 255}));
    EXPECT_EQ((std::vector<double>{double(scheduleTotal(1000, 2, 4)), double(scheduleTotal(1000, 2, 3))}), values({1020, 1000}));
    EXPECT_EQ(equalSplit(100, 0, 6), values({16.70, 16.66, 16.66, 16.66, 16.66, 16.66}));
    // One installment takes the line total cut to the cent, never more.
    EXPECT_EQ(equalSplit(10.555, 2, 1), values({10.55}));
    EXPECT_EQ(equalSplit(0.05, 0, 10), values({0.05, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(equalSplit(100, 2, 0).empty());
}

TEST(InstallmentSchedule, ResplitKeepsEachShareAndTheSumCheckTakesTheCutTotal) {
    EXPECT_EQ(proportionalSplit({300, 700}, 2000, 2), values({600, 1400}));
    // Four of 255 re-spread over 1.234,56 at 2%: the total is cut before it is spread
    // (1.259,25, not 1.259,2512), so the first takes a whole cent and the schedule posts.
    const std::vector<double> resplit = proportionalSplit({255, 255, 255, 255}, 1234.56, 2);
    EXPECT_EQ(resplit, values({314.82, 314.81, 314.81, 314.81}));
    EXPECT_TRUE(scheduleAddsUp(resplit, 1234.56, 2));
    // Installments adding up to nothing have no shares: equal split, no division by zero.
    EXPECT_EQ(proportionalSplit({0, 0, 0}, 1000, 2), equalSplit(1000, 2, 3));
    EXPECT_EQ(proportionalSplit({0}, 10.555, 2), values({10.55}));
    EXPECT_TRUE(proportionalSplit({}, 1000, 2).empty());

    // The sum check compares with the cut total.
    EXPECT_TRUE(scheduleAddsUp({}, 1000, 2) && scheduleAddsUp({255, 255, 255, 255}, 1000, 2) &&
                scheduleAddsUp({10.55}, 10.555, 0));
    EXPECT_FALSE(scheduleAddsUp({250, 250, 250, 250}, 1000, 2));
    // The demo's old first line: 4 installments summing 5.500,00 for 5 × (1.200 − 100) at 1,5%.
    EXPECT_FALSE(scheduleAddsUp({1375, 1375, 1375, 1375}, 5500, 1.5));
    EXPECT_EQ(static_cast<double>(scheduleSum(5500, 1.5, 4)), 5582.5);
}

// Thousands of totals (those whose binary form sits just under a cent among them),
// counts from 1 to 60, rates with and without decimals, and re-splits of random shares:
// every schedule is whole cents, never negative, adds up exactly, and only the first
// installment carries the remainder (fewer cents than installments).
TEST(InstallmentSchedule, EverySchedulePropertyHoldsOverRandomTotals) {
    std::mt19937_64 random(20261206);
    std::uniform_int_distribution<long long> totalCents(0, 10'000'000);
    std::uniform_int_distribution<int> countOf(1, 60);
    const double rates[] = {0, 1.5, 2, 2.75, 3.333, 10};
    std::vector<double> totals{0.53, 1.05, 2.10, 4.18, 0.29, 1.15, 33.339, 10.555, 1234.56, 0.01};
    for (int i = 0; i < 3000; ++i) totals.push_back(double(totalCents(random)) / (i % 3 == 0 ? 1000.0 : 100.0));

    int failures = 0;
    auto check = [&](const std::vector<double>& split, double total, double rate, const char* what) {
        const int n = int(split.size());
        long long sum = 0;
        bool ok = true;
        for (double v : split) {
            ok = ok && v >= 0 && static_cast<double>(truncCents(v)) == v;
            sum += centsOf(v);
        }
        ok = ok && sum == centsOf(static_cast<double>(scheduleSum(total, rate, n))) && scheduleAddsUp(split, total, rate);
        if (!ok && ++failures <= 10)
            ADD_FAILURE() << what << ": total " << total << " rate " << rate << " count " << n << " sums " << sum;
    };
    for (size_t i = 0; i < totals.size(); ++i) {
        const double total = totals[i];
        const double rate = rates[i % std::size(rates)];
        const int count = countOf(random);
        const std::vector<double> equal = equalSplit(total, rate, count);
        ASSERT_EQ(int(equal.size()), count);
        check(equal, total, rate, "igual");
        for (int k = 1; k < count; ++k) {
            EXPECT_EQ(equal[k], equal[1]);
            EXPECT_LT(centsOf(equal[0]) - centsOf(equal[k]), count);
        }
        std::vector<double> shares(static_cast<size_t>(count));
        for (double& s : shares) s = double(random() % 100000) / 100.0;
        check(proportionalSplit(shares, totals[(i + 1) % totals.size()], rate), totals[(i + 1) % totals.size()], rate,
              "proporcional");
    }
    EXPECT_EQ(failures, 0);
}

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

    // Money values are the same at five decimals.
    double sum = 0;
    for (int i = 0; i < 10; ++i) sum += 0.1;
    EXPECT_NE(static_cast<double>(sum), 1.0);
    EXPECT_TRUE(sameMoney(sum, 1.0));
    EXPECT_TRUE(sameMoney(333.33L * 3 + 0.01L, 1000.0));
    EXPECT_FALSE(sameMoney(999.99, 1000.0));
    EXPECT_FALSE(sameMoney(0.00001, 0.0));
    EXPECT_TRUE(sameMoney(0.000004, 0.0));
}
