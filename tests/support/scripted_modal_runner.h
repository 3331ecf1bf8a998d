#pragma once
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

#include "ui/modal_runner.h"

// Modal runner for tests: every modal window is shown (non-blocking), handed to the next
// queued action (fill fields, click a button) and then closed if the action left it open.
// A window with no queued action is a test failure and is closed at once: nothing blocks.
//
//   ScriptedModalRunner runner;            // installed for its lifetime
//   runner.expect([](QWidget& w) { ... click "sbtConfirma" ... }, "frmFiltro");
//   runner.expectAccept();                 // OK the next window as it stands
class ScriptedModalRunner : public cot::ModalRunner {
public:
    using Action = std::function<void(QWidget&)>;

    ScriptedModalRunner();
    ~ScriptedModalRunner() override;  // restores the previous runner; unused actions fail the test

    // `objectName` (optional): the window the action is meant for; another one fails the test.
    void expect(Action action, const QString& objectName = {});
    void expectAccept(const QString& objectName = {});   // closes with mrOk
    void expectCancel(const QString& objectName = {});   // closes with mrCancel

    int exec(QDialog& dialog) override;
    int showModal(QWidget& window) override;

    // objectName (or title when unnamed) of every modal window shown, in order.
    const QStringList& shown() const { return shown_; }
    int pending() const { return int(queue_.size()); }
    void clear() { queue_.clear(); }

private:
    struct Step {
        Action action;
        QString objectName;
    };
    int run(QWidget& window);
    std::deque<Step> queue_;
    QStringList shown_;
    ScriptedModalRunner* previous_;
};
