#pragma once
#include "roti_geral.h"
#include "services/settings_store.h"

class QComboBox;

namespace cot {

class TButtonFlat;
class TGroupBox;

// Filter dialog with saved option sets. The derived dialog puts its criteria controls
// in `grbFiltroPadrao`; the user names a set in `cbbOpcoes` and saves (`btfSaveOpc`),
// loads (`btfLoadOpc`) or removes (`btfDelOpc`) it. A set holds the state of every named
// control of grbFiltroPadrao (text of edits and lists, checked state of boxes and radios)
// plus the variables list `Variaveis`, where the derived dialog keeps what no control
// shows (selection texts...). Sets are stored per screen code and operator in the
// settings store.
//
// Choosing a set name in cbbOpcoes already reads its variables into Variaveis, so a
// derived load handler that reads them before calling the base load gets that set's values.
class TfrmFiltroPadrao : public TfrmRotiGeral {
    Q_OBJECT
public:
    explicit TfrmFiltroPadrao(const QString& screenCode = {}, const QString& caption = {}, QWidget* parent = nullptr);

    virtual void btfSaveOpcClick();  // saves the controls and Variaveis under the typed name
    virtual void btfLoadOpcClick();  // reads the chosen set into Variaveis and the controls
    virtual void btfDelOpcClick();   // removes the chosen set after confirmation

    // Variables list.
    SettingVariables Variaveis;
    QString variable(const QString& name) const;  // "" when absent
    void setVariable(const QString& name, const QString& value);

    // Saved set names of this screen and operator.
    QStringList optionSets() const;
    void refreshOptionSets();
    // The store used (tests point it at a temporary folder).
    void setSettingsStore(const SettingsStore& store) { store_ = store; }

    TGroupBox* grbFiltroPadrao;
    QComboBox* cbbOpcoes;
    TButtonFlat *btfSaveOpc, *btfLoadOpc, *btfDelOpc;

protected:
    QString chosenSet() const;
    // State of the named controls of grbFiltroPadrao, and back.
    SettingVariables controlValues() const;
    void applyControlValues(const SettingVariables& values);

private:
    void readVariablesOf(const QString& setName);
    SettingsStore store_;
};

}  // namespace cot
