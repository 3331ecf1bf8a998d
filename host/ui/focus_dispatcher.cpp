#include "focus_dispatcher.h"

#include <QApplication>

#include "control.h"

namespace cot {

namespace {

FocusDispatcher* g_instance = nullptr;

// Containers around a widget, outermost first.
QList<QWidget*> containersOf(QWidget* w) {
    QList<QWidget*> out;
    for (QWidget* p = w; p; p = p->parentWidget()) {
        if (auto* c = dynamic_cast<Control*>(p); c && c->isContainer()) out.prepend(p);
        if (p->isWindow()) break;
    }
    return out;
}

Control* asControl(QWidget* w) { return w ? dynamic_cast<Control*>(w) : nullptr; }

}  // namespace

FocusDispatcher::FocusDispatcher(QObject* parent) : QObject(parent) {
    connect(qApp, &QApplication::focusChanged, this, &FocusDispatcher::focusChanged);
}

FocusDispatcher& FocusDispatcher::install() {
    if (!g_instance) {
        g_instance = new FocusDispatcher(qApp);
        connect(g_instance, &QObject::destroyed, [] { g_instance = nullptr; });
    }
    return *g_instance;
}

FocusDispatcher* FocusDispatcher::instance() { return g_instance; }

QWidget* FocusDispatcher::activeControl() {
    Control* c = controlOf(QApplication::focusWidget());
    return c ? c->widget() : nullptr;
}

void FocusDispatcher::focusChanged(QWidget*, QWidget* now) {
    // Focus moves made by handlers are picked up by the loop in settle().
    // A modal dialog opened by a handler is another window and gets its own events.
    if (restoring_ || !now || busyWindows_.contains(now->window())) return;
    settle(now);
}

void FocusDispatcher::settle(QWidget* focusWidget) {
    QWidget* const window = focusWidget->window();
    busyWindows_.insert(window);
    QWidget* target = focusWidget;
    bool skipExit = false;
    // A handler may move the focus; follow it, but never loop for ever.
    for (int round = 0; target && round < 16; ++round) {
        WindowState& state = windows_[window];
        QPointer<QWidget> from = state.control;
        const bool ok = move(state, target, skipExit);
        QWidget* nowFocus = QApplication::focusWidget();
        if (!ok) {
            if (nowFocus == target && from) {
                // The exit refused the move: back to the control that was left.
                restoring_ = true;
                from->setFocus(Qt::OtherFocusReason);
                restoring_ = false;
                state.control = from;
                state.containers.clear();
                for (QWidget* c : containersOf(from)) state.containers.append(c);
                break;
            }
            skipExit = true;  // the handler moved the focus: follow it
        } else {
            skipExit = false;
        }
        if (!nowFocus || nowFocus == target) break;
        if (nowFocus->window() != window) break;  // a dialog took it; its own state applies later
        target = nowFocus;
    }
    busyWindows_.remove(window);
    // Forget windows that are gone.
    const QWidgetList alive = QApplication::topLevelWidgets();
    for (auto it = windows_.begin(); it != windows_.end();) {
        const bool keep = busyWindows_.contains(it->first) || alive.contains(it->first);
        it = keep ? std::next(it) : windows_.erase(it);
    }
}

bool FocusDispatcher::move(WindowState& state, QWidget* targetFocus, bool skipExit) {
    Control* target = controlOf(targetFocus);
    QWidget* targetWidget = target ? target->widget() : nullptr;
    if (state.control == targetWidget && targetWidget) {
        // Same control (e.g. a grid and its cell editor): only containers could differ,
        // and they cannot without the control changing.
        return true;
    }

    // 1. exit of the control left
    if (!skipExit) {
        if (Control* old = asControl(state.control)) {
            const bool ok = Control::fire([old] {
                old->beforeExit();
                if (old->onExit) old->onExit();
            });
            if (!ok) return false;
        }
    }
    state.control = nullptr;

    // 2. containers left, innermost first
    const QList<QWidget*> wanted = containersOf(targetFocus);
    while (!state.containers.isEmpty()) {
        QPointer<QWidget> last = state.containers.last();
        if (last && wanted.contains(last.data())) break;
        if (Control* c = asControl(last)) {
            if (!Control::fire(c->onExit)) return false;
        }
        state.containers.removeLast();
    }

    // 3. containers entered, outermost first (the entered list is now a prefix of wanted)
    for (int i = state.containers.size(); i < wanted.size(); ++i) {
        state.containers.append(wanted[i]);
        Control::fire(asControl(wanted[i])->onEnter);
    }

    // 4. enter of the new control
    state.control = targetWidget;
    if (target) {
        Control::fire([target] {
            target->beforeEnter();
            if (target->onEnter) target->onEnter();
        });
    }
    return true;
}

}  // namespace cot
