#pragma once
#include <QFrame>
#include <QGroupBox>
#include <QScrollArea>

#include "control.h"

namespace cot {

// A widget that holds controls and gets OnEnter/OnExit when the focus enters or leaves
// one of them (see focus_dispatcher.h). It never takes the focus itself.
template <class Base>
class ContainerWidget : public Base, public Control {
public:
    explicit ContainerWidget(const QString& name = {}, QWidget* parent = nullptr) : Base(parent) {
        this->setObjectName(name);
        this->setFocusPolicy(Qt::NoFocus);
        ensureFocusDispatch();
    }
    QWidget* widget() override { return this; }
    bool isContainer() const override { return true; }
    using Base::setFocus;
};

class TPanel : public ContainerWidget<QFrame> {
public:
    explicit TPanel(const QString& name = {}, QWidget* parent = nullptr);
    QString caption() const { return caption_; }
    void setCaption(const QString& text) { caption_ = text; }

private:
    QString caption_;
};

class TGroupBox : public ContainerWidget<QGroupBox> {
public:
    explicit TGroupBox(const QString& name = {}, QWidget* parent = nullptr, const QString& caption = {});
};

class TScrollBox : public ContainerWidget<QScrollArea> {
public:
    explicit TScrollBox(const QString& name = {}, QWidget* parent = nullptr);
    QWidget* content() const { return QScrollArea::widget(); }
};

// Enables or disables every control inside a container (the container itself stays).
void SetChildEnabled(QWidget* container, bool on);

}  // namespace cot
