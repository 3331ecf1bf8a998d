#pragma once
#include <QString>
#include <initializer_list>

#include "data/client_dataset.h"

// Short builders for the field definitions of the screen's tables (tables_*.cpp).
namespace cot::table_fields {

inline constexpr const char* kMoneyDisplay = "#,##0.00";
inline constexpr const char* kMoneyEdit = "##0.00";
inline constexpr const char* kDateMask = "!99/99/0000;1; ";

inline Field& text(ClientDataSet& t, const char* name, int size, const QString& label = {}, bool visible = true) {
    Field& f = t.addField(QString::fromLatin1(name), FieldType::String, size);
    f.displayLabel = label;
    f.visible = visible;
    return f;
}
inline Field& hiddenText(ClientDataSet& t, const char* name, int size) { return text(t, name, size, {}, false); }
inline Field& fixed(ClientDataSet& t, const char* name, int size, const QString& label = {}, bool visible = true) {
    Field& f = t.addField(QString::fromLatin1(name), FieldType::FixedString, size);
    f.displayLabel = label;
    f.visible = visible;
    return f;
}
inline Field& number(ClientDataSet& t, const char* name, const QString& label = {}, bool visible = true) {
    Field& f = t.addField(QString::fromLatin1(name), FieldType::Float);
    f.displayLabel = label;
    f.visible = visible;
    return f;
}
inline Field& money(ClientDataSet& t, const char* name, const QString& label = {}, bool visible = true) {
    Field& f = number(t, name, label, visible);
    f.displayFormat = QString::fromLatin1(kMoneyDisplay);
    f.editFormat = QString::fromLatin1(kMoneyEdit);
    return f;
}
inline Field& calculated(ClientDataSet& t, const char* name, const QString& label = {}, bool visible = true) {
    Field& f = t.addField(QString::fromLatin1(name), FieldType::Float, 0, FieldKind::Calculated);
    f.displayLabel = label;
    f.visible = visible;
    f.displayFormat = QString::fromLatin1(kMoneyDisplay);
    f.editFormat = QString::fromLatin1(kMoneyEdit);
    return f;
}
inline Field& date(ClientDataSet& t, const char* name, const QString& label = {}, bool visible = true) {
    Field& f = t.addField(QString::fromLatin1(name), FieldType::DateTime);
    f.displayLabel = label;
    f.visible = visible;
    return f;
}
inline Field& memo(ClientDataSet& t, const char* name, const QString& label = {}, bool visible = true) {
    Field& f = t.addField(QString::fromLatin1(name), FieldType::Memo);
    f.displayLabel = label;
    f.visible = visible;
    return f;
}

}  // namespace cot::table_fields

namespace cot {
void defineProposalTables(ClientDataSet& proposal, ClientDataSet& paramPerc);
// Line lists and answers of the approval checks.
void defineApprovalTables(std::initializer_list<ClientDataSet*> lineLists, ClientDataSet& vdQtPtoAcesso,
                          ClientDataSet& verificaLinhaProd);
}  // namespace cot
