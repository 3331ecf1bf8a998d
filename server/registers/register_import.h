#pragma once
#include <QList>
#include <QString>
#include <QStringList>

namespace cot::server {
class Database;
}

namespace cot::server::registers {

struct FileCounts {
    QString fileName;
    int inserted = 0;
    int changed = 0;
    int unchanged = 0;
};

struct ImportResult {
    QStringList errors;      // "arquivo.csv:LINHA: motivo", up to a limit
    int errorCount = 0;      // all that were found
    QList<FileCounts> files; // in the order they were written (only when there was no error)
    bool ok() const { return errorCount == 0; }
};

// Loads the register files of `folder` (see register_catalogue.h) in one transaction,
// committed only when nothing was wrong: values, keys and references (against the files and
// the database together) are checked, and the rows written, as each file is read, a row at a
// time, so a file is never held whole (CsvReader bounds its lines and fields). Rows are
// inserted or updated by their key; rows the files do not hold are left alone, so importing
// the same folder again changes nothing. Hidden files and files not ending in ".csv" are
// ignored; a ".csv" that is no register is a fault (a misspelt name would otherwise be
// skipped unnoticed), as is a register's name that is no regular file (register_folder.h).
// Faults name the file, line and column, never the text of a field that was refused.
ImportResult importRegisters(Database& db, const QString& folder);

}  // namespace cot::server::registers
