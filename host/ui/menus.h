#pragma once
#include <QAction>
#include <QKeySequence>
#include <QList>
#include <QMenu>
#include <QMenuBar>
#include <QObject>
#include <QPointer>
#include <functional>

namespace cot {

// One menu entry. The caption marks its accelerator with '&' ("&Proposta"); a caption
// of "-" makes a separator. Handlers run inside the error boundary.
class TMenuItem : public QObject {
    Q_OBJECT
public:
    explicit TMenuItem(const QString& name = {}, const QString& caption = {}, QObject* parent = nullptr);
    ~TMenuItem() override;

    QAction* action() const { return action_; }

    QString caption() const;
    void setCaption(const QString& caption);
    bool isSeparator() const { return action_->isSeparator(); }
    QKeySequence shortcut() const { return action_->shortcut(); }
    void setShortcut(const QKeySequence& keys) { action_->setShortcut(keys); }
    void setShortcut(const QString& keys) { setShortcut(QKeySequence(keys)); }
    bool enabled() const { return action_->isEnabled(); }
    void setEnabled(bool on);
    bool visible() const { return action_->isVisible(); }
    void setVisible(bool on) { action_->setVisible(on); }
    bool checked() const { return action_->isChecked(); }
    void setChecked(bool on) { action_->setCheckable(true); action_->setChecked(on); }
    int tag = 0;

    std::function<void()> onClick;
    // What the user's choice does: runs onClick when the entry is enabled.
    // Returns false when the handler failed (or the entry is disabled).
    bool click();

    // Sub-entries.
    TMenuItem* add(const QString& name, const QString& caption);
    void add(TMenuItem* item);  // takes ownership
    int count() const { return items_.size(); }
    TMenuItem* item(int index) const { return items_.value(index); }
    TMenuItem* find(const QString& name) const;  // this entry or any below it
    void clear();
    QMenu* menu();  // created on first use

signals:
    void enabledChanged(bool on);

private:
    QAction* action_;
    QPointer<QMenu> menu_;
    QList<TMenuItem*> items_;
};

// The window's menu bar.
class TMainMenu : public QObject {
    Q_OBJECT
public:
    explicit TMainMenu(const QString& name = {}, QWidget* window = nullptr);
    QMenuBar* bar() const { return bar_; }
    TMenuItem* add(const QString& name, const QString& caption);
    int count() const { return items_.size(); }
    TMenuItem* item(int index) const { return items_.value(index); }
    TMenuItem* find(const QString& name) const;

private:
    QMenuBar* bar_;
    QList<TMenuItem*> items_;
};

// A context menu whose entries are usually built just before it is shown.
class TPopupMenu : public QObject {
    Q_OBJECT
public:
    explicit TPopupMenu(const QString& name = {}, QWidget* owner = nullptr);
    ~TPopupMenu() override;
    TMenuItem* add(const QString& name, const QString& caption);
    int count() const { return items_.size(); }
    TMenuItem* item(int index) const { return items_.value(index); }
    void clear();
    // Shows the menu at a global position without blocking; `popupCount` lets tests see it.
    void popup(const QPoint& globalPos);
    int popupCount() const { return popups_; }
    QMenu* menu() const { return menu_; }

private:
    QMenu* menu_;
    QList<TMenuItem*> items_;
    int popups_ = 0;
};

}  // namespace cot
