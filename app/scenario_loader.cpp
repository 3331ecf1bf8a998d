// The shell's side of the scenario plug-in: found beside cot-host, kept loaded for the
// process (the runner it makes outlives the event loop).
#include <QCoreApplication>
#include <QLibrary>

#include "scenario_plugin.h"

namespace cot::shell {

std::unique_ptr<Scenario> loadScenario(const QString& file, QString* error) {
    static QLibrary plugin;
    if (!plugin.isLoaded()) {
        plugin.setFileName(QCoreApplication::applicationDirPath() + QStringLiteral("/libcot_scenarios.so"));
        if (!plugin.load()) {
            *error = QStringLiteral("execução de roteiros indisponível nesta instalação (%1)").arg(plugin.errorString());
            return nullptr;
        }
    }
    const auto entry = reinterpret_cast<LoadScenarioEntry>(plugin.resolve(kLoadScenarioEntry));
    if (!entry) {
        *error = QStringLiteral("execução de roteiros indisponível: %1").arg(plugin.errorString());
        return nullptr;
    }
    return std::unique_ptr<Scenario>(entry(file, error));
}

}  // namespace cot::shell
