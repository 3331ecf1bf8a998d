#pragma once
#include <QByteArray>
#include <QString>

namespace cot::server {
class DatabaseSource;

// GET /health: whether the database answers, its engine, the schema version it holds and
// the one this program knows, and the program's version. JSON; "estado" is "ok" or
// "falha" (the reason in words, never the engine's text).
QByteArray healthReport(DatabaseSource& databases, const QString& programVersion);
}  // namespace cot::server
