#pragma once
#include <QString>
#include <QStringList>

namespace cot::server {
class Database;
}

namespace cot::server::registers {

struct ExportResult {
    QString error;            // Portuguese; empty when every file was written
    QStringList files;        // file names written
    QList<int> rowCounts;     // rows of each
    bool ok() const { return error.isEmpty(); }
};

// Writes one file per register into `folder` (created when missing), rows sorted by key, all
// read in one transaction so the files agree with one another. Refuses, writing nothing,
// when any of those files is already in the folder (other files there are left alone). The
// files are readable by their owner only: they hold personal data and the branches'
// enciphered mail passwords. A failure half-way removes what was written. Texts a spreadsheet
// would take for a formula are written guarded (spreadsheet_guard.h); the import reads them
// back as stored.
ExportResult exportRegisters(Database& db, const QString& folder);

}  // namespace cot::server::registers
