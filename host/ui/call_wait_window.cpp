// While a remote call is waited for on the UI thread (rpc/call_wait.h), the windows keep
// painting and moving; what the operator types or clicks stays queued until the call ends.
// A call still waited for after a moment brings up the busy window with "Cancelar": from
// then on input goes to that window alone (the rest is dropped, as the desktop is visibly
// busy), and "Cancelar" abandons every call waited for.
#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <vector>

#include "rpc/call_wait.h"
#include "ui/busy_animation.h"

namespace cot {

namespace {

// Quick calls come and go without the window flashing.
constexpr int kCancelShownAfterMs = 400;

bool isOperatorInput(const QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

class CallWaitWindow final : public QObject, public CallWaitHook {
public:
    CallWaitWindow() {
        showCancel_.setSingleShot(true);
        showCancel_.setInterval(kCancelShownAfterMs);
        QObject::connect(&showCancel_, &QTimer::timeout, this, [this] { offerCancel(); });
    }
    ~CallWaitWindow() override {
        if (call_wait::hook() == this) call_wait::setHook(nullptr);
    }

    void waitBegins(std::function<void()> cancel) override {
        cancels_.push_back(std::move(cancel));
        if (cancels_.size() == 1) showCancel_.start();
    }

    void waitEnds() override {
        if (!cancels_.empty()) cancels_.pop_back();
        if (!cancels_.empty()) return;
        showCancel_.stop();
        if (!offered_) return;
        offered_ = false;
        qApp->removeEventFilter(this);
        Showavi::EndCallWait();
    }

    bool takesInput() const override { return offered_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!offered_ || isBusyWindow(watched)) return false;
        if (isOperatorInput(event)) return true;
        // Closing a window would pull it from under the call that works for it.
        if (event->type() == QEvent::Close && event->spontaneous()) {
            event->ignore();
            return true;
        }
        return false;
    }

private:
    void offerCancel() {
        if (cancels_.empty() || offered_) return;
        offered_ = true;
        qApp->installEventFilter(this);
        Showavi::BeginCallWait([this] {
            const auto cancels = cancels_;
            for (const auto& cancel : cancels) cancel();
        });
    }

    std::vector<std::function<void()>> cancels_;  // one per wait, the innermost last
    QTimer showCancel_;
    bool offered_ = false;
};

}  // namespace

}  // namespace cot

namespace {

// Every desktop process (the shell, its modules, the screens' tests) waits this way.
void installCallWaitWindow() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    auto* window = new cot::CallWaitWindow;
    window->setParent(QCoreApplication::instance());
    cot::call_wait::setHook(window);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(installCallWaitWindow)
