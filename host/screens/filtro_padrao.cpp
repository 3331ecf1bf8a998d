#include "filtro_padrao.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "services/consiste.h"
#include "services/session.h"
#include "ui/buttons.h"
#include "ui/containers.h"

namespace cot {

namespace {

const QString kControl = QStringLiteral("ctl:");
const QString kVariable = QStringLiteral("var:");

// The widget that carries a saved value: named by the screen, not one of Qt's inner parts.
bool savable(const QWidget* w) {
    const QString name = w->objectName();
    if (name.isEmpty() || name.startsWith(QLatin1String("qt_"))) return false;
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (qobject_cast<const QComboBox*>(p)) return false;  // a combo's own line edit
    return true;
}

}  // namespace

TfrmFiltroPadrao::TfrmFiltroPadrao(const QString& screenCode, const QString& caption, QWidget* parent)
    : TfrmRotiGeral(screenCode, caption, parent) {
    auto* layout = new QVBoxLayout(panPrincipal);
    layout->setContentsMargins(0, 0, 0, 0);
    grbFiltroPadrao = new TGroupBox("grbFiltroPadrao", panPrincipal);
    layout->addWidget(grbFiltroPadrao, 1);

    auto* options = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Opções salvas:"), panPrincipal);
    cbbOpcoes = new QComboBox(panPrincipal);
    cbbOpcoes->setObjectName("cbbOpcoes");
    cbbOpcoes->setEditable(true);
    cbbOpcoes->setInsertPolicy(QComboBox::NoInsert);
    cbbOpcoes->setMinimumWidth(180);
    btfSaveOpc = new TButtonFlat("btfSaveOpc", panPrincipal, QStringLiteral("Salvar"));
    btfSaveOpc->setToolTip(QStringLiteral("Salvar opções"));
    btfLoadOpc = new TButtonFlat("btfLoadOpc", panPrincipal, QStringLiteral("Carregar"));
    btfLoadOpc->setToolTip(QStringLiteral("Carregar opções"));
    btfDelOpc = new TButtonFlat("btfDelOpc", panPrincipal, QStringLiteral("Remover"));
    btfDelOpc->setToolTip(QStringLiteral("Remover opções"));
    options->addWidget(label);
    options->addWidget(cbbOpcoes, 1);
    options->addWidget(btfSaveOpc);
    options->addWidget(btfLoadOpc);
    options->addWidget(btfDelOpc);
    layout->addLayout(options);

    btfSaveOpc->onClick = [this] { btfSaveOpcClick(); };
    btfLoadOpc->onClick = [this] { btfLoadOpcClick(); };
    btfDelOpc->onClick = [this] { btfDelOpcClick(); };
    // A set chosen from the list or typed in full brings its variables at once.
    connect(cbbOpcoes, &QComboBox::currentTextChanged, this,
            [this](const QString& name) { runHandler([&] { readVariablesOf(name); }); });
    connect(cbbOpcoes, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) runHandler([&] { readVariablesOf(cbbOpcoes->itemText(index)); });
    });
    refreshOptionSets();
}

QString TfrmFiltroPadrao::variable(const QString& name) const {
    for (const auto& [key, value] : Variaveis)
        if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
    return {};
}

void TfrmFiltroPadrao::setVariable(const QString& name, const QString& value) {
    for (auto& entry : Variaveis)
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0) {
            entry.second = value;
            return;
        }
    Variaveis.append({name, value});
}

QStringList TfrmFiltroPadrao::optionSets() const { return store_.list(screenCode(), Session::instance().operatorCode()); }

void TfrmFiltroPadrao::refreshOptionSets() {
    const QString typed = cbbOpcoes->currentText();
    const QSignalBlocker block(cbbOpcoes);
    cbbOpcoes->clear();
    cbbOpcoes->addItems(optionSets());
    cbbOpcoes->setCurrentIndex(-1);
    cbbOpcoes->setEditText(typed);
}

QString TfrmFiltroPadrao::chosenSet() const { return cbbOpcoes->currentText().trimmed(); }

void TfrmFiltroPadrao::readVariablesOf(const QString& setName) {
    const auto set = store_.load(screenCode(), Session::instance().operatorCode(), setName.trimmed());
    if (!set) return;  // a name being typed: the variables stay as they are
    Variaveis.clear();
    for (const auto& [key, value] : *set)
        if (key.startsWith(kVariable)) Variaveis.append({key.mid(kVariable.size()), value});
}

SettingVariables TfrmFiltroPadrao::controlValues() const {
    SettingVariables out;
    for (QWidget* w : grbFiltroPadrao->findChildren<QWidget*>()) {
        if (!savable(w)) continue;
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->isCheckable())
            out.append({w->objectName(), b->isChecked() ? QStringLiteral("1") : QStringLiteral("0")});
        else if (auto* e = qobject_cast<QLineEdit*>(w))
            out.append({w->objectName(), e->text()});
        else if (auto* c = qobject_cast<QComboBox*>(w))
            out.append({w->objectName(), c->currentText()});
    }
    return out;
}

void TfrmFiltroPadrao::applyControlValues(const SettingVariables& values) {
    // Unchecking first and checking last lets "all"/"each" box handlers settle as saved.
    for (const QString& pass : {QStringLiteral("text"), QStringLiteral("0"), QStringLiteral("1")}) {
        for (const auto& [name, value] : values) {
            QWidget* w = grbFiltroPadrao->findChild<QWidget*>(name);
            if (!w) continue;  // a control that no longer exists is skipped
            if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->isCheckable()) {
                if (value == pass) b->setChecked(pass == QLatin1String("1"));
            } else if (pass == QLatin1String("text")) {
                if (auto* e = qobject_cast<QLineEdit*>(w)) e->setText(value);
                else if (auto* c = qobject_cast<QComboBox*>(w)) c->setCurrentText(value);
            }
        }
    }
}

void TfrmFiltroPadrao::btfSaveOpcClick() {
    const QString name = chosenSet();
    if (name.isEmpty()) {
        cbbOpcoes->setFocus();
        Consiste::MensErro(QStringLiteral("Nome da opção deve ser informado."));
    }
    SettingVariables set;
    for (const auto& [key, value] : controlValues()) set.append({kControl + key, value});
    for (const auto& [key, value] : Variaveis) set.append({kVariable + key, value});
    store_.save(screenCode(), Session::instance().operatorCode(), name, set);
    refreshOptionSets();
    cbbOpcoes->setEditText(name);
}

void TfrmFiltroPadrao::btfLoadOpcClick() {
    const QString name = chosenSet();
    const auto set = store_.load(screenCode(), Session::instance().operatorCode(), name);
    if (!set) {
        cbbOpcoes->setFocus();
        Consiste::MensErro(name.isEmpty() ? QStringLiteral("Nome da opção deve ser informado.")
                                          : QStringLiteral("Opção %1 não encontrada.").arg(name));
    }
    SettingVariables controls;
    Variaveis.clear();
    for (const auto& [key, value] : *set) {
        if (key.startsWith(kControl)) controls.append({key.mid(kControl.size()), value});
        else if (key.startsWith(kVariable)) Variaveis.append({key.mid(kVariable.size()), value});
    }
    applyControlValues(controls);
}

void TfrmFiltroPadrao::btfDelOpcClick() {
    const QString name = chosenSet();
    if (name.isEmpty() || !store_.load(screenCode(), Session::instance().operatorCode(), name)) {
        cbbOpcoes->setFocus();
        Consiste::MensErro(name.isEmpty() ? QStringLiteral("Nome da opção deve ser informado.")
                                          : QStringLiteral("Opção %1 não encontrada.").arg(name));
    }
    if (Dialogs::current().messageDlg(QStringLiteral("Deseja remover a opção %1?").arg(name), DialogType::Confirmation,
                                      mbYes | mbNo) != mrYes)
        return;
    store_.remove(screenCode(), Session::instance().operatorCode(), name);
    cbbOpcoes->setEditText(QString());
    refreshOptionSets();
}

}  // namespace cot
