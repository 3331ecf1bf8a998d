#pragma once
#include <functional>

class QObject;

namespace cot {

// Busy animation shown around every save to the server. Calls are counted: nested
// activations show one window, which disappears when the outermost one ends. Without a
// GUI (tests without a QApplication, the server) only the count is kept.
namespace Showavi {
void ActiveShowAvi();
void DeactiveShowAvi();  // never below zero
// A call waited for long enough to be noticed: the window shows with "Cancelar", which runs
// `cancel`, until the wait ends (the count above is not touched).
void BeginCallWait(std::function<void()> cancel);
void EndCallWait();
}  // namespace Showavi

// Nesting depth of the animation (0 = hidden).
int busyDepth();
// Whether the "Processando..." window is currently visible.
bool busyWindowVisible();
// The busy window, one of its widgets or its window handle (what may take input during a wait).
bool isBusyWindow(const QObject* object);

// Shows the animation for its lifetime and hides it on every path out.
class BusyScope {
public:
    BusyScope() { Showavi::ActiveShowAvi(); }
    ~BusyScope() { Showavi::DeactiveShowAvi(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
};

}  // namespace cot
