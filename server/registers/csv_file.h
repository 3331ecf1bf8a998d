#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// The register files' CSV: UTF-8, ";" between fields, a field in double quotes may hold
// ";", line breaks and doubled quotes. An unquoted empty field is null; a quoted empty one
// ("") is an empty text, so every stored value survives a round trip.
namespace cot::server::registers {

struct CsvField {
    QString text;
    bool quoted = false;
    bool isNull() const { return !quoted && text.isEmpty(); }
};

struct CsvRecord {
    int line = 0;  // where the record starts in the file, the first line being 1
    QList<CsvField> fields;
};

struct CsvParse {
    QList<CsvRecord> records;  // blank lines are left out
    // The first fault that stops the reading (bad UTF-8, a quote left open, text after a
    // closing quote); the records before it are kept.
    std::optional<int> errorLine;
    QString error;
};

// Reads a whole file; a leading UTF-8 byte-order mark is skipped; "\r\n" and "\n" both end
// a record.
CsvParse parseCsv(const QByteArray& bytes);

// One record and its "\n"; std::nullopt is written as a null (nothing between separators).
QByteArray csvRecord(const QList<std::optional<QString>>& fields);

}  // namespace cot::server::registers
