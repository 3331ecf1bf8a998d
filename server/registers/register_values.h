#pragma once
#include <QString>
#include <QVariant>
#include <optional>

#include "server/registers/csv_file.h"
#include "server/registers/register_catalogue.h"

// Values of the register files: numbers with "." for decimals, dates "AAAA-MM-DD" or
// "AAAA-MM-DD HH:MM:SS". Each value has one written form, so a value read from a file and
// the stored one are the same exactly when their written forms are.
namespace cot::server::registers {

struct ParsedValue {
    QVariant value;  // null QVariant for null; QString, qint64, double or QDateTime otherwise
    QString error;   // Portuguese reason, empty when the field is good
};

// A field of a file as the column's value: size, required value, allowed codes and control
// characters checked, a spreadsheet's guarding quote taken off a text (spreadsheet_guard.h).
ParsedValue parseField(const RegisterColumn& column, const CsvField& field);

// Characters of a field of this column the file's reader keeps: enough for any good value.
int keptCharacters(const RegisterColumn& column);

// The written form of a stored or parsed value; std::nullopt for null.
std::optional<QString> writtenForm(const RegisterColumn& column, const QVariant& value);

}  // namespace cot::server::registers
