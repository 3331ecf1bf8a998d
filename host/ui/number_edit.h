#pragma once
#include "edits.h"

namespace cot {

// Unbound number entry with Brazilian separators. Shows the display format
// ("###,##0.00" → 1.500,00) when not focused and the plain number (1500,00) while
// focused. Only digits, separators and the minus sign can be typed.
class TNumberEdit : public TEdit {
public:
    explicit TNumberEdit(const QString& name = {}, QWidget* parent = nullptr);

    int decimals() const { return decimals_; }
    void setDecimals(int decimals);
    QString displayFormat() const { return displayFormat_; }
    void setDisplayFormat(const QString& format);

    double value() const;  // 0 when empty or not a number
    void setValue(double value);
    QString text() const { return QLineEdit::text(); }
    void setText(const QString& text) { QLineEdit::setText(text); }
    bool isEmpty() const { return QLineEdit::text().trimmed().isEmpty(); }

    void beforeExit() override;
    void beforeEnter() override;

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    QString formatted(double v, bool forDisplay) const;
    int decimals_ = 2;
    QString displayFormat_;
};

}  // namespace cot
