#include "qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "data/client_table.h"
#include "lookup_find.h"
#include "lookup_rows.h"
#include "data/selection_text.h"
#include "lookup_windows.h"
#include "modal_runner.h"

namespace cot {

namespace {

struct ButtonSpec {
    DialogButton button;
    DialogResult result;
    const char* text;
    const char* name;
    QMessageBox::ButtonRole role;
};

// In the order the buttons are offered.
constexpr ButtonSpec kButtons[] = {
    {mbYes, mrYes, "Sim", "btnSim", QMessageBox::YesRole},
    {mbNo, mrNo, "Não", "btnNao", QMessageBox::NoRole},
    {mbOK, mrOk, "OK", "btnOk", QMessageBox::AcceptRole},
    {mbCancel, mrCancel, "Cancelar", "btnCancelar", QMessageBox::RejectRole},
    {mbAbort, mrAbort, "Abortar", "btnAbortar", QMessageBox::RejectRole},
    {mbRetry, mrRetry, "Repetir", "btnRepetir", QMessageBox::AcceptRole},
    {mbIgnore, mrIgnore, "Ignorar", "btnIgnorar", QMessageBox::AcceptRole},
};

QMessageBox::Icon iconFor(DialogType type) {
    switch (type) {
    case DialogType::Warning: return QMessageBox::Warning;
    case DialogType::Error: return QMessageBox::Critical;
    case DialogType::Information: return QMessageBox::Information;
    case DialogType::Confirmation: return QMessageBox::Question;
    case DialogType::Custom: return QMessageBox::NoIcon;
    }
    return QMessageBox::NoIcon;
}

QWidget* parentFor(QWidget* preferred) { return preferred ? preferred : QApplication::activeWindow(); }

}  // namespace

QString QtDialogs::titleFor(DialogType type) {
    switch (type) {
    case DialogType::Warning: return QStringLiteral("Aviso");
    case DialogType::Error: return QStringLiteral("Erro");
    case DialogType::Information: return QStringLiteral("Informação");
    case DialogType::Confirmation: return QStringLiteral("Confirmação");
    case DialogType::Custom: break;
    }
    return QApplication::applicationDisplayName();
}

void QtDialogs::error(const QString& text) { messageDlg(text, DialogType::Error, mbOK); }

void QtDialogs::information(const QString& text) { messageDlg(text, DialogType::Information, mbOK); }

int QtDialogs::messageDlg(const QString& text, DialogType type, DialogButtons buttons) {
    if (buttons == 0) buttons = mbOK;
    QMessageBox box(iconFor(type), titleFor(type), text, QMessageBox::NoButton, parentFor(parent_));
    box.setObjectName("msgDialog");
    QList<QPair<QAbstractButton*, DialogResult>> added;
    for (const ButtonSpec& spec : kButtons) {
        if (!(buttons & spec.button)) continue;
        QPushButton* b = box.addButton(QString::fromUtf8(spec.text), spec.role);
        b->setObjectName(QString::fromLatin1(spec.name));
        added.append({b, spec.result});
    }
    box.setDefaultButton(qobject_cast<QPushButton*>(added.first().first));
    // Escape answers the most cautious button offered.
    for (DialogResult cautious : {mrCancel, mrNo, mrAbort, mrOk}) {
        auto it = std::find_if(added.begin(), added.end(), [&](const auto& p) { return p.second == cautious; });
        if (it != added.end()) {
            box.setEscapeButton(it->first);
            break;
        }
    }
    ModalRunner::current().exec(box);
    for (const auto& [button, result] : added)
        if (box.clickedButton() == button) return result;
    return added.size() == 1 ? added.first().second : mrCancel;
}

int QtDialogs::alert(const QString& text, DialogType type, const QStringList& buttonCaptions) {
    QMessageBox box(iconFor(type), titleFor(type), text, QMessageBox::NoButton, parentFor(parent_));
    box.setObjectName("msgAlert");
    QList<QAbstractButton*> added;
    for (int i = 0; i < buttonCaptions.size(); ++i) {
        QPushButton* b = box.addButton(buttonCaptions[i], QMessageBox::ActionRole);
        b->setObjectName(QStringLiteral("btnAlert%1").arg(i));
        added << b;
    }
    if (added.isEmpty()) added << box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setEscapeButton(added.last());
    ModalRunner::current().exec(box);
    const int index = added.indexOf(box.clickedButton());
    return index < 0 ? added.size() - 1 : index;
}

QStringList QtDialogs::openFiles(const QString& caption, const QString& filter, bool multiple) {
    QFileDialog dialog(parentFor(parent_), caption, QString(), filter);
    dialog.setObjectName("dlgAbrirArquivo");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Abrir"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Cancelar"));
    if (ModalRunner::current().exec(dialog) != mrOk) return {};
    return dialog.selectedFiles();
}

QString QtDialogs::chooseFolder(const QString& caption, const QString& start, bool allowCreate) {
    QFileDialog dialog(parentFor(parent_), caption, start);
    dialog.setObjectName("dlgEscolherPasta");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setOption(QFileDialog::ReadOnly, !allowCreate);  // read-only hides "new folder"
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Selecionar"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Cancelar"));
    if (ModalRunner::current().exec(dialog) != mrOk) return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

bool QtDialogs::pick(ClientTable& table, const QString& caption, const QString& emptyText) {
    if (!table.active() || table.isEmpty()) {
        if (!emptyText.isEmpty()) information(emptyText);
        return false;
    }
    LookupListWindow window(readLookupRows(table), caption, false, parentFor(parent_));
    if (ModalRunner::current().exec(window) != mrOk) return false;
    const int row = window.selectedRow();
    if (row < 0) {
        if (!emptyText.isEmpty()) information(emptyText);
        return false;
    }
    table.setRecNo(row + 1);
    return true;
}

QString QtDialogs::pickMany(ClientTable& table, const QString& keyField, const QString& caption) {
    if (!table.active() || table.isEmpty()) return {};
    // The table's own mark column is replaced by the window's check column.
    LookupRows rows = readLookupRows(table, {QStringLiteral("IDMARCADO")}, keyField);
    LookupListWindow window(std::move(rows), caption, true, parentFor(parent_));
    if (ModalRunner::current().exec(window) != mrOk) return {};
    QStringList codes;
    for (int row : window.checkedRows()) codes << window.model()->rows().keys[row];
    return selectionText(codes);
}

bool QtDialogs::find(ClientTable& table, const QString& startField) {
    if (!table.active() || table.isEmpty()) return false;
    QStringList names, labels;
    for (int i = 0; i < table.fieldCount(); ++i) {
        Field& f = table.field(i);
        // A column without a title (a picture column) cannot be chosen by its name.
        if (!f.visible || f.label().trimmed().isEmpty()) continue;
        names << f.fieldName();
        labels << f.label();
    }
    if (names.isEmpty()) return false;
    FindWindow window(names, labels, names.contains(startField, Qt::CaseInsensitive) ? startField : names.first(),
                      parentFor(parent_));
    if (ModalRunner::current().exec(window) != mrOk) return false;
    if (findRow(table, window.fieldName(), window.text())) return true;
    information(QStringLiteral("Registro não encontrado."));
    return false;
}

}  // namespace cot
