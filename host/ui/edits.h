#pragma once
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "control.h"
#include "edit_mask.h"

namespace cot {

// Plain text entry. onChange runs on every change of the text, by the user or by code.
class TEdit : public ControlWidget<QLineEdit> {
public:
    explicit TEdit(const QString& name = {}, QWidget* parent = nullptr);
    QString text() const { return QLineEdit::text(); }
};

// Text entry with an edit mask ("99;0; "). text() is what would be stored: without the
// literals when the mask says so.
class TMaskEdit : public TEdit {
public:
    explicit TMaskEdit(const QString& name = {}, QWidget* parent = nullptr);
    QString editMask() const { return mask_; }
    void setEditMask(const QString& mask);
    QString text() const;
    void setText(const QString& text) { QLineEdit::setText(text); }

private:
    QString mask_;
};

class TMemo : public ControlWidget<QPlainTextEdit> {
public:
    explicit TMemo(const QString& name = {}, QWidget* parent = nullptr);
    QString text() const { return toPlainText(); }
    void setText(const QString& text) { setPlainText(text); }
};

class TLabel : public ControlWidget<QLabel> {
public:
    explicit TLabel(const QString& name = {}, QWidget* parent = nullptr, const QString& caption = {});
    QString caption() const { return QLabel::text(); }
    void setCaption(const QString& text) { setText(text); }
};

}  // namespace cot
