#pragma once
#include <QChar>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QString>
#include <QWidget>
#include <functional>

namespace cot {

// Background colours the screens use to tell the user what an entry is:
// InfoBk = mandatory entry, Window = optional entry, BtnFace = not editable.
enum class ControlColor { Default, InfoBk, Window, BtnFace };

// Events and properties shared by every control and container of a screen.
// Handlers run inside the error boundary (event_boundary.h).
class Control {
public:
    virtual ~Control() = default;

    virtual QWidget* widget() = 0;
    const QWidget* widget() const { return const_cast<Control*>(this)->widget(); }
    // Panels, group boxes and tab sheets: they get enter/exit when the focus enters or
    // leaves a control inside them, and never hold the focus themselves.
    virtual bool isContainer() const { return false; }
    // Built-in behaviour run before onExit and before onEnter: bound controls write
    // their pending text when the focus leaves (throwing keeps the focus) and switch
    // between editor and display text.
    virtual void beforeExit() {}
    virtual void beforeEnter() {}

    std::function<void()> onEnter;
    std::function<void()> onExit;
    std::function<void()> onClick;
    std::function<void()> onDblClick;
    std::function<void()> onChange;
    // Character typed (backspace #8, tab #9, enter #13 and escape #27 included). Set the
    // key to QChar() to swallow it, or to another character to replace it.
    std::function<void(QChar& key)> onKeyPress;
    // Key pressed/released (Qt::Key values). Set the key to 0 to swallow it.
    std::function<void(int& key, Qt::KeyboardModifiers modifiers)> onKeyDown;
    std::function<void(int& key, Qt::KeyboardModifiers modifiers)> onKeyUp;

    void setColor(ControlColor color);
    ControlColor color() const { return color_; }

    QString name() const { return widget()->objectName(); }
    int tabOrder = 0;
    // Can take the focus now: enabled, shown (with every parent), accepts focus.
    bool canFocus() const;
    void setFocus();
    bool focused() const;

    // Runs onKeyDown then (for characters) onKeyPress, then `base` with the event as the
    // handlers left it. Returns false when the key was swallowed.
    bool dispatchKeyPress(QKeyEvent* event, const std::function<void(QKeyEvent*)>& base);
    bool dispatchKeyRelease(QKeyEvent* event, const std::function<void(QKeyEvent*)>& base);

    // Fires a plain event through the boundary; false when the handler failed.
    static bool fire(const std::function<void()>& handler);

    // The character a key event types, as the key-press handlers see it (QChar() for none).
    static QChar typedChar(const QKeyEvent* event);

private:
    ControlColor color_ = ControlColor::Default;
};

// Makes sure the focus dispatcher runs (every control needs its enter/exit events).
void ensureFocusDispatch();

// Finds the Control a widget belongs to (itself or nearest ancestor that is a
// non-container control), or nullptr.
Control* controlOf(QWidget* widget);

// Qt widget carrying the Control behaviour: object name = component name, key events
// through the handlers, double click to onDblClick.
template <class Base>
class ControlWidget : public Base, public Control {
public:
    explicit ControlWidget(const QString& name = {}, QWidget* parent = nullptr) : Base(parent) {
        this->setObjectName(name);
        ensureFocusDispatch();
    }
    QWidget* widget() override { return this; }
    using Base::setFocus;

protected:
    void keyPressEvent(QKeyEvent* e) override {
        dispatchKeyPress(e, [this](QKeyEvent* ev) { Base::keyPressEvent(ev); });
    }
    void keyReleaseEvent(QKeyEvent* e) override {
        dispatchKeyRelease(e, [this](QKeyEvent* ev) { Base::keyReleaseEvent(ev); });
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        Base::mouseDoubleClickEvent(e);
        fire(onDblClick);
    }
};

}  // namespace cot
