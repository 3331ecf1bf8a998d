#include "screen_widgets.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QStyle>
#include <QAbstractButton>
#include <QTest>

namespace cot::testing {

QApplication& ensureApplication() {
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return *app;
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    static int argc = 1;
    static char name[] = "cot-tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);  // lives for the whole process
    return *app;
}

void processEvents() { QCoreApplication::processEvents(); }

void showAndActivate(QWidget& window) {
    window.show();
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) window.raise();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    processEvents();
}

QWidget* findWidget(QWidget& root, const QString& name) {
    if (root.objectName() == name) return &root;
    return root.findChild<QWidget*>(name);
}

QWidget* findAnyWidget(const QString& name) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible()) continue;
        if (QWidget* w = findWidget(*top, name)) return w;
    }
    for (QWidget* top : QApplication::topLevelWidgets())
        if (QWidget* w = findWidget(*top, name)) return w;
    return nullptr;
}

bool focusWidget(QWidget& widget) {
    QWidget* window = widget.window();
    if (!window->isActiveWindow()) showAndActivate(*window);
    widget.setFocus(Qt::MouseFocusReason);
    processEvents();
    return widget.hasFocus();
}

void typeText(QWidget& widget, const QString& text) {
    QWidget* target = widget.focusProxy() ? widget.focusProxy() : &widget;
    QTest::keyClicks(target, text);
    processEvents();
}

void pressKey(QWidget& widget, int key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(&widget, static_cast<Qt::Key>(key), modifiers);
    processEvents();
}

void clickButton(QWidget& button) {
    if (button.focusPolicy() & Qt::ClickFocus) focusWidget(button);
    // A check box or radio button stretched by its layout reacts only on its mark.
    const bool marked = qobject_cast<QRadioButton*>(&button) || qobject_cast<QCheckBox*>(&button);
    const QPoint at = marked ? QPoint(button.style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &button) / 2 + 1,
                                      button.height() / 2)
                             : button.rect().center();
    QTest::mouseClick(&button, Qt::LeftButton, Qt::NoModifier, at);
    processEvents();
}

bool clickButton(QWidget& root, const QString& name) {
    QWidget* w = findWidget(root, name);
    if (!w) return false;
    clickButton(*w);
    return true;
}

}  // namespace cot::testing
