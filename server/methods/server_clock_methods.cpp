// The server's clock, read by the desktop at sign-in.
//
//   GetDataHoraServ() → the server's current date and time as dates travel
//       ("yyyy-MM-ddTHH:mm:ss.zzz", the server's local time, no zone). The desktop keeps
//       its "today" on it, so the dates it proposes and the expiry it shows agree with
//       the filters the server runs on its own clock.
#include "server/methods/server_clock_methods.h"

#include "data/date_text.h"
#include "server/rpc/method_registry.h"
#include "base/clock.h"

namespace cot::server {

void registerServerClockMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("GetDataHoraServ"), 0, AccessRule::session(),
                 [](MethodContext&, const Args&) -> QJsonValue { return isoDateTimeText(Clock::current().now()); });
}

}  // namespace cot::server
