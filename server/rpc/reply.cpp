#include "server/rpc/reply.h"

#include <QJsonDocument>

#include "data/packet.h"
#include "data/packet_json_writer.h"

namespace cot::server {

Reply Reply::written(std::function<void(QByteArray& out)> writer) {
    Reply r;
    r.writer_ = [w = std::move(writer)](QByteArray& out, const Pace&) { w(out); };
    return r;
}

Reply Reply::streamed(Writer writer) {
    Reply r;
    r.writer_ = std::move(writer);
    r.streamed_ = true;
    return r;
}

Reply Reply::array(QList<Reply> items) {
    return written([items = std::move(items)](QByteArray& out) {
        out += '[';
        for (qsizetype i = 0; i < items.size(); ++i) {
            if (i > 0) out += ',';
            items[i].writeTo(out);
        }
        out += ']';
    });
}

void Reply::writeTo(QByteArray& out, const Pace& pace) const {
    if (writer_) return writer_(out, pace ? pace : Pace([](QByteArray&) {}));
    switch (value_.type()) {
    case QJsonValue::Object:
        out += QJsonDocument(value_.toObject()).toJson(QJsonDocument::Compact);
        return;
    case QJsonValue::Array:
        out += QJsonDocument(value_.toArray()).toJson(QJsonDocument::Compact);
        return;
    case QJsonValue::Undefined:
        out += "null";
        return;
    default: {
        // Qt writes documents only; a scalar goes out as the single item of an array.
        const QByteArray wrapped = QJsonDocument(QJsonArray{value_}).toJson(QJsonDocument::Compact);
        out.append(wrapped.constData() + 1, wrapped.size() - 2);
    }
    }
}

Reply packetResult(Packet packet) {
    return Reply::written([p = std::move(packet)](QByteArray& out) {
        writePacketJson(p, out);
    });
}

}  // namespace cot::server
