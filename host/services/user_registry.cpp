#include "user_registry.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "base/errors.h"
#include "settings_store.h"

namespace cot::UserRegistry {

namespace {
QString path(const QString& key, const QString& valueName) {
    QString k = key;
    k.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return k + QLatin1Char('/') + valueName;
}
}  // namespace

QString file() { return SettingsStore::defaultFolder() + QStringLiteral("/registro.ini"); }

QString readString(const QString& key, const QString& valueName) {
    if (!QFileInfo(file()).isReadable()) return {};
    QSettings s(file(), QSettings::IniFormat);
    if (s.status() != QSettings::NoError) return {};
    return s.value(path(key, valueName)).toString();
}

void writeString(const QString& key, const QString& valueName, const QString& value) {
    const QString f = file();
    if (!QDir().mkpath(QFileInfo(f).absolutePath()))
        throw UserError(QStringLiteral("Não foi possível criar a pasta de configurações '%1'.").arg(QFileInfo(f).absolutePath()));
    QSettings s(f, QSettings::IniFormat);
    s.setValue(path(key, valueName), value);
    s.sync();
    if (s.status() != QSettings::NoError)
        throw UserError(QStringLiteral("Não foi possível gravar '%1' em '%2'.").arg(valueName, f));
}

}  // namespace cot::UserRegistry
