#pragma once
#include <QSet>
#include <map>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

namespace cot {

class Control;

// Turns the application's focus changes into the OnEnter/OnExit events of controls and
// of the containers (panels, group boxes, tab sheets) around them.
//
// Order of one focus move from control A to control B:
//   1. A.onExit;
//   2. onExit of every container holding A but not B, innermost first;
//   3. onEnter of every container holding B but not A, outermost first;
//   4. B.onEnter.
// If an exit handler fails (a validation that showed its message and aborted), the
// move stops there: no enter event runs, and the focus goes back to A unless the
// handler put it somewhere else itself (then the events of that move are run, without
// repeating A's exit). A handler that moves the focus simply starts the next move
// once the current one is over, so handlers never nest into each other.
//
// Each top-level window keeps its own active control: opening a dialog or a message
// box does not make the screen's control lose its focus, so its exit checks do not run
// behind the message they raised.
class FocusDispatcher : public QObject {
    Q_OBJECT
public:
    // Installs the dispatcher on the running QApplication (once; later calls return it).
    static FocusDispatcher& install();
    static FocusDispatcher* instance();

    // The control that has the focus in the active window (Screen.ActiveControl).
    static QWidget* activeControl();

private:
    explicit FocusDispatcher(QObject* parent);
    struct WindowState {
        QPointer<QWidget> control;             // widget of the current Control
        QList<QPointer<QWidget>> containers;   // entered containers, outermost first
    };
    void focusChanged(QWidget* old, QWidget* now);
    void settle(QWidget* focusWidget);
    // Runs one move; returns false when an exit handler failed.
    bool move(WindowState& state, QWidget* targetFocus, bool skipExit);

    std::map<QWidget*, WindowState> windows_;  // node-based: references survive nested moves
    QSet<QWidget*> busyWindows_;  // windows whose handlers are running
    bool restoring_ = false;
};

}  // namespace cot
