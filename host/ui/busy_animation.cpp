#include "busy_animation.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QWidget>

namespace cot {

namespace {

int g_depth = 0;
QPointer<QWidget> g_window;

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
        layout->addWidget(label);
        layout->addWidget(bar);
        w->adjustSize();
        g_window = w;
    }
    return g_window;
}

}  // namespace

namespace Showavi {

void ActiveShowAvi() {
    if (++g_depth != 1) return;
    if (QWidget* w = busyWindow()) {
        if (QWidget* active = QApplication::activeWindow()) {
            const QRect r = active->frameGeometry();
            w->move(r.center() - QPoint(w->width() / 2, w->height() / 2));
        }
        w->show();
        if (QGuiApplication::platformName() != QLatin1String("offscreen")) w->raise();
        w->repaint();  // the caller blocks the event loop right after this
    }
}

void DeactiveShowAvi() {
    if (g_depth == 0) return;
    if (--g_depth == 0 && g_window) g_window->hide();
}

}  // namespace Showavi

int busyDepth() { return g_depth; }

bool busyWindowVisible() { return g_window && g_window->isVisible(); }

}  // namespace cot
