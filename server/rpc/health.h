#pragma once
#include <QByteArray>
#include <QString>
#include <optional>

namespace cot::server {
class DatabaseSource;

// GET /health: whether the database answers, its engine, the schema version it holds and
// the one this program knows, the program's version and the protocol it speaks with the
// desktop ("protocolo", left out when `protocol` is empty). JSON; "estado" is "ok" or
// "falha" (the reason in words, never the engine's text).
QByteArray healthReport(DatabaseSource& databases, const QString& programVersion, std::optional<int> protocol);
}  // namespace cot::server
