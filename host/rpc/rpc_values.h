#pragma once
#include <QJsonValue>
#include <QMetaType>
#include <QVariant>

#include "data/packet.h"

// Packets and deltas travel inside QVariant as call arguments and results.
Q_DECLARE_METATYPE(cot::Packet)
Q_DECLARE_METATYPE(cot::Delta)

namespace cot {

// Outcome of one remote call: the payload, or the server's (or the connection's) error.
struct RpcResult {
    bool ok = false;
    QVariant value;  // Packet, QVariantList of packets, QString, qint64/double, bool or null
    QString error;   // Portuguese text, ready to show
    int code = 0;    // JSON-RPC error code; kConnectionFailed when the server was not reached

    static constexpr int kConnectionFailed = -32098;
    static constexpr int kBadResponse = -32097;
    static constexpr int kSessionEnded = -32001;  // the server's: no session, or one that ended
    static constexpr int kCancelled = -32096;     // the operator stopped waiting for the answer
    static constexpr int kBusy = -32095;          // the connection was still waiting for another call

    static RpcResult success(QVariant value) { return {true, std::move(value), {}, 0}; }
    static RpcResult failure(QString error, int code) { return {false, {}, std::move(error), code}; }
};

// Call arguments as JSON (exposed for the connection and its tests).
// Throws std::invalid_argument for an argument of a kind the server does not take.
QJsonValue rpcArgumentToJson(const QVariant& value);

}  // namespace cot
