#pragma once
#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "control.h"

namespace cot {

class TMenuItem;

// A button-like control: a mouse press that could not take the focus (the control
// being left refused to let it go) does not click.
template <class Base>
class ButtonControl : public ControlWidget<Base> {
public:
    using ControlWidget<Base>::ControlWidget;
    QString caption() const { return this->text(); }
    void setCaption(const QString& text) { this->setText(text); }

protected:
    void mousePressEvent(QMouseEvent* e) override {
        if ((this->focusPolicy() & Qt::ClickFocus) && this->isEnabled() && !this->hasFocus()) {
            e->accept();
            return;
        }
        Base::mousePressEvent(e);
    }
};

class TButton : public ButtonControl<QPushButton> {
public:
    explicit TButton(const QString& name = {}, QWidget* parent = nullptr, const QString& caption = {});
};

// Toolbar button: never takes the focus, so pressing it leaves the current control alone.
// `mirror` keeps its enabled state equal to a menu entry's.
class TSpeedButton : public ButtonControl<QToolButton> {
public:
    explicit TSpeedButton(const QString& name = {}, QWidget* parent = nullptr, const QString& caption = {});
    void mirror(TMenuItem* item);
    TMenuItem* mirrored() const;
    void setGlyph(const QIcon& icon) { setIcon(icon); }

private:
    QPointer<QObject> item_;
};

class TButtonFlat : public TSpeedButton {
public:
    explicit TButtonFlat(const QString& name = {}, QWidget* parent = nullptr, const QString& caption = {});
};

// OnClick runs whenever the box becomes checked, by the user or by code.
class TRadioButton : public ButtonControl<QRadioButton> {
public:
    explicit TRadioButton(const QString& name = {}, QWidget* parent = nullptr, const QString& caption = {});
};

// OnClick runs whenever the check state changes, by the user or by code.
class TCheckBox : public ButtonControl<QCheckBox> {
public:
    explicit TCheckBox(const QString& name = {}, QWidget* parent = nullptr, const QString& caption = {});
};

}  // namespace cot
