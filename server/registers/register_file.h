#pragma once
#include <QIODevice>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <optional>

#include "server/registers/csv_file.h"
#include "server/registers/register_catalogue.h"

// One register file read and checked on its own (header, field counts, values, duplicate
// keys); what depends on other files or on the database is checked by the import.
namespace cot::server::registers {

// Faults found, each "arquivo.csv:LINHA: motivo" (or "arquivo.csv: motivo" for the file as
// a whole), kept up to a limit and counted beyond it.
class ImportErrors {
public:
    static constexpr int kKept = 200;

    void add(const QString& file, std::optional<int> line, const QString& reason);
    bool any() const { return total_ > 0; }
    int total() const { return total_; }
    const QStringList& kept() const { return kept_; }

private:
    QStringList kept_;
    int total_ = 0;
};

struct RegisterRow {
    int line = 0;
    QVariantList values;                        // one per column of the file, in its order
    QList<std::optional<QString>> written;      // their written forms (compared with the stored)
    QString key;                                // the key columns' written forms, joined
};

struct RegisterFile {
    const Register* reg = nullptr;
    QString fileName;                       // as found in the folder
    QList<const RegisterColumn*> columns;   // the file's columns, in its order
    QHash<QString, int> lineOfKey;          // key → line, for references and duplicates

    int indexOf(const QString& column) const;  // -1 when the file lacks it
};

// Joins the written forms of a key (never null) into one comparable text.
QString joinKey(const QStringList& parts);

// Reads one file of a register row by row, within the bounds of CsvReader: faults go to
// `errors` and the faulty rows are left out, though a row whose key is good still counts as
// present (its dependants are not reported as well).
class RegisterFileReader {
public:
    RegisterFileReader(const Register& reg, const QString& fileName, QIODevice& in, ImportErrors& errors);

    // The header; false (with the faults reported) when the file cannot be read further.
    bool readHeader();
    // The next row without faults; false at the end of the file or where a fault stopped it.
    bool next(RegisterRow& row);

    const RegisterFile& file() const { return file_; }
    RegisterFile takeFile() { return std::move(file_); }

private:
    void reportStop();

    RegisterFile file_;
    CsvReader csv_;
    ImportErrors& errors_;
    QList<int> keyIndexes_;
};

}  // namespace cot::server::registers
