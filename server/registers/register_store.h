#pragma once
#include <QHash>
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

// Writes a file's rows as they are read: a new key is inserted, a known one updated when
// any of the file's columns differs; each is counted. Of the table, only each stored row's
// key and a digest of its columns are held (to tell changed from unchanged); of the file,
// nothing.
class RegisterWriter {
public:
    RegisterWriter(Database& db, const RegisterFile& file);

    // False when the database refused the row: reported (without the engine's SQL), and the
    // caller's transaction is then to be rolled back.
    bool write(const RegisterRow& row, ImportErrors& errors);
    const FileCounts& counts() const { return counts_; }

private:
    Database& db_;
    const RegisterFile& file_;
    QHash<QString, QByteArray> stored_;  // key → digest of the stored row's written forms
    QString insert_, update_;
    FileCounts counts_;
};

}  // namespace cot::server::registers
