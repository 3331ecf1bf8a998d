#pragma once

namespace cot {

// Money is held in tables as double and computed in long double. These routines
// work on the value written as decimal text with 15 significant digits, so a value
// that prints as a whole number of cents never loses one to representation error
// (1,15 stays 1,15; multiplying by 100 in binary and truncating would give 1,14).
// Results are the double nearest to the resulting decimal text, which is exactly
// what a table column stores for that text.

// Cuts the value after the second decimal, toward zero: 33,339 → 33,33; -1,019 → -1,01.
long double truncCents(long double value);

// Rounds to `digits` decimals, half away from zero: 2,675 → 2,68; -0,005 → -0,01.
// Negative `digits` round to tens, hundreds...; non-finite values are returned as they are.
long double roundDec(long double value, int digits);

// Two amounts are the same when they agree after rounding to 5 decimals.
bool sameMoney(long double a, long double b);

}  // namespace cot
