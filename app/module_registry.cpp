#include "module_registry.h"

namespace cot::shell {

const QList<ModuleEntry>& registeredModules() {
    static const QList<ModuleEntry> entries{
        {QStringLiteral("Comercial"), QStringLiteral("Proposta Comercial"), QStringLiteral("Pkg_cot05000")},
    };
    return entries;
}

}  // namespace cot::shell
