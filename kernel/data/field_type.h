#pragma once
#include <QString>

namespace cot {

// Kinds of column a client table, a packet and the server share.
enum class FieldType {
    String,       // text up to `size` characters
    FixedString,  // text of exactly `size` characters (status codes, markers)
    Integer,
    Float,        // double; money is computed in long double and stored back as double
    DateTime,     // QDateTime; null means "not set"
    Memo,         // long text, rich text (RTF/HTML) or blob
    Boolean,
};

QString fieldTypeName(FieldType type);
// Throws std::invalid_argument for an unknown name.
FieldType fieldTypeFromName(const QString& name);

struct FieldDef {
    QString name;
    FieldType type = FieldType::String;
    int size = 0;  // characters for strings, 0 otherwise

    bool operator==(const FieldDef&) const = default;
};

}  // namespace cot
