#pragma once
#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "scenario_controls.h"
#include "scenario_dialogs.h"
#include "scenario_script.h"
#include "services/file_opener.h"
#include "ui/modal_runner.h"

namespace cot::shell {

// Runs a scenario against the real screens of the shell and prints each step, one line
// each, and what was expected and found at the first step that does not hold.
//
// While it lives it is the dialogs service, the modal runner and the file opener (files
// are recorded, not shown: `expect-opened NAME`). A modal window never
// blocks: it must be announced by the step after the one that opened it (`window NAME`),
// and the steps that follow act on it until one of them closes it.
class ScenarioRunner : public ModalRunner {
public:
    struct Hooks {
        std::function<bool(const QString& module)> openModule;  // what `open` does
        std::function<void()> sessionChanged;                   // after `signin` and `server`
    };

    ScenarioRunner(ScenarioScript script, Hooks hooks, std::FILE* out = stdout);
    ~ScenarioRunner() override;  // the previous dialogs service and the Qt runner come back
    ScenarioRunner(const ScenarioRunner&) = delete;
    ScenarioRunner& operator=(const ScenarioRunner&) = delete;

    // 0 when every step held, 1 at the first that did not.
    int run();

    int exec(QDialog& dialog) override;
    int showModal(QWidget& window) override;

    // A step still running after this long ends the process (a window or loop nobody
    // scripted would otherwise hold it forever).
    static constexpr int kStepSeconds = 30;

private:
    // Runs steps until `done`, the end of the scenario or the first failure.
    void runSteps(const std::function<bool()>& done);
    StepResult perform(const ScenarioStep& step);
    StepResult signIn(const QStringList& args);
    StepResult checkWindow(const QString& name) const;
    StepResult closeWindow();
    StepResult screenshot(const QString& path) const;
    QWidget* frontWindow() const;
    void report(const QString& where, const ScenarioFailure& failure);
    void print(const QString& line);
    void watch();

    ScenarioScript script_;
    Hooks hooks_;
    std::FILE* out_;
    ScenarioDialogs dialogs_;
    ScenarioControls controls_;
    Dialogs* previousDialogs_;
    RecordingFileOpener opener_;
    FileOpener* previousOpener_;
    int next_ = 0;
    bool failed_ = false;
    const ScenarioStep* current_ = nullptr;
    QList<QPointer<QWidget>> modals_;
    QElapsedTimer stepClock_;
    QTimer watchdog_;
};

}  // namespace cot::shell
