#pragma once
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <optional>
#include <stdexcept>

#include "base/protocol_version.h"
#include "server/auth/session_store.h"
#include "server/rpc/http_limits.h"

namespace cot::server {

// Bad command line or environment; the text is Portuguese and meant for the operator.
class ConfigError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// How the application server runs. Command-line options win over the environment
// (COT_DB, COT_LISTEN, COT_PORT, COT_ALLOWED_ORIGIN,
// COT_TRUSTED_PROXY), which wins over the defaults.
struct ServerConfig {
    QString databaseUrl;                       // "sqlite:PATH" or "postgresql://..."
    QString listenAddress = QStringLiteral("127.0.0.1");
    int port = 8211;                           // 0 picks a free port
    int threads = 16;                          // each keeps one database connection
    int keepAliveSeconds = 5;                  // a kept-alive connection waits this long for the next request
    HttpLimits limits;                         // --limit NAME=VALUE: what one client may take
    int sessionIdleMinutes = 480;              // a session unused this long ends
    QString tlsCertificate, tlsKey;            // PEM files: HTTPS when both are given
    QStringList allowedOrigins;                // web pages ("https://host[:port]") that may call
    QStringList trustedProxies;                // canonical addresses whose X-Forwarded-For counts
    QString publicUrl;                         // --public-url: the links' base; empty: scheme://listen:port
    bool seedDemo = true;                      // demo data on a database without proposals
    bool logRequests = true;                   // one line per request on standard error
    QString version;                           // the program's, reported by GET /health
    // The protocol reported by GET /health ("protocolo"): this build's, unless a test makes
    // the server look like another one; none reported, as by servers before the handshake.
    std::optional<int> protocolVersion = kProtocolVersion;
    bool helpRequested = false;
    bool versionRequested = false;
    QString backupFile;   // --backup: copy the database there and stop
    QString restoreFile;  // --restore: replace the database with this copy and stop
    int keepBackups = 0;  // --keep: with --backup into a folder, the newest copies kept (0 = all)
    QString backupBeforeMigrate;  // a folder: an older SQLite database is copied there first
    QString logFile;      // --log: standard error appended to this file (reopened on SIGHUP)
    QString passwordFor;  // --set-password: the operator whose password is read from stdin
    QString importFolder;  // --import: load the register files of this folder and stop
    QString exportFolder;  // --export: write the register files into this folder and stop
    bool sendReminders = false;  // --send-reminders: e-mail the salespeople their expiring proposals and stop

    // Reachable from other machines (anything but a loopback address).
    bool listensBeyondLoopback() const;
    bool usesTls() const { return !tlsCertificate.isEmpty(); }
    SessionLimits sessionLimits() const { return {sessionIdleMinutes, SessionLimits{}.lifetimeMinutes}; }

    static ServerConfig fromArgs(int argc, char** argv);
    static ServerConfig fromArgs(const QStringList& args, const QProcessEnvironment& env,
                                 const QString& executablePath);
    // sqlite:<project>/var/demo.db, the project being the folder that holds build/bin
    // with the executable; otherwise the current folder.
    static QString defaultDatabaseUrl(const QString& executablePath);
    static QString usage();
};

// The URL without its password, for messages and logs.
QString displayDatabaseUrl(const QString& url);

}  // namespace cot::server
