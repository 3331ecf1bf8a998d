#pragma once
#include <QDateTime>
#include <QString>
#include <functional>

#include "base/clock.h"

namespace cot {

class NetConnection;

// The application server's clock on the desktop (what Lib90500::DtServ answers).
//
// The server's date and time are read once, at sign-in, and from then on carried forward
// by a local counter that only moves forward and keeps counting while the machine
// sleeps. "Now" is therefore the server's time without a round trip, and a desktop whose
// own clock is wrong, or is changed meanwhile, still agrees with the server's day.
// Installed as Clock::current(), every date the desktop proposes or compares follows it.
class ServerClock : public Clock {
public:
    // Milliseconds of a local counter that only moves forward (any origin).
    using Ticks = std::function<qint64()>;
    static qint64 localTicks();

    // `serverNow` is the server's time when the counter read `atTicks`.
    ServerClock(const QDateTime& serverNow, qint64 atTicks, Ticks ticks = localTicks);
    QDateTime now() const override;

private:
    QDateTime anchor_;  // the server's wall clock, held as UTC so the arithmetic meets no zone change
    qint64 atTicks_;
    Ticks ticks_;
};

namespace ServerDate {
// Reads the server's date and time (GetDataHoraServ) through `connection` and installs a
// ServerClock. Returns the reason on failure (the clock in use stays), empty on success.
QString synchronise(NetConnection& connection);
// The same over a new connection to the session's server (Session::serverHost/serverPort).
QString synchroniseWithSession();
}  // namespace ServerDate

}  // namespace cot
