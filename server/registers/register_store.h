#pragma once
#include <QList>
#include <QSet>
#include <QString>
#include <optional>

#include "server/registers/register_catalogue.h"
#include "server/registers/register_file.h"
#include "server/registers/register_import.h"

namespace cot::server {
class Database;
}

// The registers' tables as the files see them: rows read in their written forms, and the
// rows of a file inserted or updated by key.
namespace cot::server::registers {

struct StoredRow {
    QString key;                             // as joinKey() makes it
    QList<std::optional<QString>> written;   // one per requested column
};

// The stored rows of `reg`, `columns` of each, sorted by key column after key column (each
// compared as text, whatever the engine's collation).
QList<StoredRow> readStoredRows(Database& db, const Register& reg, const QList<const RegisterColumn*>& columns);

// The keys of every stored row of `reg`.
QSet<QString> storedKeys(Database& db, const Register& reg);

// Inserts the file's new rows and updates those that differ; counts each. A row the
// database refuses is reported (without the engine's SQL) and nullopt returned: the caller's
// transaction is then to be rolled back.
std::optional<FileCounts> writeRegisterFile(Database& db, const RegisterFile& file, ImportErrors& errors);

}  // namespace cot::server::registers
