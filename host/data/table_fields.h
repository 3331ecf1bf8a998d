#pragma once
#include <QString>

#include "data/client_table.h"

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
