#pragma once
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>

namespace cot {

// One saved variable of a filter option set: name and value as text.
using SettingVariable = QPair<QString, QString>;
using SettingVariables = QList<SettingVariable>;

// Per-operator settings kept on the desktop: the named option sets of the filter screens.
// One INI file per screen and operator under the folder (default ~/.config/cot/, or
// $COT_CONFIG_DIR when set); set names and variables keep their order and any text.
class SettingsStore {
public:
    explicit SettingsStore(const QString& folder = defaultFolder());

    static QString defaultFolder();
    QString folder() const { return folder_; }

    // Saves (or replaces) the named set. Failure to write → UserError.
    void save(const QString& screen, const QString& operatorCode, const QString& setName,
              const SettingVariables& variables);
    // The named set (names compared ignoring case); nullopt when there is none.
    std::optional<SettingVariables> load(const QString& screen, const QString& operatorCode,
                                         const QString& setName) const;
    // Names of the saved sets, in the order they were first saved.
    QStringList list(const QString& screen, const QString& operatorCode) const;
    // Removes the named set; false when there was none.
    bool remove(const QString& screen, const QString& operatorCode, const QString& setName);

private:
    QString fileFor(const QString& screen, const QString& operatorCode) const;
    QString folder_;
};

}  // namespace cot
