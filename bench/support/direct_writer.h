#pragma once
// Rows written straight into a benchmark's database, beside the same rows saved through
// the server: the engine's own cost of a save. One connection per writer, set up as the
// server sets up its own (SQLite: WAL, synchronous=NORMAL, busy_timeout, foreign keys;
// PostgreSQL: no JIT); one transaction per row. SQLite's writers of one process take turns
// before they begin, as the server's connections do (waiting in SQLite's busy handler
// instead, which sleeps up to 100 ms between looks, would measure the handler, not the
// engine); PostgreSQL's write side by side, as the server's do.
#include <QList>
#include <QString>
#include <QVariantList>
#include <memory>

#include "data/field_type.h"

namespace cot::bench {

class BenchDatabase;

class DirectWriter {
public:
    // A writer of rows of PROPOSTAFAS with `fields`; with `withHistory`, each row also gets
    // the history rows a save of it writes (one per field, in one statement, as the server
    // writes them). SQLite through its C API, PostgreSQL through libpq.
    static std::unique_ptr<DirectWriter> open(const BenchDatabase& database, const QList<FieldDef>& fields,
                                              bool withHistory);
    virtual ~DirectWriter() = default;

    // One row in its own transaction (dates as QDateTime, the rest as text); the engine's
    // message when it failed, empty when it was committed.
    virtual QString write(const QVariantList& row) = 0;

protected:
    DirectWriter() = default;
};

// The statements a writer runs, with '?' or "$n" marks.
QString directHeaderInsert(const QList<FieldDef>& fields, bool dollarMarks);
QString directHistoryInsert(int rows, bool dollarMarks);
// The values of the history rows of `texts` (the header row's values as text), in the
// order of directHistoryInsert's marks; null where the server writes null.
QList<QByteArray> directHistoryValues(const QList<FieldDef>& fields, const QList<QByteArray>& texts,
                                      QList<bool>* nulls);

}  // namespace cot::bench
