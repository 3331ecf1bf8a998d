#pragma once
#include <QString>

#include "rpc/rpc_values.h"

namespace cot {

// Reads the body of a JSON-RPC 2.0 response to request `id`. The body is parsed in place
// (overwritten). A body that is not the answer to `id` gives kBadResponse with
// `invalidText`; a malformed packet in the result gives kBadResponse with its message.
RpcResult readRpcReply(char* body, qint64 id, const QString& invalidText);

}  // namespace cot
