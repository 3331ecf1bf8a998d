#include "modal_runner.h"

#include <QDialog>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>

#include "base/dialogs.h"

namespace cot {

namespace {

constexpr const char* kResultProperty = "cotModalResult";

ModalRunner* g_runner = nullptr;

QtModalRunner& qtRunner() {
    static QtModalRunner runner;
    return runner;
}

// Ends a local event loop as soon as the watched window is hidden or destroyed.
class HideWatcher : public QObject {
public:
    HideWatcher(QWidget& window, QEventLoop& loop) : loop_(loop) { window.installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // A close that is accepted hides the window, so Hide covers both.
        if (event->type() == QEvent::Hide) loop_.quit();
        return QObject::eventFilter(watched, event);
    }

private:
    QEventLoop& loop_;
};

}  // namespace

ModalRunner& ModalRunner::current() { return g_runner ? *g_runner : qtRunner(); }

void ModalRunner::setCurrent(ModalRunner* runner) { g_runner = runner; }

void ModalRunner::setModalResult(QWidget& window, int result) {
    window.setProperty(kResultProperty, result);
}

void ModalRunner::clearModalResult(QWidget& window) { window.setProperty(kResultProperty, QVariant()); }

bool ModalRunner::hasModalResult(QWidget& window) { return window.property(kResultProperty).isValid(); }

int ModalRunner::modalResultOf(QWidget& window) {
    const QVariant v = window.property(kResultProperty);
    if (v.isValid()) return v.toInt();
    if (auto* dialog = qobject_cast<QDialog*>(&window))
        return dialog->result() == QDialog::Accepted ? mrOk : mrCancel;
    return mrCancel;
}

int QtModalRunner::exec(QDialog& dialog) {
    clearModalResult(dialog);
    dialog.setResult(QDialog::Rejected);
    QPointer<QDialog> guard(&dialog);
    dialog.exec();
    return guard ? modalResultOf(dialog) : mrCancel;
}

int QtModalRunner::showModal(QWidget& window) {
    if (auto* dialog = qobject_cast<QDialog*>(&window)) return exec(*dialog);
    clearModalResult(window);
    QPointer<QWidget> guard(&window);
    const Qt::WindowModality previous = window.windowModality();
    window.setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    HideWatcher watcher(window, loop);
    QObject::connect(&window, &QObject::destroyed, &loop, &QEventLoop::quit);
    window.show();
    if (window.isVisible()) loop.exec(QEventLoop::DialogExec);
    if (!guard) return mrCancel;
    window.removeEventFilter(&watcher);
    window.setWindowModality(previous);
    return modalResultOf(window);
}

void closeModal(QWidget& window, int result) {
    ModalRunner::setModalResult(window, result);
    if (auto* dialog = qobject_cast<QDialog*>(&window)) {
        dialog->done(result == mrOk || result == mrYes ? QDialog::Accepted : QDialog::Rejected);
        return;
    }
    window.hide();
}

}  // namespace cot
