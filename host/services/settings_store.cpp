#include "settings_store.h"

#include <QDir>
#include <QSettings>
#include <QFileInfo>

#include "base/errors.h"

namespace cot {

namespace {

// File names from codes typed by people: letters, digits and '-' stay, anything else
// becomes _XXXX (its code), so two different codes never share a file.
QString safeName(const QString& text) {
    QString out;
    for (const QChar c : text.trimmed().toUpper()) {
        if ((c.isLetterOrNumber() && c.unicode() < 128) || c == '-') out += c;
        else out += QStringLiteral("_%1").arg(c.unicode(), 4, 16, QChar('0'));
    }
    return out.isEmpty() ? QStringLiteral("_") : out;
}

// The sets are an INI array of {name, variables[]}; arrays keep order and any text.
struct Sets {
    QStringList names;
    QList<SettingVariables> values;

    int indexOf(const QString& name) const {
        for (int i = 0; i < names.size(); ++i)
            if (names[i].compare(name.trimmed(), Qt::CaseInsensitive) == 0) return i;
        return -1;
    }
};

Sets read(const QString& file) {
    Sets sets;
    QSettings s(file, QSettings::IniFormat);
    const int n = s.beginReadArray(QStringLiteral("sets"));
    for (int i = 0; i < n; ++i) {
        s.setArrayIndex(i);
        sets.names << s.value(QStringLiteral("name")).toString();
        SettingVariables vars;
        const int m = s.beginReadArray(QStringLiteral("variables"));
        for (int j = 0; j < m; ++j) {
            s.setArrayIndex(j);
            vars << SettingVariable{s.value(QStringLiteral("name")).toString(), s.value(QStringLiteral("value")).toString()};
        }
        s.endArray();
        sets.values << vars;
    }
    s.endArray();
    return sets;
}

void write(const QString& file, const Sets& sets) {
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        throw UserError(QStringLiteral("Não foi possível criar a pasta de configurações '%1'.").arg(QFileInfo(file).absolutePath()));
    QSettings s(file, QSettings::IniFormat);
    s.clear();
    s.beginWriteArray(QStringLiteral("sets"), int(sets.names.size()));
    for (int i = 0; i < sets.names.size(); ++i) {
        s.setArrayIndex(i);
        s.setValue(QStringLiteral("name"), sets.names[i]);
        s.beginWriteArray(QStringLiteral("variables"), int(sets.values[i].size()));
        for (int j = 0; j < sets.values[i].size(); ++j) {
            s.setArrayIndex(j);
            s.setValue(QStringLiteral("name"), sets.values[i][j].first);
            s.setValue(QStringLiteral("value"), sets.values[i][j].second);
        }
        s.endArray();
    }
    s.endArray();
    s.sync();
    if (s.status() != QSettings::NoError)
        throw UserError(QStringLiteral("Não foi possível gravar as opções em '%1'.").arg(file));
}

}  // namespace

SettingsStore::SettingsStore(const QString& folder) : folder_(folder.isEmpty() ? defaultFolder() : folder) {}

QString SettingsStore::defaultFolder() {
    const QString env = qEnvironmentVariable("COT_CONFIG_DIR");
    return env.isEmpty() ? QDir::homePath() + QStringLiteral("/.config/cot") : env;
}

QString SettingsStore::fileFor(const QString& screen, const QString& operatorCode) const {
    return folder_ + '/' + safeName(screen) + '_' + safeName(operatorCode) + QStringLiteral(".ini");
}

void SettingsStore::save(const QString& screen, const QString& operatorCode, const QString& setName,
                         const SettingVariables& variables) {
    const QString name = setName.trimmed();
    if (name.isEmpty()) throw UserError(QStringLiteral("Informe o nome das opções a gravar."));
    const QString file = fileFor(screen, operatorCode);
    Sets sets = read(file);
    const int i = sets.indexOf(name);
    if (i >= 0) {
        sets.names[i] = name;
        sets.values[i] = variables;
    } else {
        sets.names << name;
        sets.values << variables;
    }
    write(file, sets);
}

std::optional<SettingVariables> SettingsStore::load(const QString& screen, const QString& operatorCode,
                                                    const QString& setName) const {
    const Sets sets = read(fileFor(screen, operatorCode));
    const int i = sets.indexOf(setName);
    if (i < 0) return std::nullopt;
    return sets.values[i];
}

QStringList SettingsStore::list(const QString& screen, const QString& operatorCode) const {
    return read(fileFor(screen, operatorCode)).names;
}

bool SettingsStore::remove(const QString& screen, const QString& operatorCode, const QString& setName) {
    const QString file = fileFor(screen, operatorCode);
    Sets sets = read(file);
    const int i = sets.indexOf(setName);
    if (i < 0) return false;
    sets.names.removeAt(i);
    sets.values.removeAt(i);
    write(file, sets);
    return true;
}

}  // namespace cot
