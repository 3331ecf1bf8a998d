#include "rpc/rpc_reply.h"

#include <QVariantMap>
#include <cmath>

#include "data/packet_json_value.h"

namespace cot {

namespace {

using Json = rapidjson::Value;

QString stringOf(const Json& v) { return QString::fromUtf8(v.GetString(), qsizetype(v.GetStringLength())); }

// Results as the callers take them: packets, lists, texts, whole numbers as integers.
QVariant resultOf(const Json& json) {
    switch (json.GetType()) {
    case rapidjson::kNullType:
        return {};
    case rapidjson::kFalseType:
    case rapidjson::kTrueType:
        return json.GetBool();
    case rapidjson::kStringType:
        return stringOf(json);
    case rapidjson::kNumberType: {
        if (json.IsInt64()) return QVariant(qint64(json.GetInt64()));
        const double d = json.GetDouble();
        if (std::floor(d) == d && std::fabs(d) < 9.0e15) return QVariant(qint64(d));
        return d;
    }
    case rapidjson::kArrayType: {
        QVariantList out;
        out.reserve(json.Size());
        for (const Json& item : json.GetArray()) out.append(resultOf(item));
        return out;
    }
    case rapidjson::kObjectType: {
        if (json.HasMember("fields")) return QVariant::fromValue(packetFromJsonValue(json));
        QVariantMap out;
        for (const auto& m : json.GetObject()) out.insert(stringOf(m.name), resultOf(m.value));
        return out;
    }
    }
    return {};
}

}  // namespace

RpcResult readRpcReply(char* body, qint64 id, const QString& invalidText) {
    rapidjson::Document doc;
    if (!parseJsonInPlace(doc, body) || !doc.IsObject())
        return RpcResult::failure(invalidText, RpcResult::kBadResponse);
    const auto replyId = doc.FindMember("id");
    if (replyId == doc.MemberEnd() || !replyId->value.IsInt64() || replyId->value.GetInt64() != id)
        return RpcResult::failure(invalidText, RpcResult::kBadResponse);

    const auto error = doc.FindMember("error");
    if (error != doc.MemberEnd()) {
        const Json& e = error->value;
        const auto message = e.IsObject() ? e.FindMember("message") : e.MemberEnd();
        const auto code = e.IsObject() ? e.FindMember("code") : e.MemberEnd();
        return RpcResult::failure(
            message != e.MemberEnd() && message->value.IsString() ? stringOf(message->value) : QString(),
            code != e.MemberEnd() && code->value.IsInt() ? code->value.GetInt() : 0);
    }
    const auto result = doc.FindMember("result");
    try {
        return RpcResult::success(result == doc.MemberEnd() ? QVariant() : resultOf(result->value));
    } catch (const PacketError& e) {
        return RpcResult::failure(QString::fromUtf8(e.what()), RpcResult::kBadResponse);
    }
}

}  // namespace cot
