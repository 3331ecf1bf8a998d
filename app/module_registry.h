#pragma once
#include <QList>
#include <QString>

namespace cot::shell {

// Menu entries of the shell and the module each one opens through LoadBPL.
struct ModuleEntry {
    QString menu;     // top-level menu caption ("Comercial")
    QString caption;  // entry caption ("Proposta Comercial")
    QString module;   // library name ("Pkg_cot05000")
};

const QList<ModuleEntry>& registeredModules();

}  // namespace cot::shell
