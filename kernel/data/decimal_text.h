#pragma once
#include <string>

namespace cot {

// A number as decimal text of at most 15 significant digits: the form in which
// money is cut and rounded, so binary representation error never moves a cent.
// value = (negative ? -1 : 1) * 0.d1d2d3... * 10^point
struct DecimalText {
    bool negative = false;
    std::string digits;  // significant digits, no leading or trailing zeros; empty for zero
    int point = 0;       // how many digits stand before the decimal point (may be <= 0)

    // Locale-independent: never reads the C locale (Qt sets it from the environment).
    static DecimalText fromValue(long double value, int significant = 15);
    // Accepts plain C-format text ("-1500.25", "1e-5"); false when malformed.
    static bool parse(const std::string& text, DecimalText& out);

    bool isZero() const { return digits.empty(); }
    // Keep `decimals` places, dropping the rest toward zero.
    DecimalText truncated(int decimals) const;
    // Keep `decimals` places, rounding half away from zero.
    DecimalText rounded(int decimals) const;

    // Digits before the point ("0" when none) and after it, exactly `decimals` of them
    // (padded with zeros; extra digits are dropped, so round first).
    std::string integerPart() const;
    std::string fractionPart(int decimals) const;
    // Plain C-format text, e.g. "-1500.25".
    std::string toString() const;
    // The double nearest to the text, widened: what a table column would store.
    long double toValue() const;
};

}  // namespace cot
