#include "load_bpl.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QRegularExpression>
#include <map>
#include <memory>
#include <vector>

#include "data/client_table.h"
#include "base/errors.h"

namespace cot {

namespace {

using EntryFn = void (*)(const QVariantList*);
using PlainFn = void (*)();

QString g_folder;

struct Loaded {
    QString key;
    std::unique_ptr<QLibrary> library;
};

std::vector<Loaded>& loadedModules() {
    static std::vector<Loaded> modules;
    return modules;
}

QLibrary* findLoaded(const QString& key) {
    for (auto& m : loadedModules())
        if (m.key == key) return m.library.get();
    return nullptr;
}

bool validName(const QString& name) {
    static const QRegularExpression allowed(QStringLiteral("^[A-Za-z0-9_.-]+$"));
    return allowed.match(name).hasMatch() && !name.contains(QStringLiteral(".."));
}

}  // namespace

QString moduleFolder() {
    if (!g_folder.isEmpty()) return g_folder;
    if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
    return QDir::currentPath();
}

void setModuleFolder(const QString& folder) { g_folder = folder; }

QString modulePath(const QString& name) {
    if (!validName(name)) return {};
    const QDir dir(moduleFolder());
    for (const QString& file : {QStringLiteral("lib%1.so").arg(name), QStringLiteral("%1.so").arg(name)}) {
        const QFileInfo info(dir.filePath(file));
        if (info.isFile()) return info.absoluteFilePath();
    }
    return {};
}

void LoadBPL(const QString& name, const QVariantList& params) {
    if (!validName(name)) throw UserError(QStringLiteral("Nome de módulo inválido: %1.").arg(name));
    const QString path = modulePath(name);
    if (path.isEmpty()) throw UserError(QStringLiteral("Módulo %1 não encontrado.").arg(name));

    QLibrary* library = findLoaded(path);
    if (!library) {
        auto owned = std::make_unique<QLibrary>(path);
        if (!owned->load())
            throw UserError(QStringLiteral("Não foi possível carregar o módulo %1: %2.").arg(name, owned->errorString()));
        if (!owned->resolve("IniProc")) {
            owned->unload();
            throw UserError(QStringLiteral("Módulo %1 não possui o ponto de entrada IniProc.").arg(name));
        }
        library = owned.get();
        loadedModules().push_back({path, std::move(owned)});
        if (auto init = reinterpret_cast<PlainFn>(library->resolve("Initialize"))) init();
    }
    auto entry = reinterpret_cast<EntryFn>(library->resolve("IniProc"));
    entry(&params);
}

void unloadModules() {
    auto& modules = loadedModules();
    while (!modules.empty()) {
        Loaded& last = modules.back();
        if (auto fin = reinterpret_cast<PlainFn>(last.library->resolve("Finalize"))) fin();
        last.library->unload();
        modules.pop_back();
    }
}

QVariant tableReference(ClientTable& table) {
    return QVariant::fromValue(static_cast<qulonglong>(reinterpret_cast<quintptr>(&table)));
}

ClientTable* tableFromReference(const QVariant& reference) {
    if (auto* object = reference.value<QObject*>()) return qobject_cast<ClientTable*>(object);
    switch (reference.typeId()) {
    case QMetaType::ULongLong: case QMetaType::LongLong: case QMetaType::ULong: case QMetaType::Long:
        break;
    default:
        return nullptr;  // text that happens to hold digits is not a reference
    }
    const qulonglong address = reference.toULongLong();
    if (address == 0) return nullptr;
    auto* object = reinterpret_cast<QObject*>(static_cast<quintptr>(address));
    return qobject_cast<ClientTable*>(object);
}

}  // namespace cot
