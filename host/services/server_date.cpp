#include "server_date.h"

#include <chrono>
#include <ctime>

#include "data/date_text.h"
#include "rpc/net_connection.h"
#include "services/session.h"

namespace cot {

qint64 ServerClock::localTicks() {
#ifdef CLOCK_BOOTTIME
    // Unlike the monotonic clock, this one keeps counting while the machine is suspended:
    // a desktop left asleep overnight must not stay on yesterday.
    timespec ts{};
    if (clock_gettime(CLOCK_BOOTTIME, &ts) == 0) return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
#endif
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

ServerClock::ServerClock(const QDateTime& serverNow, qint64 atTicks, Ticks ticks)
    : anchor_(serverNow.date(), serverNow.time(), Qt::UTC), atTicks_(atTicks), ticks_(std::move(ticks)) {}

QDateTime ServerClock::now() const {
    const QDateTime wall = anchor_.addMSecs(ticks_() - atTicks_);
    // Back to a local date-time: callers compare it with dates built on the desktop.
    return QDateTime(wall.date(), wall.time());
}

namespace ServerDate {

QString synchronise(NetConnection& connection) {
    const qint64 before = ServerClock::localTicks();
    const RpcResult reply = connection.call(QStringLiteral("GetDataHoraServ"));
    const qint64 after = ServerClock::localTicks();
    if (!reply.ok) return reply.error;
    const QString text = reply.value.toString();
    const QDateTime serverNow = parseIsoDateTime(text);
    if (!serverNow.isValid())
        return QStringLiteral("Data e hora inválidas do servidor de aplicação: \"%1\".").arg(text);
    // The server read its clock somewhere during the round trip: its middle is the best guess.
    Clock::setCurrent(std::make_shared<ServerClock>(serverNow, before + (after - before) / 2));
    return {};
}

QString synchroniseWithSession() {
    if (Session::instance().serverHost().isEmpty() || Session::instance().serverPort() <= 0)
        return QStringLiteral("Servidor de aplicação não informado.");
    NetConnection connection;
    connection.setHost(Session::instance().serverHost());
    connection.setPort(Session::instance().serverPort());
    connection.setReadTimeout(30);
    return synchronise(connection);
}

}  // namespace ServerDate

}  // namespace cot
