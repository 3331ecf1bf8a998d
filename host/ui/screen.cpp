#include "screen.h"

#include <QApplication>
#include <QGuiApplication>

#include "focus_dispatcher.h"

namespace cot {

namespace {
int g_cursor = Screen::crDefault;
}

void Screen::setCursor(int cursor) {
    if (cursor == g_cursor) return;
    // One override at most: the application cursor mirrors the last setting.
    if (g_cursor != crDefault && qGuiApp) QGuiApplication::restoreOverrideCursor();
    g_cursor = cursor;
    if (cursor != crDefault && qGuiApp) {
        QGuiApplication::setOverrideCursor(cursor == crHourGlass ? Qt::WaitCursor : Qt::ArrowCursor);
    }
}

int Screen::cursor() { return g_cursor; }

QWidget* Screen::activeControl() { return FocusDispatcher::activeControl(); }

HourGlass::HourGlass() : previous_(Screen::cursor()) { Screen::setCursor(Screen::crHourGlass); }

HourGlass::~HourGlass() { Screen::setCursor(previous_); }

}  // namespace cot
