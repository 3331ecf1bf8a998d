#include "control.h"

#include <QApplication>
#include <QPalette>

#include "event_boundary.h"
#include "focus_dispatcher.h"

namespace cot {

namespace {

// Background and text roles taken from the application palette, so the pair stays
// readable whatever the style.
void applyColor(QWidget* w, ControlColor color) {
    QPalette pal = QApplication::palette(w);
    QPalette::ColorRole bg = QPalette::Base;
    QPalette::ColorRole fg = QPalette::Text;
    switch (color) {
    case ControlColor::Default: w->setPalette(QPalette()); w->setAutoFillBackground(false); return;
    case ControlColor::InfoBk: bg = QPalette::ToolTipBase; fg = QPalette::ToolTipText; break;
    case ControlColor::Window: bg = QPalette::Base; fg = QPalette::Text; break;
    case ControlColor::BtnFace: bg = QPalette::Button; fg = QPalette::ButtonText; break;
    }
    const QColor back = pal.color(QPalette::Active, bg);
    const QColor text = pal.color(QPalette::Active, fg);
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Base, back);
        pal.setColor(group, QPalette::Window, back);
        pal.setColor(group, QPalette::Text, text);
        pal.setColor(group, QPalette::WindowText, text);
    }
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

int keyForChar(QChar c) {
    switch (c.unicode()) {
    case 8: return Qt::Key_Backspace;
    case 9: return Qt::Key_Tab;
    case 13: return Qt::Key_Return;
    case 27: return Qt::Key_Escape;
    default: return c.toUpper().unicode();
    }
}

}  // namespace

void Control::setColor(ControlColor color) {
    color_ = color;
    applyColor(widget(), color);
}

bool Control::canFocus() const {
    const QWidget* w = widget();
    return w->isEnabled() && w->isVisible() && w->focusPolicy() != Qt::NoFocus;
}

void Control::setFocus() { widget()->setFocus(Qt::OtherFocusReason); }

bool Control::focused() const {
    QWidget* f = QApplication::focusWidget();
    return f && controlOf(f) == this;
}

bool Control::fire(const std::function<void()>& handler) { return runHandler(handler); }

QChar Control::typedChar(const QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Backspace: return QChar(8);
    case Qt::Key_Tab: return QChar(9);
    case Qt::Key_Return:
    case Qt::Key_Enter: return QChar(13);
    case Qt::Key_Escape: return QChar(27);
    case Qt::Key_Delete: return QChar();  // a key, not a character
    default: break;
    }
    const QString text = event->text();
    if (text.isEmpty()) return QChar();
    const QChar c = text.at(0);
    if (c.unicode() < 32 || c.unicode() == 127) return QChar();
    return c;
}

bool Control::dispatchKeyPress(QKeyEvent* event, const std::function<void(QKeyEvent*)>& base) {
    int key = event->key();
    if (onKeyDown) {
        const bool ok = runHandler([&] { onKeyDown(key, event->modifiers()); });
        if (!ok || key == 0) { event->accept(); return false; }
    }
    QChar c = typedChar(event);
    if (!c.isNull() && onKeyPress) {
        const QChar before = c;
        const bool ok = runHandler([&] { onKeyPress(c); });
        if (!ok || c.isNull()) { event->accept(); return false; }
        if (c != before) {
            QKeyEvent replaced(QEvent::KeyPress, keyForChar(c), event->modifiers(), QString(c));
            base(&replaced);
            event->setAccepted(replaced.isAccepted());
            return true;
        }
    }
    if (key != event->key()) {
        QKeyEvent replaced(QEvent::KeyPress, key, event->modifiers(), event->text());
        base(&replaced);
        event->setAccepted(replaced.isAccepted());
        return true;
    }
    base(event);
    return true;
}

bool Control::dispatchKeyRelease(QKeyEvent* event, const std::function<void(QKeyEvent*)>& base) {
    int key = event->key();
    if (onKeyUp) {
        const bool ok = runHandler([&] { onKeyUp(key, event->modifiers()); });
        if (!ok || key == 0) { event->accept(); return false; }
    }
    base(event);
    return true;
}

void ensureFocusDispatch() {
    if (qApp && !FocusDispatcher::instance()) FocusDispatcher::install();
}

Control* controlOf(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (auto* c = dynamic_cast<Control*>(w); c && !c->isContainer()) return c;
        if (w->isWindow()) break;
    }
    return nullptr;
}

}  // namespace cot
