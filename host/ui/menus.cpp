#include "menus.h"

#include <QApplication>

#include "event_boundary.h"

namespace cot {

TMenuItem::TMenuItem(const QString& name, const QString& caption, QObject* parent)
    : QObject(parent), action_(new QAction(this)) {
    setObjectName(name);
    action_->setObjectName(name);
    setCaption(caption);
    connect(action_, &QAction::triggered, this, [this] { click(); });
}

TMenuItem::~TMenuItem() {
    if (menu_) delete menu_.data();
}

QString TMenuItem::caption() const { return action_->isSeparator() ? QStringLiteral("-") : action_->text(); }

void TMenuItem::setCaption(const QString& caption) {
    action_->setSeparator(caption == QLatin1String("-"));
    action_->setText(caption);
}

void TMenuItem::setEnabled(bool on) {
    if (action_->isEnabled() == on) return;
    action_->setEnabled(on);
    emit enabledChanged(on);
}

bool TMenuItem::click() {
    if (!enabled()) return false;
    return runHandler(onClick);
}

TMenuItem* TMenuItem::add(const QString& name, const QString& caption) {
    auto* item = new TMenuItem(name, caption);
    add(item);
    return item;
}

void TMenuItem::add(TMenuItem* item) {
    item->setParent(this);
    items_.append(item);
    menu()->addAction(item->action());
}

TMenuItem* TMenuItem::find(const QString& name) const {
    if (objectName().compare(name, Qt::CaseInsensitive) == 0) return const_cast<TMenuItem*>(this);
    for (TMenuItem* i : items_)
        if (TMenuItem* f = i->find(name)) return f;
    return nullptr;
}

void TMenuItem::clear() {
    for (TMenuItem* i : items_) {
        if (menu_) menu_->removeAction(i->action());
        i->deleteLater();
    }
    items_.clear();
}

QMenu* TMenuItem::menu() {
    if (!menu_) {
        menu_ = new QMenu;
        menu_->setObjectName(objectName() + QStringLiteral("_menu"));
        action_->setMenu(menu_);
    }
    return menu_;
}

TMainMenu::TMainMenu(const QString& name, QWidget* window) : QObject(window), bar_(new QMenuBar(window)) {
    setObjectName(name);
    bar_->setObjectName(name);
}

TMenuItem* TMainMenu::add(const QString& name, const QString& caption) {
    auto* item = new TMenuItem(name, caption, this);
    items_.append(item);
    bar_->addAction(item->action());
    // Shortcuts of entries below must work while the menu is closed.
    if (QWidget* w = bar_->window()) w->addAction(item->action());
    return item;
}

TMenuItem* TMainMenu::find(const QString& name) const {
    for (TMenuItem* i : items_)
        if (TMenuItem* f = i->find(name)) return f;
    return nullptr;
}

TPopupMenu::TPopupMenu(const QString& name, QWidget* owner) : QObject(owner), menu_(new QMenu(owner)) {
    setObjectName(name);
    menu_->setObjectName(name);
}

TPopupMenu::~TPopupMenu() = default;

TMenuItem* TPopupMenu::add(const QString& name, const QString& caption) {
    auto* item = new TMenuItem(name, caption, this);
    items_.append(item);
    menu_->addAction(item->action());
    return item;
}

void TPopupMenu::clear() {
    for (TMenuItem* i : items_) {
        menu_->removeAction(i->action());
        // Deleted later: clear() is often called from an entry's own handler.
        i->deleteLater();
    }
    items_.clear();
}

void TPopupMenu::popup(const QPoint& globalPos) {
    ++popups_;
    menu_->popup(globalPos);
}

}  // namespace cot
