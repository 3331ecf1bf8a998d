#include "number_edit.h"

#include "number_text.h"
#include "base/errors.h"

namespace cot {

TNumberEdit::TNumberEdit(const QString& name, QWidget* parent) : TEdit(name, parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void TNumberEdit::setDecimals(int decimals) {
    decimals_ = qBound(0, decimals, 10);
}

void TNumberEdit::setDisplayFormat(const QString& format) {
    displayFormat_ = format;
    if (!hasFocus() && !isEmpty()) setValue(value());
}

QString TNumberEdit::formatted(double v, bool forDisplay) const {
    if (forDisplay && !displayFormat_.isEmpty()) return ui_text::formatNumber(v, displayFormat_);
    return ui_text::formatNumber(v, decimals_, false);
}

double TNumberEdit::value() const {
    bool ok = false;
    const double v = ui_text::parseNumber(QLineEdit::text(), &ok);
    return ok ? v : 0;
}

void TNumberEdit::setValue(double v) { QLineEdit::setText(formatted(v, !hasFocus())); }

void TNumberEdit::beforeEnter() {
    if (!isEmpty()) setValue(value());
}

void TNumberEdit::beforeExit() {
    if (isEmpty()) return;
    bool ok = false;
    const double v = ui_text::parseNumber(QLineEdit::text(), &ok);
    if (!ok) {
        selectAll();
        throw UserError(QStringLiteral("'%1' não é um valor numérico válido.").arg(QLineEdit::text()));
    }
    QLineEdit::setText(formatted(v, true));
}

void TNumberEdit::keyPressEvent(QKeyEvent* event) {
    dispatchKeyPress(event, [this](QKeyEvent* e) {
        const QChar c = typedChar(e);
        const bool allowed = c.isNull() || c.unicode() < 32 || c.isDigit() || c == QLatin1Char(',') ||
                             c == QLatin1Char('.') || c == QLatin1Char('-') ||
                             (e->modifiers() & Qt::ControlModifier);
        if (!allowed) {
            e->accept();
            return;
        }
        QLineEdit::keyPressEvent(e);
    });
}

}  // namespace cot
