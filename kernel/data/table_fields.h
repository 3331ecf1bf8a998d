#pragma once
#include <QString>

#include "data/client_table.h"
#include "data/table_catalogue.h"

// Short builders for the field definitions of client tables built on the desktop.
namespace cot::table_fields {

inline constexpr const char* kMoneyDisplay = "#,##0.00";
inline constexpr const char* kMoneyEdit = "##0.00";
inline constexpr const char* kDateMask = "!99/99/0000;1; ";

inline Field& text(ClientTable& t, const char* name, int size, const QString& label = {}, bool visible = true) {
    Field& f = t.addField(QString::fromLatin1(name), FieldType::String, size);
    f.displayLabel = label;
    f.visible = visible;
    return f;
}
inline Field& hiddenText(ClientTable& t, const char* name, int size) { return text(t, name, size, {}, false); }
inline Field& fixed(ClientTable& t, const char* name, int size, const QString& label = {}, bool visible = true) {
    Field& f = t.addField(QString::fromLatin1(name), FieldType::FixedString, size);
    f.displayLabel = label;
    f.visible = visible;
    return f;
}
// A stored text column: its size as the table catalogue declares it for `table` (a
// column that is not VARCHAR(n) or CHAR(n) there throws std::invalid_argument).
inline int storedSize(const char* table, const char* name) {
    return catalogue::table(QString::fromLatin1(table)).size(QString::fromLatin1(name));
}
inline Field& text(ClientTable& t, const char* table, const char* name, const QString& label = {},
                   bool visible = true) {
    return text(t, name, storedSize(table, name), label, visible);
}
inline Field& hiddenText(ClientTable& t, const char* table, const char* name) {
    return text(t, table, name, {}, false);
}
inline Field& fixed(ClientTable& t, const char* table, const char* name, const QString& label = {},
                    bool visible = true) {
    return fixed(t, name, storedSize(table, name), label, visible);
}
inline Field& number(ClientTable& t, const char* name, const QString& label = {}, bool visible = true) {
    Field& f = t.addField(QString::fromLatin1(name), FieldType::Float);
    f.displayLabel = label;
    f.visible = visible;
    return f;
}
inline Field& money(ClientTable& t, const char* name, const QString& label = {}, bool visible = true) {
    Field& f = number(t, name, label, visible);
    f.displayFormat = QString::fromLatin1(kMoneyDisplay);
    f.editFormat = QString::fromLatin1(kMoneyEdit);
    return f;
}
inline Field& calculated(ClientTable& t, const char* name, const QString& label = {}, bool visible = true) {
    Field& f = t.addField(QString::fromLatin1(name), FieldType::Float, 0, FieldKind::Calculated);
    f.displayLabel = label;
    f.visible = visible;
    f.displayFormat = QString::fromLatin1(kMoneyDisplay);
    f.editFormat = QString::fromLatin1(kMoneyEdit);
    return f;
}
inline Field& date(ClientTable& t, const char* name, const QString& label = {}, bool visible = true) {
    Field& f = t.addField(QString::fromLatin1(name), FieldType::DateTime);
    f.displayLabel = label;
    f.visible = visible;
    return f;
}
inline Field& memo(ClientTable& t, const char* name, const QString& label = {}, bool visible = true) {
    Field& f = t.addField(QString::fromLatin1(name), FieldType::Memo);
    f.displayLabel = label;
    f.visible = visible;
    return f;
}

}  // namespace cot::table_fields
