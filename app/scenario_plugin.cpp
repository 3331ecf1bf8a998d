// The scenario plug-in's entry (libcot_scenarios.so): the runner behind the shell's Scenario.
#include "scenario_plugin.h"

#include <QtGlobal>

#include "scenario_runner.h"

namespace cot::shell {
namespace {

class LoadedScenario final : public Scenario {
public:
    explicit LoadedScenario(ScenarioScript script) : script_(std::move(script)) {}

    void attach(Hooks hooks) override {
        runner_ = std::make_unique<ScenarioRunner>(
            std::move(script_), ScenarioRunner::Hooks{std::move(hooks.openModule), std::move(hooks.sessionChanged)});
    }

    int run() override { return runner_ ? runner_->run() : 1; }

private:
    ScenarioScript script_;
    std::unique_ptr<ScenarioRunner> runner_;
};

}  // namespace
}  // namespace cot::shell

extern "C" Q_DECL_EXPORT cot::shell::Scenario* cotLoadScenario(const QString& file, QString* error) {
    auto script = cot::shell::ScenarioScript::load(file);
    if (!script.error.isEmpty()) {
        *error = script.error;
        return nullptr;
    }
    return new cot::shell::LoadedScenario(std::move(script));
}
