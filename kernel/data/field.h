#pragma once
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <functional>

#include "field_type.h"

namespace cot {

class ClientTable;

enum class FieldKind { Data, Calculated };
enum class FieldAlignment { Left, Right, Center };

// One column of a client table, bound to the table's current row.
// Reading a value reads the current row; writing requires Edit or Insert state
// (otherwise throws UserError "Tabela não está em modo de edição ou inclusão.").
class Field {
public:
    Field(ClientTable* owner, FieldDef def, FieldKind kind = FieldKind::Data);

    ClientTable* dataSet() const { return owner_; }
    const QString& fieldName() const { return def_.name; }
    FieldType dataType() const { return def_.type; }
    int size() const { return def_.size; }
    const FieldDef& def() const { return def_; }
    FieldKind kind() const { return kind_; }
    int index() const { return index_; }  // position among the table's fields

    // Presentation and editing properties (set by screens).
    QString displayLabel;   // empty → field name
    QString displayFormat;  // "#,##0.00", "ddd ddddd", ...
    QString editFormat;
    QString editMask;       // "99;0; ", "!99/99/0000;1; ", ...
    bool visible = true;
    bool readOnly = false;
    bool required = false;
    int tag = 0;
    int displayWidth = 0;   // characters; 0 → derived from size
    FieldAlignment alignment = FieldAlignment::Left;

    // get-text: (field, displayText) → text shown; displayText is true for grids and
    // browse display, false for the text an editor starts from.
    std::function<QString(Field&, bool displayText)> onGetText;
    // set-text: the text typed by the user; the handler assigns the value itself.
    std::function<void(Field&, const QString& text)> onSetText;
    std::function<void(Field&)> onValidate;  // before the value is stored; throw to refuse
    std::function<void(Field&)> onChange;    // after the value is stored

    QString label() const { return displayLabel.isEmpty() ? def_.name : displayLabel; }

    // Value of the current row (null QVariant when not set).
    QVariant value() const;
    void setValue(const QVariant& value);
    // Value the server knows for the current row: as loaded or last merged.
    QVariant oldValue() const;
    bool isNull() const;
    void clear() { setValue(QVariant()); }

    QString asString() const;  // null → ""; floats in plain C format ("1500.5"); dates dd/mm/yyyy
    void setAsString(const QString& text);
    double asFloat() const;    // null → 0
    void setAsFloat(double v) { setValue(v); }
    qint64 asInteger() const;  // null → 0
    void setAsInteger(qint64 v) { setValue(v); }
    QDateTime asDateTime() const;  // null → invalid QDateTime ("not set")
    void setAsDateTime(const QDateTime& v) { setValue(v.isValid() ? QVariant(v) : QVariant()); }
    bool asBoolean() const;

    // Text for display (get-text handler, else display format with pt-BR separators).
    QString displayText() const;
    // Text an editor starts from (get-text handler with displayText=false, else edit format).
    QString text() const;
    // Text typed by the user: set-text handler if any, else parsed for the field's type
    // (pt-BR numbers and dd/mm/yyyy dates); unparsable text throws UserError.
    void setText(const QString& text);

private:
    friend class ClientTable;
    ClientTable* owner_;
    FieldDef def_;
    FieldKind kind_;
    int index_ = -1;
};

}  // namespace cot
