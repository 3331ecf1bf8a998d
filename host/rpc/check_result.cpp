#include "rpc/check_result.h"

#include "base/dialogs.h"
#include "base/errors.h"

namespace cot::Consiste {

QVariant CheckResultServ(const RpcResult& result, bool show, int /*reserved*/) {
    if (result.ok) return result.value;
    // The operator stopped waiting: he knows, and the operation ends as after any message.
    if (result.code == RpcResult::kCancelled) throw Abort();
    // Without a dialogs service (server-side tools, early start-up) the error still ends the operation.
    if (show && Dialogs::installed()) {
        Dialogs::current().error(result.error);
        throw Abort();
    }
    throw ServerError(result.error, result.code);
}

}  // namespace cot::Consiste
