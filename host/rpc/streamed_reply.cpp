#include "rpc/streamed_reply.h"

#include <QVariant>
#include <algorithm>
#include <cstring>

#include "data/packet_json_value.h"
#include "rpc/rpc_reply.h"

namespace cot {

// The end of the JSON array or object starting at `from` (the index of its closing
// bracket), or -1 when the text does not hold all of it yet. The scan goes on where the
// previous call stopped, so a value that comes in many pieces is read through once.
qsizetype StreamedReply::endOfValue(qsizetype from) {
    if (scan_.next < 0) scan_ = Scan{from, 0, false};
    const char* p = body_.constData();
    const qsizetype size = body_.size();
    for (qsizetype i = scan_.next; i < size; ++i) {
        const char c = p[i];
        if (scan_.inString) {
            if (c == '\\') {
                if (i + 1 == size) {  // what it escapes is still to come
                    scan_.next = i;
                    return -1;
                }
                ++i;
            } else if (c == '"') {
                scan_.inString = false;
            }
        } else if (c == '"') {
            scan_.inString = true;
        } else if (c == '[' || c == '{') {
            ++scan_.depth;
        } else if ((c == ']' || c == '}') && --scan_.depth == 0) {
            scan_.next = -1;
            return i;
        }
    }
    scan_.next = size;
    return -1;
}

namespace {

constexpr char kRowsHead[] = ",\"rows\":[";

}  // namespace

StreamedReply::StreamedReply(qint64 id) : id_(id) {}

StreamedReply::~StreamedReply() = default;

void StreamedReply::reserve(qsizetype bytes) { body_.reserve(bytes); }

void StreamedReply::append(const char* data, qsizetype size) {
    // Grown in place (reserve reallocates); append alone would copy at every growth.
    if (body_.capacity() - body_.size() < size) body_.reserve(std::max(body_.size() + size, body_.capacity() * 2 + 4096));
    body_.append(data, size);
    if (state_ == State::Head) readHead();
    if (state_ == State::Rows) readRows();
}

void StreamedReply::readHead() {
    const QByteArray head = "{\"jsonrpc\":\"2.0\",\"id\":" + QByteArray::number(id_) + ",\"result\":{\"fields\":";
    if (body_.size() < head.size()) {
        if (!head.startsWith(body_)) state_ = State::Whole;
        return;
    }
    if (!body_.startsWith(head)) {
        state_ = State::Whole;
        return;
    }
    if (body_.size() == head.size()) return;
    if (body_[head.size()] != '[') {
        state_ = State::Whole;
        return;
    }
    const qsizetype fieldsEnd = endOfValue(head.size());
    const qsizetype rowsAt = fieldsEnd + 1;
    if (fieldsEnd < 0 || body_.size() < rowsAt + qsizetype(sizeof kRowsHead - 1)) return;  // not all in yet
    if (QByteArrayView(body_).sliced(rowsAt, sizeof kRowsHead - 1) != QByteArrayView(kRowsHead)) {
        state_ = State::Whole;
        return;
    }
    scratch_ = body_.mid(head.size(), fieldsEnd + 1 - head.size());
    rapidjson::Document fields;
    try {
        if (!parseJsonInPlace(fields, scratch_.data())) throw PacketError("");
        rows_ = std::make_unique<PacketRowsReader>(&fields);
    } catch (const PacketError&) {
        state_ = State::Whole;
        return;
    }
    at_ = rowsAt + qsizetype(sizeof kRowsHead - 1);
    state_ = State::Rows;
}

void StreamedReply::readRows() {
    while (at_ < body_.size()) {
        const char c = body_[at_];
        if (c == '[' && next_ != Next::Separator) {
            const qsizetype end = endOfValue(at_);
            if (end < 0) return;  // the row's last bytes are still to come
            if (!readRow(at_, end)) return;
            at_ = end + 1;
            next_ = Next::Separator;
        } else if (c == ',' && next_ == Next::Separator) {
            ++at_;
            next_ = Next::Row;
        } else if (c == ']' && next_ != Next::Row) {
            ++at_;
            state_ = State::End;
            return;
        } else {
            state_ = State::Whole;  // not the layout read here
            return;
        }
    }
}

bool StreamedReply::readRow(qsizetype from, qsizetype to) {
    scratch_.resize(to + 1 - from);
    std::memcpy(scratch_.data(), body_.constData() + from, size_t(scratch_.size()));
    // A small pool per row: a row's values, parsed and dropped.
    char pool[16384];
    rapidjson::MemoryPoolAllocator<> allocator(pool, sizeof pool);
    rapidjson::Document row(&allocator);
    try {
        if (!parseJsonInPlace(row, scratch_.data())) throw PacketError("");
        rows_->addRow(row);
        return true;
    } catch (const PacketError&) {
        state_ = State::Whole;
        return false;
    }
}

qsizetype StreamedReply::rowsRead() const { return rows_ && state_ != State::Whole ? rows_->rowCount() : 0; }

RpcResult StreamedReply::finish(const QString& invalidText) {
    if (state_ == State::End && QByteArrayView(body_).sliced(at_) == QByteArrayView("}}"))
        return RpcResult::success(QVariant::fromValue(rows_->take()));
    // The whole reading works in place: the body is not read again after it.
    state_ = State::Whole;
    return readRpcReply(body_.data(), id_, invalidText);
}

}  // namespace cot
