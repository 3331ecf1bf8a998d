#pragma once
#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The register files' CSV: UTF-8, ";" between fields, a field in double quotes may hold
// ";", line breaks and doubled quotes. An unquoted empty field is null; a quoted empty one
// ("") is an empty text, so every stored value survives a round trip.
// Ours: no CSV reader at hand tells a quoted empty field from an unquoted one.
namespace cot::server::registers {

struct CsvField {
    QString text;       // at most the field's limit of characters (see CsvReader)
    bool quoted = false;
    qint64 length = 0;  // characters in the file, those left out past the limit included
    bool cut = false;   // characters past the limit were left out of `text`
    bool isNull() const { return !quoted && length == 0; }
};

struct CsvRecord {
    int line = 0;  // where the record starts in the file, the first line being 1
    QList<CsvField> fields;
};

// Reads a file record by record, never holding more than one record: a field keeps at most
// its limit of characters, and one that runs kOverrun characters past it stops the reading
// there, as does a file of more than kMaxLines lines or a record of more than kMaxFields
// fields. A leading UTF-8 byte-order mark is skipped; "\r\n" and "\n" both end a record;
// blank lines are no records.
class CsvReader {
public:
    static constexpr int kMaxLines = 1'000'000;
    static constexpr int kMaxFields = 1000;
    static constexpr int kOverrun = 1000;

    explicit CsvReader(QIODevice& in);

    // Characters kept of each field of a record, by position (`names` name them in a fault);
    // fields beyond the list keep `others`. Until set: 200 characters for every field.
    void setLimits(const QList<int>& limits, const QStringList& names, int others);

    // The next record; false at the end of the file or at a fault that stops the reading
    // (bad UTF-8, a quote left open, text after a closing quote, a limit passed).
    bool next(CsvRecord& record);

    bool failed() const { return errorLine_ > 0; }
    int errorLine() const { return errorLine_; }
    const QString& error() const { return error_; }

private:
    enum class End { Field, Record, File, Fault };  // what followed a field

    int peek(int ahead = 0);  // a byte not yet taken, or -1 past the end
    int take();
    End fail(int line, const QString& why);
    End readField(CsvField& field, int index);

    QIODevice& in_;
    QByteArray buffer_;
    qsizetype at_ = 0;
    bool started_ = false;
    int line_ = 1;
    QList<int> limits_;
    QStringList names_;
    int others_ = 200;
    int errorLine_ = 0;
    QString error_;
};

// One record and its "\n"; std::nullopt is written as a null (nothing between separators).
QByteArray csvRecord(const QList<std::optional<QString>>& fields);

}  // namespace cot::server::registers
