#include "edits.h"

namespace cot {

TEdit::TEdit(const QString& name, QWidget* parent) : ControlWidget<QLineEdit>(name, parent) {
    connect(this, &QLineEdit::textChanged, this, [this] { fire(onChange); });
}

TMaskEdit::TMaskEdit(const QString& name, QWidget* parent) : TEdit(name, parent) {}

void TMaskEdit::setEditMask(const QString& mask) {
    mask_ = mask;
    setInputMask(parseEditMask(mask).qtMask);
}

QString TMaskEdit::text() const {
    if (mask_.isEmpty()) return QLineEdit::text();
    return maskedStoredText(mask_, displayText());
}

TMemo::TMemo(const QString& name, QWidget* parent) : ControlWidget<QPlainTextEdit>(name, parent) {
    connect(this, &QPlainTextEdit::textChanged, this, [this] { fire(onChange); });
}

TLabel::TLabel(const QString& name, QWidget* parent, const QString& caption) : ControlWidget<QLabel>(name, parent) {
    setText(caption);
    setFocusPolicy(Qt::NoFocus);
}

}  // namespace cot
