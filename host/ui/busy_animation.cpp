#include "busy_animation.h"

#include <QApplication>
#include <QDialog>
#include <QList>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>
#include <QWindow>

namespace cot {

namespace {

int g_depth = 0;
QPointer<QWidget> g_window;
QPointer<QPushButton> g_cancelButton;
bool g_callWait = false;            // a call is waited for: the window offers "Cancelar"
std::function<void()> g_cancel;     // what "Cancelar" does

bool shown() { return g_depth > 0 || g_callWait; }

// No message shows under the busy window: a dialog or modal window that comes up while work
// runs sends the busy window out of the way until the last of them goes (windows already
// open when the work started, such as the modal screen doing it, do not count).
class MessageWatch : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::Show && type != QEvent::Hide) return false;
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w || w == g_window || !w->isWindow()) return false;
        if (!qobject_cast<QDialog*>(w) && !w->isModal()) return false;
        if (type == QEvent::Show && shown()) {
            if (!over_.contains(w)) over_ << w;
        } else if (type == QEvent::Hide) {
            over_.removeAll(w);
        } else {
            return false;
        }
        settle();
        return false;
    }
    // The work starts: only what opens from now on hides the busy window.
    void start() { over_.clear(); }
    void settle() {
        over_.removeIf([](const QPointer<QWidget>& w) { return !w || !w->isVisible(); });
        if (!g_window) return;
        if (shown() && over_.isEmpty()) {
            if (!g_window->isVisible()) {
                g_window->show();
                if (QGuiApplication::platformName() != QLatin1String("offscreen")) g_window->raise();
            }
            g_window->repaint();  // the caller blocks the event loop right after this
        } else {
            g_window->hide();
        }
    }

private:
    QList<QPointer<QWidget>> over_;
};

MessageWatch* messageWatch() {
    static QPointer<MessageWatch> watch;
    if (!watch) {
        watch = new MessageWatch;
        watch->setParent(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(watch);
    }
    return watch;
}

QWidget* busyWindow() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return nullptr;
    if (!g_window) {
        auto* w = new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        w->setObjectName("frmShowAvi");
        w->setAttribute(Qt::WA_ShowWithoutActivating);  // never steals the focus from the screen
        auto* layout = new QHBoxLayout(w);
        auto* label = new QLabel(QStringLiteral("Processando..."), w);
        label->setObjectName("lblProcessando");
        auto* bar = new QProgressBar(w);
        bar->setRange(0, 0);  // indeterminate
        bar->setTextVisible(false);
        bar->setFixedWidth(80);
        auto* cancel = new QPushButton(QStringLiteral("Cancelar"), w);
        cancel->setObjectName("btnCancelar");
        cancel->setFocusPolicy(Qt::NoFocus);
        cancel->hide();
        QObject::connect(cancel, &QPushButton::clicked, cancel, [] {
            if (auto act = g_cancel) act();
        });
        layout->addWidget(label);
        layout->addWidget(bar);
        layout->addWidget(cancel);
        w->adjustSize();
        g_window = w;
        g_cancelButton = cancel;
    }
    return g_window;
}

}  // namespace

namespace Showavi {

namespace {

// Shows the window over the active one, when nothing kept it shown already.
void showOverActive() {
    QWidget* w = busyWindow();
    if (!w) return;
    if (!w->isVisible()) {
        if (QWidget* active = QApplication::activeWindow()) {
            const QRect r = active->frameGeometry();
            w->move(r.center() - QPoint(w->width() / 2, w->height() / 2));
        }
    }
    messageWatch()->settle();
}

}  // namespace

void ActiveShowAvi() {
    if (++g_depth != 1 || g_callWait) return;
    if (busyWindow()) messageWatch()->start();
    showOverActive();
}

void DeactiveShowAvi() {
    if (g_depth == 0) return;
    if (--g_depth == 0 && g_window && !g_callWait) g_window->hide();
}

void BeginCallWait(std::function<void()> cancel) {
    const bool wasShown = shown();
    g_callWait = true;
    g_cancel = std::move(cancel);
    if (!busyWindow()) return;
    g_cancelButton->show();
    g_window->adjustSize();
    if (!wasShown) messageWatch()->start();
    showOverActive();
}

void EndCallWait() {
    g_callWait = false;
    g_cancel = nullptr;
    if (!g_window) return;
    g_cancelButton->hide();
    g_window->adjustSize();
    if (g_depth == 0) g_window->hide();
}

}  // namespace Showavi

int busyDepth() { return g_depth; }

bool busyWindowVisible() { return g_window && g_window->isVisible(); }

bool isBusyWindow(const QObject* object) {
    if (!g_window || !object) return false;
    if (auto* w = qobject_cast<const QWidget*>(object)) return w->window() == g_window;
    if (auto* window = qobject_cast<const QWindow*>(object)) return window == g_window->windowHandle();
    return false;
}

}  // namespace cot
