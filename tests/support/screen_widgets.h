#pragma once
// Driving real widgets in screen tests: find by object name, focus, type, press, click.
#include <QApplication>
#include <QString>
#include <QWidget>

namespace cot::testing {

// The offscreen QApplication of the test process (created on first use).
QApplication& ensureApplication();

// Shows a window and makes it the active one, so focus changes are delivered at once.
void showAndActivate(QWidget& window);
void processEvents();

// A widget named `name` inside `root` (root itself included); nullptr when absent.
QWidget* findWidget(QWidget& root, const QString& name);
template <class T>
T* findAs(QWidget& root, const QString& name) {
    return qobject_cast<T*>(findWidget(root, name));
}
// Same, across every top-level window of the application.
QWidget* findAnyWidget(const QString& name);

// Gives the focus to a widget the way a click or Tab would (enter/exit events run).
// Returns whether the widget has the focus afterwards.
bool focusWidget(QWidget& widget);
// Types text into the focused widget (or `widget`), as key presses.
void typeText(QWidget& widget, const QString& text);
void pressKey(QWidget& widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Clicks a button with the mouse (focusing it first when it takes focus on click).
void clickButton(QWidget& button);
bool clickButton(QWidget& root, const QString& name);  // false when no such widget

}  // namespace cot::testing
