#pragma once
#include <QVariant>

#include "rpc/rpc_values.h"

namespace cot::Consiste {

// The payload of a remote call, or the end of the operation: with `show` the server's
// text is shown through the dialogs service and Abort is thrown; without it a
// ServerError carrying the text and code is thrown for the caller to handle. A call whose
// wait the operator abandoned ends the operation with Abort, silently, either way.
QVariant CheckResultServ(const RpcResult& result, bool show = true, int reserved = 0);

}  // namespace cot::Consiste
