#pragma once
#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <functional>
#include <type_traits>

namespace cot {
struct Packet;
}

namespace cot::server {

// What a method hands to the transport as its result: a JSON value, or a writer that
// appends the result's JSON text to the response body. Large packets take the second
// way, written straight from the query with no document tree and no second copy.
class Reply {
public:
    using Writer = std::function<void(QByteArray& out)>;

    Reply() = default;  // null
    // Anything a JSON value is made of: QJsonValue, objects, arrays, texts, numbers, bool.
    template <typename T>
        requires std::is_constructible_v<QJsonValue, T&&>
    Reply(T&& value) : value_(QJsonValue(std::forward<T>(value))) {}

    static Reply written(Writer writer);
    // A JSON array of results (several packets in one answer).
    static Reply array(QList<Reply> items);

    // Appends the result's JSON text.
    void writeTo(QByteArray& out) const;

private:
    QJsonValue value_ = QJsonValue::Null;
    Writer writer_;
};

// A packet as a result, written without a document tree.
Reply packetResult(Packet packet);

}  // namespace cot::server
