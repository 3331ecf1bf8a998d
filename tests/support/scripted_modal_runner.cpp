#include "scripted_modal_runner.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include "base/dialogs.h"

namespace {
ScriptedModalRunner* g_installed = nullptr;
}

ScriptedModalRunner::ScriptedModalRunner() : previous_(nullptr) {
    // The previous runner is only known when it was another scripted runner; otherwise the
    // Qt runner comes back.
    previous_ = g_installed;
    g_installed = this;
    cot::ModalRunner::setCurrent(this);
}

ScriptedModalRunner::~ScriptedModalRunner() {
    if (!queue_.empty())
        ADD_FAILURE() << queue_.size() << " modal window(s) expected but never shown"
                      << (queue_.front().objectName.isEmpty() ? std::string()
                                                              : " (next: " + queue_.front().objectName.toStdString() + ")");
    g_installed = previous_;
    cot::ModalRunner::setCurrent(previous_);
}

void ScriptedModalRunner::expect(Action action, const QString& objectName) {
    queue_.push_back({std::move(action), objectName});
}

void ScriptedModalRunner::expectAccept(const QString& objectName) {
    expect([](QWidget& w) { cot::closeModal(w, cot::mrOk); }, objectName);
}

void ScriptedModalRunner::expectCancel(const QString& objectName) {
    expect([](QWidget& w) { cot::closeModal(w, cot::mrCancel); }, objectName);
}

int ScriptedModalRunner::exec(QDialog& dialog) {
    dialog.setResult(QDialog::Rejected);
    return run(dialog);
}

int ScriptedModalRunner::showModal(QWidget& window) { return run(window); }

int ScriptedModalRunner::run(QWidget& window) {
    const QString name = window.objectName().isEmpty() ? window.windowTitle() : window.objectName();
    shown_ << name;
    cot::ModalRunner::clearModalResult(window);
    QPointer<QWidget> guard(&window);

    if (queue_.empty()) {
        ADD_FAILURE() << "unexpected modal window: " << name.toStdString();
        cot::closeModal(window, cot::mrCancel);
        return cot::mrCancel;
    }
    Step step = std::move(queue_.front());
    queue_.pop_front();
    if (!step.objectName.isEmpty() && step.objectName != window.objectName())
        ADD_FAILURE() << "expected modal window " << step.objectName.toStdString() << ", got " << name.toStdString();

    window.show();
    window.activateWindow();
    try {
        step.action(window);
    } catch (const std::exception& e) {
        ADD_FAILURE() << "action on modal window " << name.toStdString() << " threw: " << e.what();
    } catch (...) {
        ADD_FAILURE() << "action on modal window " << name.toStdString() << " threw";
    }
    if (!guard) return cot::mrCancel;
    if (window.isVisible()) {
        // Left open by the action: closed as the user's Cancel would.
        if (!cot::ModalRunner::hasModalResult(window)) cot::ModalRunner::setModalResult(window, cot::mrCancel);
        window.hide();
    }
    return cot::ModalRunner::modalResultOf(window);
}
