#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

namespace cot {

// JSON written straight into a byte buffer, value by value: no document tree, no
// QVariant, one growing allocation. The caller keeps the structure (commas, brackets).
class JsonText {
public:
    explicit JsonText(QByteArray& out) : out_(out) {}

    void raw(QByteArrayView text) { append(text.data(), text.size()); }
    void raw(char c) { append(&c, 1); }
    void null() { raw(QByteArrayView("null", 4)); }
    void boolean(bool v) { v ? raw(QByteArrayView("true", 4)) : raw(QByteArrayView("false", 5)); }
    void integer(qint64 v);
    // Shortest text that reads back to the same double; null for NaN and infinities,
    // which JSON cannot carry.
    void real(double v);
    // A quoted string from UTF-8 text; quotes, backslashes and control characters escaped.
    void string(QByteArrayView utf8);
    void string(const QString& text);

    // Appends bytes, growing the buffer in place: QByteArray's own append copies the whole
    // buffer into a new allocation each time it grows.
    void append(const char* data, qsizetype n) {
        if (out_.capacity() - out_.size() < n) grow(n);
        out_.append(data, n);
    }

private:
    void grow(qsizetype n);
    QByteArray& out_;
};

}  // namespace cot
