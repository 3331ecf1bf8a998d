#include "decimal_text.h"

#include <charconv>
#include <cmath>

namespace cot {

namespace {

void normalise(DecimalText& d) {
    size_t lead = 0;
    while (lead < d.digits.size() && d.digits[lead] == '0') ++lead;
    d.digits.erase(0, lead);
    d.point -= static_cast<int>(lead);
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    if (d.digits.empty()) {
        d.point = 0;
        d.negative = false;
    }
}

}  // namespace

DecimalText DecimalText::fromValue(long double value, int significant) {
    DecimalText d;
    if (!std::isfinite(value) || value == 0) return d;
    if (significant < 1) significant = 1;
    char buf[128];
    // "-d.ddddde+XX": one digit before the point, significant-1 after it.
    // Most values are doubles widened; the double overload is much faster.
    const double narrow = static_cast<double>(value);
    const auto res = static_cast<long double>(narrow) == value
                         ? std::to_chars(buf, buf + sizeof buf, narrow, std::chars_format::scientific,
                                         significant - 1)
                         : std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific,
                                         significant - 1);
    const std::string text(buf, res.ptr);
    size_t i = 0;
    if (text[i] == '-') {
        d.negative = true;
        ++i;
    }
    const size_t e = text.find('e');
    for (; i < e; ++i)
        if (text[i] != '.') d.digits.push_back(text[i]);
    int exponent = 0;
    const char* first = text.c_str() + e + 1;
    if (*first == '+') ++first;
    std::from_chars(first, text.c_str() + text.size(), exponent);
    d.point = exponent + 1;
    normalise(d);
    return d;
}

bool DecimalText::parse(const std::string& text, DecimalText& out) {
    long double v = 0;
    const char* first = text.c_str();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    const auto res = std::from_chars(first, last, v);
    if (res.ec != std::errc() || res.ptr != last) return false;
    out = fromValue(v);
    return true;
}

DecimalText DecimalText::truncated(int decimals) const {
    DecimalText d = *this;
    const int keep = point + decimals;
    if (keep >= static_cast<int>(digits.size())) return d;
    if (keep <= 0) return DecimalText{};
    d.digits.resize(static_cast<size_t>(keep));
    normalise(d);
    return d;
}

DecimalText DecimalText::rounded(int decimals) const {
    DecimalText d = *this;
    const int keep = point + decimals;
    if (keep >= static_cast<int>(digits.size())) return d;
    if (keep < 0) return DecimalText{};
    const bool up = digits[static_cast<size_t>(keep)] >= '5';
    d.digits.resize(static_cast<size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[static_cast<size_t>(i)] == '9') {
            d.digits[static_cast<size_t>(i)] = '0';
            --i;
        }
        if (i >= 0) {
            ++d.digits[static_cast<size_t>(i)];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.point;
        }
    }
    normalise(d);
    d.negative = negative && !d.digits.empty();
    return d;
}

std::string DecimalText::integerPart() const {
    if (point <= 0) return "0";
    std::string s = digits.substr(0, std::min<size_t>(digits.size(), static_cast<size_t>(point)));
    s.append(static_cast<size_t>(point) - s.size(), '0');
    return s;
}

std::string DecimalText::fractionPart(int decimals) const {
    std::string s;
    for (int i = 0; i < decimals; ++i) {
        const int idx = point + i;
        s.push_back(idx >= 0 && idx < static_cast<int>(digits.size()) ? digits[static_cast<size_t>(idx)]
                                                                       : '0');
    }
    return s;
}

std::string DecimalText::toString() const {
    if (digits.empty()) return "0";
    std::string s = negative ? "-" : "";
    s += integerPart();
    const int decimals = static_cast<int>(digits.size()) - point;
    if (decimals > 0) s += "." + fractionPart(decimals);
    return s;
}

long double DecimalText::toValue() const {
    const std::string s = toString();
    double v = 0;
    std::from_chars(s.c_str(), s.c_str() + s.size(), v);
    return v;
}

}  // namespace cot
