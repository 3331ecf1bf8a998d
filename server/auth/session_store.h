#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

namespace cot::server {

class Database;

// Sessions of signed-in operators, kept in SESSAO so that every server over the database
// accepts them. A session ends when it has not been used for `idle` minutes, in any case a
// day after it was opened, and as soon as its operator is no longer active or his password
// is changed, however that is done.
struct SessionLimits {
    int idleMinutes = 480;
    int lifetimeMinutes = 24 * 60;
};

struct OpenedSession {
    QByteArray token;  // 43 characters, URL-safe base64 of 32 random bytes
    QDateTime expires;
};

namespace sessions {

// Opens a session for `operatorCode` (who must exist), tied to `passwordHash`, the stored
// password the sign-in checked (by default the one stored now). Drops expired sessions on
// the way.
OpenedSession open(Database& db, const QString& operatorCode, const SessionLimits& limits,
                   const std::optional<QString>& passwordHash = std::nullopt);

// The operator of a valid session, or nothing for an unknown, malformed or expired token,
// or one whose operator is inactive or has another password now (such a session is gone
// for good). One query. Using a session moves its idle expiry forward; the move is
// written once it exceeds a tenth of the idle time or a minute, whichever is shorter.
std::optional<QString> find(Database& db, const QByteArray& token, const SessionLimits& limits);

// Ends the session (nothing happens for an unknown token).
void close(Database& db, const QByteArray& token);

// The operator changed his own password, now stored as `passwordHash`, through the session
// of `token`: that session is tied to the new password and goes on; every other session of
// his ends. Runs in the caller's transaction.
void keepOnly(Database& db, const QString& operatorCode, const QByteArray& token, const QString& passwordHash);

// The token from an "Authorization: Bearer <token>" header value; empty when absent or not
// a bearer credential.
QByteArray bearerToken(const QByteArray& authorization);

}  // namespace sessions

}  // namespace cot::server
