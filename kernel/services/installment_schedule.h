#pragma once
// The licence installments of a product line: how a line total is spread over its
// due dates, and when a schedule adds up. With more than three installments the
// schedule carries the interest rate of the proposal parameters.
//
// Every schedule made here adds up: its values are whole cents and their sum is the
// schedule total cut to the cent, the truncation's remainder going to the first one.
#include <vector>

namespace cot {

// Line total × (1 + rate/100) for more than three installments, the line total otherwise.
long double scheduleTotal(long double lineTotal, long double ratePercent, int count);
// What the installments must add up to: the schedule total cut to the cent.
long double scheduleSum(long double lineTotal, long double ratePercent, int count);

// `count` equal installments of the cut share, the cents left over on the first one.
// A single installment takes the line total cut to the cent.
std::vector<double> equalSplit(long double lineTotal, long double ratePercent, int count);

// The installments re-spread over a new line total, each keeping its share of the
// current sum; what the cut leaves goes to the first one. Installments that add up to
// nothing have no shares: they are split equally.
std::vector<double> proportionalSplit(const std::vector<double>& current, long double lineTotal,
                                      long double ratePercent);

// Whether the values add up to scheduleSum() (to the fifth decimal). An empty schedule does.
bool scheduleAddsUp(const std::vector<double>& values, long double lineTotal, long double ratePercent);

// Whether the server takes a stored schedule: it adds up as above or, as the approval also
// takes it, to the total with or without the interest whatever its count.
bool scheduleAccepted(const std::vector<double>& values, long double lineTotal, long double ratePercent);

}  // namespace cot
