#pragma once
#include <QModelIndex>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <optional>

#include "scenario_script.h"

namespace cot {
class TDBGrid;
}

namespace cot::shell {

using StepResult = std::optional<ScenarioFailure>;

// The scenario's hands on the screens: controls found by object name across the
// application's windows and driven with real key and mouse events, so key filters,
// enter/exit handlers and click refusals run as they do for the user.
class ScenarioControls {
public:
    // Names are looked up in this window first (the modal window in front), then in the
    // shown windows, then in the hidden ones.
    void setFrontWindow(QWidget* window) { front_ = window; }

    QWidget* findWidget(const QString& name) const;
    template <class T>
    T* findObject(const QString& name) const {
        for (QWidget* root : roots())
            if (T* o = root->findChild<T*>(name)) return o;
        return nullptr;
    }

    StepResult focus(const QString& name);
    // Into the named control (focused first) or, with no name, the focused one.
    StepResult type(const QString& name, const QString& text);
    StepResult press(const QString& name, int key, Qt::KeyboardModifiers modifiers);
    // A button (mouse click) or a menu entry; refused when disabled or hidden.
    // Where a click on the control lands.
    static QPoint clickPoint(const QWidget& w);
    StepResult click(const QString& name);
    // A page of its page control, as a click on its tab.
    StepResult choosePage(const QString& name);
    // Clicks the row of a grid whose field shows `value`.
    StepResult selectRow(const QString& grid, const QString& field, const QString& value);
    // Double-clicks (left button) or clicks with `button` the current row's cell of the
    // column showing `field`.
    StepResult clickCell(const QString& grid, const QString& field, Qt::MouseButton button, bool twice);

    StepResult expectText(const QString& name, const QString& text) const;
    StepResult expectField(const QString& table, const QString& field, const QString& value) const;
    // Rows a grid (or any item view) shows, or the records of a client table.
    StepResult expectRows(const QString& name, int rows) const;

    // Lets queued events run (deferred focus changes, single-shot timers).
    static void settle();

private:
    QList<QWidget*> roots() const;
    // Gives the focus as a click would; the widget (or its editor) has it afterwards.
    static bool giveFocus(QWidget& widget);
    static StepResult usable(QWidget& widget);
    static void showCell(TDBGrid& grid, const QModelIndex& index);

    QPointer<QWidget> front_;
};

// What a control shows as its text; nothing for controls without one.
std::optional<QString> shownText(QWidget& widget);

}  // namespace cot::shell
