#pragma once
#include <QVariant>

class QDialog;
class QWidget;

namespace cot {

// Shows every modal window of the desktop. The application uses the Qt runner; tests
// install a scripted one whose queued actions fill and close each window, so no test
// ever waits on a window.
//
// The modal result is a DialogResult (mrOk, mrCancel, ...). A window may set its own
// result with setModalResult() before it closes; otherwise an accepted QDialog gives
// mrOk and anything else mrCancel.
class ModalRunner {
public:
    virtual ~ModalRunner() = default;

    virtual int exec(QDialog& dialog) = 0;
    // Any top-level widget: shown application-modal until it is hidden or closed.
    virtual int showModal(QWidget& window) = 0;

    // The runner in use: the installed one, else the Qt runner.
    static ModalRunner& current();
    static void setCurrent(ModalRunner* runner);  // not owned; nullptr restores the Qt runner

    // Result helpers shared by runners and windows.
    static void setModalResult(QWidget& window, int result);  // does not close the window
    static void clearModalResult(QWidget& window);
    static bool hasModalResult(QWidget& window);
    // The result a window closed with (see above).
    static int modalResultOf(QWidget& window);
};

class QtModalRunner : public ModalRunner {
public:
    int exec(QDialog& dialog) override;
    int showModal(QWidget& window) override;
};

// Sets the result and closes the window (hides it; a QDialog is done() with it).
void closeModal(QWidget& window, int result);

}  // namespace cot
