#pragma once
#include <QByteArrayView>
#include <QString>
#include <QVariant>

namespace cot::server {

// The current row of a running query, read where it lies: no QVariant per value for
// what is read through integer(), real() and text().
class SqlRow {
public:
    enum class Kind { Null, Integer, Real, Text, Other };

    virtual ~SqlRow() = default;
    virtual int columns() const = 0;
    virtual QString columnName(int column) const = 0;  // upper case on both engines
    virtual Kind kind(int column) const = 0;
    virtual qint64 integer(int column) const = 0;
    virtual double real(int column) const = 0;
    // UTF-8 text; valid until the next row.
    virtual QByteArrayView text(int column) const = 0;
    // The value as the Qt driver gives it (what Database::query() starts from).
    virtual QVariant value(int column) const = 0;
};

}  // namespace cot::server
