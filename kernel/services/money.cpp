#include "money.h"

#include <cmath>

#include "data/decimal_text.h"

namespace cot {

long double truncCents(long double value) {
    if (!std::isfinite(value)) return value;
    return DecimalText::fromValue(value).truncated(2).toValue();
}

long double roundDec(long double value, int digits) {
    if (!std::isfinite(value)) return value;
    return DecimalText::fromValue(value).rounded(digits).toValue();
}

bool sameMoney(long double a, long double b) { return roundDec(a, 5) == roundDec(b, 5); }

}  // namespace cot
