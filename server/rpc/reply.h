#pragma once
#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <functional>
#include <stdexcept>
#include <type_traits>

namespace cot {
struct Packet;
}

namespace cot::server {

// What a method hands to the transport as its result: a JSON value, or a writer that
// appends the result's JSON text to the response body. Packets take the second way,
// written with no document tree; lists read from the database are streamed: written
// while the body is sent, a piece at a time, so the server never holds a whole list.
class Reply {
public:
    // Called by a streamed writer between rows; may hand `out` to the socket and empty it.
    using Pace = std::function<void(QByteArray& out)>;
    using Writer = std::function<void(QByteArray& out, const Pace& pace)>;

    Reply() = default;  // null
    // Anything a JSON value is made of: QJsonValue, objects, arrays, texts, numbers, bool.
    template <typename T>
        requires std::is_constructible_v<QJsonValue, T&&>
    Reply(T&& value) : value_(QJsonValue(std::forward<T>(value))) {}

    // Written into the body before it is sent.
    static Reply written(std::function<void(QByteArray& out)> writer);
    // Written while the body is sent when the result is the whole answer (in a batch, or
    // when nobody paces it, it is written whole like any other).
    static Reply streamed(Writer writer);
    // A JSON array of results (several packets in one answer).
    static Reply array(QList<Reply> items);

    bool isStreamed() const { return streamed_; }
    // Appends the result's JSON text.
    void writeTo(QByteArray& out, const Pace& pace = {}) const;

private:
    QJsonValue value_ = QJsonValue::Null;
    Writer writer_;
    bool streamed_ = false;
};

// The client went away while a streamed result was being sent.
class ReplyAborted : public std::runtime_error {
public:
    ReplyAborted() : std::runtime_error("envio interrompido pelo cliente") {}
};

// A packet as a result, written without a document tree.
Reply packetResult(Packet packet);

}  // namespace cot::server
