#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <string>

// What the server accepts from a client before any method runs: sizes, batch length,
// timeouts, content type and origin. One place, so the figures and their reasons are read
// together.
namespace cot::server::request_limits {

// A body as the methods read it, after any decompression. The largest request the desktop
// sends is a delta of a large proposal (its texts regenerated, or the installments of every
// product line, with old and new values of each row): a few hundred kilobytes, at most a
// couple of megabytes. 8 MB leaves room for that and keeps the parsed request of each of the
// workers in the tens of megabytes.
inline constexpr size_t kMaxBody = size_t(8) << 20;
// A compressed body is smaller than its text, so the same figure bounds it on the wire.
inline constexpr size_t kMaxWireBody = kMaxBody;
// The whole body must arrive within this time, however it trickles in.
inline constexpr int kBodySeconds = 120;

// The desktop sends one request at a time; batches are for scripts and tools.
inline constexpr int kMaxBatch = 100;
// A batch whose answer passes this size runs none of its remaining requests.
inline constexpr qsizetype kMaxBatchReply = qsizetype(32) << 20;
// No reply passes this size: a list that would is cut off there (the connection closes and
// the desktop reports an interrupted list), an answer built whole is refused. A list of
// 100k proposals is 55 MB; this leaves room for about nine times that.
inline constexpr qsizetype kMaxReply = qsizetype(512) << 20;

// A client that stops sending in the middle of a request frees its connection's thread
// after this. Long enough for a body crossing a lossy network (several retransmissions),
// short enough that abandoned connections do not pile up.
inline constexpr int kReadTimeoutSeconds = 10;
// Connections served at once, whatever they wait for (clients reading or writing slowly,
// idle kept-alive desktops). Only the database threads (--threads) hold a connection to
// the database, so these cost a thread each and nothing more.
inline constexpr int kMostConnectionThreads = 256;

// Connections the system keeps waiting for the server to take them.
inline constexpr int kListenQueue = 512;

// "application/json", with or without parameters (charset...), in any case.
bool isJsonContentType(const std::string& contentType);

// An origin as configured: "scheme://host[:port]", lower case, no trailing slash. Empty when
// the text is not one.
QString normaliseOrigin(const QString& text);
// Whether a request's Origin header names one of `allowed` (normalised origins).
bool originAllowed(const std::string& origin, const QStringList& allowed);

// The number of entries of a top-level JSON array, counting no further than `stopAfter` + 1;
// -1 when the body is not an array. Read without parsing, so an oversized batch is refused
// before it costs memory.
qsizetype batchLength(const QByteArray& body, qsizetype stopAfter);

// The JSON-RPC error body of a request refused before it was read.
QByteArray refusalBody(const QString& text);

}  // namespace cot::server::request_limits
