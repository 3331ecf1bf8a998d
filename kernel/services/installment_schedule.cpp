#include "installment_schedule.h"

#include <cmath>
#include <numeric>

#include "money.h"

namespace cot {

namespace {

// A value already cut to the cent, as a whole number of cents.
long long cents(long double money) { return std::llround(money * 100.0L); }
double fromCents(long long c) { return static_cast<double>(c) / 100.0; }

long double sum(const std::vector<double>& values) {
    return std::accumulate(values.begin(), values.end(), 0.0L);
}

// Puts on the first installment what the cut shares leave to reach `total` cents.
std::vector<double> withRemainderOnFirst(std::vector<long long> shares, long long total) {
    const long long remainder = total - std::accumulate(shares.begin(), shares.end(), 0LL);
    if (!shares.empty()) shares.front() += remainder;
    std::vector<double> out;
    out.reserve(shares.size());
    for (long long c : shares) out.push_back(fromCents(c));
    return out;
}

}  // namespace

long double scheduleTotal(long double lineTotal, long double ratePercent, int count) {
    return count > 3 ? lineTotal * (1 + ratePercent / 100) : lineTotal;
}

long double scheduleSum(long double lineTotal, long double ratePercent, int count) {
    return truncCents(scheduleTotal(lineTotal, ratePercent, count));
}

std::vector<double> equalSplit(long double lineTotal, long double ratePercent, int count) {
    if (count <= 0) return {};
    const long long total = cents(scheduleSum(lineTotal, ratePercent, count));
    if (count == 1) return {fromCents(total)};
    // The share as the schedules have always computed it: the line's share, then the interest.
    const long double share = count > 3 ? (lineTotal / count) * (1 + ratePercent / 100) : lineTotal / count;
    long long each = cents(truncCents(share));
    // Never more than the total allows, whatever the last bit of the division did.
    if (each * count > total) each = total / count;
    return withRemainderOnFirst(std::vector<long long>(size_t(count), each), total);
}

std::vector<double> proportionalSplit(const std::vector<double>& current, long double lineTotal,
                                      long double ratePercent) {
    const int count = int(current.size());
    const long double before = sum(current);
    if (count == 0) return {};
    if (count == 1 || sameMoney(before, 0)) return equalSplit(lineTotal, ratePercent, count);
    const long double total = scheduleSum(lineTotal, ratePercent, count);
    std::vector<long long> shares;
    shares.reserve(current.size());
    for (double value : current) shares.push_back(cents(truncCents(total * (value * 100.0L / before) / 100)));
    return withRemainderOnFirst(std::move(shares), cents(total));
}

bool scheduleAddsUp(const std::vector<double>& values, long double lineTotal, long double ratePercent) {
    if (values.empty()) return true;
    return sameMoney(sum(values), scheduleSum(lineTotal, ratePercent, int(values.size())));
}

bool scheduleAccepted(const std::vector<double>& values, long double lineTotal, long double ratePercent) {
    if (scheduleAddsUp(values, lineTotal, ratePercent)) return true;
    const long double sum = std::accumulate(values.begin(), values.end(), 0.0L);
    return sameMoney(sum, truncCents(lineTotal)) || sameMoney(sum, truncCents(lineTotal * (1 + ratePercent / 100)));
}

}  // namespace cot
