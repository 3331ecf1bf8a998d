#pragma once
#include <QString>
#include <functional>
#include <memory>

namespace cot::shell {

// Scenarios (--scenario) type and click through QTest. The runner lives in a plug-in of its
// own, libcot_scenarios.so beside cot-host, loaded only when a scenario is asked for: the
// shell itself does not link Qt's test library, and the desktop package leaves the plug-in
// (and that library) out.
class Scenario {
public:
    struct Hooks {
        std::function<bool(const QString& module)> openModule;  // what `open` does
        std::function<void()> sessionChanged;                   // after `signin` and `server`
    };

    virtual ~Scenario() = default;
    // Takes over the dialogs service, the modal runner and the file opener until destroyed.
    virtual void attach(Hooks hooks) = 0;
    // 0 when every step held, 1 at the first that did not (after attach).
    virtual int run() = 0;
};

// The plug-in's entry: reads the scenario FILE; nullptr with *error set when it cannot.
using LoadScenarioEntry = Scenario* (*)(const QString& file, QString* error);
inline constexpr const char* kLoadScenarioEntry = "cotLoadScenario";

// Loads the plug-in from the shell's folder and the scenario through it; nullptr with
// *error set when either fails (no plug-in installed, unreadable or invalid scenario).
std::unique_ptr<Scenario> loadScenario(const QString& file, QString* error);

}  // namespace cot::shell
