#include "json_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace cot {

void JsonText::grow(qsizetype n) {
    // reserve() reallocates, which the C library does without copying for large blocks.
    out_.reserve(std::max(out_.size() + n, out_.capacity() * 2 + 256));
}

void JsonText::integer(qint64 v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    append(buf, r.ptr - buf);
}

void JsonText::real(double v) {
    if (!std::isfinite(v)) return null();
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    append(buf, r.ptr - buf);
}

void JsonText::string(QByteArrayView utf8) {
    static constexpr char kHex[] = "0123456789abcdef";
    raw('"');
    const char* p = utf8.data();
    const char* end = p + utf8.size();
    const char* run = p;  // start of the bytes copied as they are
    for (; p < end; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        append(run, p - run);
        run = p + 1;
        switch (c) {
        case '"': append("\\\"", 2); break;
        case '\\': append("\\\\", 2); break;
        case '\n': append("\\n", 2); break;
        case '\r': append("\\r", 2); break;
        case '\t': append("\\t", 2); break;
        case '\b': append("\\b", 2); break;
        case '\f': append("\\f", 2); break;
        default: {
            const char esc[6] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
            append(esc, 6);
        }
        }
    }
    append(run, p - run);
    raw('"');
}

void JsonText::string(const QString& text) {
    // Most texts are ASCII; they are copied without building a UTF-8 temporary.
    const QChar* s = text.constData();
    const qsizetype n = text.size();
    bool ascii = true;
    for (qsizetype i = 0; i < n && ascii; ++i) ascii = s[i].unicode() < 0x80;
    if (!ascii) return string(QByteArrayView(text.toUtf8()));
    if (out_.capacity() - out_.size() < n + 2) grow(n + 2);
    raw('"');
    const qsizetype start = out_.size();
    out_.resize(start + n);
    char* dst = out_.data() + start;
    bool clean = true;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i].unicode();
        clean = clean && c >= 0x20 && c != u'"' && c != u'\\';
        dst[i] = char(c);
    }
    if (clean) {
        raw('"');
        return;
    }
    const QByteArray plain(dst, n);
    out_.truncate(start - 1);
    string(QByteArrayView(plain));
}

}  // namespace cot
