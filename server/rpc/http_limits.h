#pragma once
// What one client may take of the server before any route sees his request: the request's
// head, the time it may take to arrive, connections per address and in all, how long a
// reply waits for a client that stops reading, and the pace of the client's page. Each has
// a safe default and can be changed with `--limit NAME=VALUE` (or "limit = NAME=VALUE" in
// the configuration file); docs/security.md lists them.
#include <QString>
#include <QStringList>

namespace cot::server {

struct HttpLimits {
    int headerLines = 100;          // header-lines: fields of a request's head (431 beyond)
    int headerBytes = 16 * 1024;    // header-bytes: the head as a whole, request line included (431)
    int headSeconds = 10;           // head-seconds: the whole head, however slowly it trickles (408)
    int idleSeconds = 10;           // idle-seconds: a body that stops arriving (408)
    int perAddress = 32;            // connections-per-address: open at once from one client address
    int connections = 4096;         // connections: open at once in all
    int writeSeconds = 30;          // write-seconds: a piece of a reply not taken by the client
    int pagePerMinute = 60;         // page-per-minute: requests to /cliente/ per address
    int pageBurst = 20;             // page-burst: of which at once
    int pageQueue = 64;             // page-queue: page requests waiting for a page thread (503 beyond)
    int bodyMegabytes = 256;        // body-megabytes: request bodies held at once, from reading to answer (503)

    // Applies "NAME=VALUE"; throws ConfigError naming what is wrong.
    void apply(const QString& setting);
    // "header-lines=100, ..." for the server's start-up line and the tests.
    QString describe() const;
    static QStringList names();
};

}  // namespace cot::server
