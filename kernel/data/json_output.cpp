#include "json_output.h"

#include <algorithm>

namespace cot {

void JsonOutput::Flush() {
    if (!next_) return;
    out_.resize(next_ - out_.constData());  // shrinking keeps the room
    next_ = end_ = nullptr;
}

void JsonOutput::grow(std::size_t n) {
    const qsizetype used = next_ ? next_ - out_.constData() : out_.size();
    const qsizetype wanted = used + qsizetype(n);
    out_.resize(used);
    // Doubling keeps the copies few; reserve() reallocates, which the C library does
    // without copying for large blocks.
    if (out_.capacity() < wanted) out_.reserve(std::max(wanted, out_.capacity() * 2 + 256));
    out_.resize(std::max(wanted, out_.capacity()));
    next_ = out_.data() + used;
    end_ = out_.data() + out_.size();
}

}  // namespace cot
