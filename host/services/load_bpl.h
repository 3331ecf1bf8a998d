#pragma once
#include <QString>
#include <QVariantList>

namespace cot {

class ClientTable;

// Opens another module of the host by name.
//
// Module ABI. A module is a shared library named lib<name>.so (or <name>.so) in the
// host's module folder. It exports, with C linkage:
//
//   extern "C" void IniProc(const QVariantList* params);   // required: the module's entry
//   extern "C" void Initialize();                           // optional: run once after loading
//   extern "C" void Finalize();                             // optional: run by unloadModules()
//
// `params` is never null (an empty list when the caller passes none). A table is passed
// as the address of its cot::ClientTable in a qulonglong (see tableReference()).
// Modules are built with the same compiler and link the same libcot_host, so C++
// exceptions thrown by IniProc (cot::Abort, cot::UserError, ...) pass on to the caller.
// A loaded module stays loaded until unloadModules(): screens it opened outlive IniProc.
//
// Errors (UserError, Portuguese): "Módulo X não encontrado." when no library exists,
// "Não foi possível carregar o módulo X: <reason>." when it cannot be loaded,
// "Módulo X não possui o ponto de entrada IniProc." when the entry is missing,
// "Nome de módulo inválido: X." for a name with path characters.
void LoadBPL(const QString& name, const QVariantList& params = {});

// Folder searched for modules. Default: the executable's folder.
QString moduleFolder();
void setModuleFolder(const QString& folder);  // empty restores the default

// Path of the library LoadBPL would load for `name` ("" when absent).
QString modulePath(const QString& name);

// Runs Finalize of every loaded module (last loaded first) and unloads them.
void unloadModules();

// A table reference as modules receive it.
QVariant tableReference(ClientTable& table);
// The table behind a reference; nullptr for anything that is not one.
ClientTable* tableFromReference(const QVariant& reference);

}  // namespace cot
