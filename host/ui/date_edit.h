#pragma once
#include <QDate>

#include "db_edit.h"
#include "edits.h"

namespace cot {

// Reads a dd/mm/yyyy text as typed in a date edit. Blank ("  /  /    " or "") gives an
// invalid date with *blank = true; anything else that is not a date throws UserError
// "'<text>' não é uma data válida.".
QDate readTypedDate(const QString& text, bool* blank = nullptr);

// Unbound date entry (dd/mm/yyyy). Empty means "not set". Leaving it with a text that
// is not a date shows "'xx/yy/zzzz' não é uma data válida." and keeps the focus. The
// weekday name is shown as the tooltip.
class TDateEditPlus : public TEdit {
public:
    explicit TDateEditPlus(const QString& name = {}, QWidget* parent = nullptr);
    QDate date() const;  // invalid when empty or not a date
    void setDate(const QDate& date);
    QString text() const;  // "dd/mm/yyyy", or "" when empty
    bool isEmpty() const;
    QString weekdayName() const;

    void beforeExit() override;
};

// Date entry bound to a date field. Writes the typed text through Field::setText (the
// field's set-text handler sees the masked text, "  /  /    " when empty); without a
// handler an empty entry clears the field.
class TDBDateEditPlus : public TDBEdit {
public:
    explicit TDBDateEditPlus(const QString& name = {}, QWidget* parent = nullptr);
    QDate date() const;
    QString weekdayName() const;

protected:
    QString textToStore() const override;
    void writeToField(Field& field, const QString& text) override;
    QString defaultMask() const override;
};

}  // namespace cot
