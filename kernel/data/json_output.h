#pragma once
#include <QByteArray>
#include <cstddef>

namespace cot {

// RapidJSON's output stream over a QByteArray: bytes go in place into room reserved ahead,
// and Flush() trims the array to what was written. Between a Flush() and the next write
// the array is the caller's (it may send it and empty it).
class JsonOutput {
public:
    using Ch = char;
    explicit JsonOutput(QByteArray& out) : out_(out) {}
    ~JsonOutput() { Flush(); }
    JsonOutput(const JsonOutput&) = delete;
    JsonOutput& operator=(const JsonOutput&) = delete;

    void Reserve(std::size_t n) {
        if (!next_ || std::size_t(end_ - next_) < n) grow(n);
    }
    void PutUnsafe(char c) { *next_++ = c; }
    void Put(char c) {
        Reserve(1);
        PutUnsafe(c);
    }
    void Flush();

private:
    void grow(std::size_t n);
    QByteArray& out_;
    char* next_ = nullptr;  // null while the array is trimmed
    char* end_ = nullptr;
};

// Found by RapidJSON's writer through the stream's namespace.
inline void PutReserve(JsonOutput& out, std::size_t n) { out.Reserve(n); }
inline void PutUnsafe(JsonOutput& out, char c) { out.PutUnsafe(c); }

}  // namespace cot
