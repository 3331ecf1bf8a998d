#include "buttons.h"

#include "menus.h"

namespace cot {

TButton::TButton(const QString& name, QWidget* parent, const QString& caption)
    : ButtonControl<QPushButton>(name, parent) {
    setText(caption);
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, [this] { fire(onClick); });
}

TSpeedButton::TSpeedButton(const QString& name, QWidget* parent, const QString& caption)
    : ButtonControl<QToolButton>(name, parent) {
    setText(caption);
    setFocusPolicy(Qt::NoFocus);
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    connect(this, &QToolButton::clicked, this, [this] { fire(onClick); });
}

void TSpeedButton::mirror(TMenuItem* item) {
    if (item_) disconnect(item_, nullptr, this, nullptr);
    item_ = item;
    if (!item) return;
    setEnabled(item->enabled());
    connect(item, &TMenuItem::enabledChanged, this, [this](bool on) { setEnabled(on); });
}

TMenuItem* TSpeedButton::mirrored() const { return qobject_cast<TMenuItem*>(item_.data()); }

TButtonFlat::TButtonFlat(const QString& name, QWidget* parent, const QString& caption)
    : TSpeedButton(name, parent, caption) {
    setAutoRaise(true);
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
}

TRadioButton::TRadioButton(const QString& name, QWidget* parent, const QString& caption)
    : ButtonControl<QRadioButton>(name, parent) {
    setText(caption);
    connect(this, &QRadioButton::toggled, this, [this](bool on) {
        if (on) fire(onClick);
    });
}

TCheckBox::TCheckBox(const QString& name, QWidget* parent, const QString& caption)
    : ButtonControl<QCheckBox>(name, parent) {
    setText(caption);
    connect(this, &QCheckBox::toggled, this, [this](bool) { fire(onClick); });
}

}  // namespace cot
