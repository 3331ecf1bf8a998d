#include "dialogs/attachments/attachments_dialog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QListWidget>
#include <QVBoxLayout>
#include <memory>

#include "base/dialogs.h"
#include "base/errors.h"
#include "dialogs/attachments/attachment_folder.h"
#include "dialogs/attachments/list_attachments.h"
#include "dialogs/shown_dialog.h"
#include "reach/proposal_reach.h"
#include "services/consiste.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/edits.h"
#include "ui/event_boundary.h"
#include "ui/menus.h"
#include "ui/modal_once.h"

namespace cot {

using Consiste::MensErro;

namespace {

constexpr int kRemovalHeight = 315;
constexpr int kSaveHeight = 375;
// Role of a list item that keeps its file's real name.
constexpr int kFileRole = Qt::UserRole;

TPopupMenu* popupOf(ProposalReach& screen) { return screen.attachments().popAnexo(); }

void normalAttributes(const QString& path) {
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

}  // namespace

TfrmAnexoProposta::TfrmAnexoProposta(ProposalReach& screen, int popTag, QWidget* parent)
    : TfrmPadraoSimples(QStringLiteral("COT05010"), {}, parent), popTag_(popTag), screen_(screen) {
    setObjectName(QStringLiteral("frmAnexoProposta"));
    msgPadrao.loadFromFile(QStringLiteral(":/cot05010/cot05010_messages.txt"));
    // Only the dialog's own panel is used.
    sbtFechar->setEnabled(false);
    sbtFechar->hide();

    auto* outer = new QVBoxLayout(panPrincipal);
    outer->setContentsMargins(0, 0, 0, 0);
    panAnexo = new TPanel(QStringLiteral("panAnexo"), panPrincipal);
    outer->addWidget(panAnexo);
    auto* grid = new QGridLayout(panAnexo);
    lblArquivos = new TLabel(QStringLiteral("lblArquivos"), panAnexo);
    lbxAnexo = new QListWidget(panAnexo);
    lbxAnexo->setObjectName(QStringLiteral("lbxAnexo"));
    lbxAnexo->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Label2 = new TLabel(QStringLiteral("Label2"), panAnexo, msgPadrao.Msg(QStringLiteral("Salvar_Em")));
    edtAnexo = new TEdit(QStringLiteral("edtAnexo"), panAnexo);
    btfDiretorio = new TButton(QStringLiteral("btfDiretorio"), panAnexo, QStringLiteral("..."));
    btfDiretorio->setMaximumWidth(32);
    btfSeleciona = new TButton(QStringLiteral("btfSeleciona"), panAnexo, msgPadrao.Msg(QStringLiteral("Seleciona")));
    btfSalvar = new TButton(QStringLiteral("btfSalvar"), panAnexo);
    btfCancelar = new TButton(QStringLiteral("btfCancelar"), panAnexo, msgPadrao.Msg(QStringLiteral("Cancelar")));
    grid->addWidget(lblArquivos, 0, 0, 1, 3);
    grid->addWidget(lbxAnexo, 1, 0, 1, 3);
    grid->addWidget(Label2, 2, 0, 1, 3);
    grid->addWidget(edtAnexo, 3, 0, 1, 2);
    grid->addWidget(btfDiretorio, 3, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btfSeleciona);
    buttons->addStretch();
    buttons->addWidget(btfSalvar);
    buttons->addWidget(btfCancelar);
    grid->addLayout(buttons, 4, 0, 1, 3);
    grid->setColumnStretch(0, 1);

    btfDiretorio->onClick = [this] { btfDiretorioClick(); };
    btfSeleciona->onClick = [this] { btfSelecionaClick(); };
    btfSalvar->onClick = [this] { btfSalvarClick(); };
    btfCancelar->onClick = [this] { btfCancelarClick(); };
    resize(420, kSaveHeight);
}

void TfrmAnexoProposta::FormCreate() {
    TPopupMenu* popup = popupOf(screen_);
    if (!popup) throw UserError(QStringLiteral("A tela de propostas não está aberta."));
    folder_ = screen_.attachments().currentFolder();

    // The file entries come before the separator and the two fixed entries.
    lbxAnexo->clear();
    const int count = popup->count();
    for (int i = 0; i < count - 3; ++i) {
        const QString name = popup->item(i)->action()->data().toString();
        auto* item = new QListWidgetItem(name, lbxAnexo);
        item->setData(kFileRole, name);
    }
    if (popTag_ == count - 2) applyMode(Mode::Removal);
    else applyMode(Mode::Save);
}

void TfrmAnexoProposta::applyMode(Mode mode) {
    mode_ = mode;
    const bool removal = mode == Mode::Removal;
    setWindowTitle(msgPadrao.Msg(removal ? QStringLiteral("Arq_Remove") : QStringLiteral("Arq_Salva")));
    lblArquivos->setCaption(msgPadrao.Msg(removal ? QStringLiteral("Arquivo_Remov") : QStringLiteral("Arquivo_Salv")));
    btfSalvar->setCaption(msgPadrao.Msg(removal ? QStringLiteral("Remover") : QStringLiteral("Salvar")));
    // The target folder belongs to saving only.
    for (QWidget* w : {static_cast<QWidget*>(Label2), static_cast<QWidget*>(edtAnexo), static_cast<QWidget*>(btfDiretorio)})
        w->setVisible(!removal);
    resize(width(), removal ? kRemovalHeight : kSaveHeight);
}

QStringList TfrmAnexoProposta::listed() const {
    QStringList out;
    for (int i = 0; i < lbxAnexo->count(); ++i) out << fileOf(i);
    return out;
}

QString TfrmAnexoProposta::fileOf(int row) const { return lbxAnexo->item(row)->data(kFileRole).toString(); }

void TfrmAnexoProposta::btfDiretorioClick() {
    const QString chosen =
        Dialogs::current().chooseFolder(msgPadrao.Msg(QStringLiteral("Pasta_Salvar")), QDir::homePath(), true);
    if (!chosen.isEmpty()) edtAnexo->setText(QDir::toNativeSeparators(chosen));
}

void TfrmAnexoProposta::btfSelecionaClick() { lbxAnexo->selectAll(); }

void TfrmAnexoProposta::btfCancelarClick() { Close(); }

void TfrmAnexoProposta::btfSalvarClick() {
    QList<int> rows;
    for (int i = 0; i < lbxAnexo->count(); ++i)
        if (lbxAnexo->item(i)->isSelected()) rows << i;
    if (rows.isEmpty()) MensErro(msgPadrao.Msg(QStringLiteral("Arq_Dev")));
    if (folder_.isEmpty()) MensErro(screen_.messages().Msg(QStringLiteral("DIRETORIO")));
    // Names come from the folder's own listing; one that is no plain file name is never touched.
    for (const int row : rows) attachments::checkName(msgPadrao, fileOf(row));
    if (mode_ == Mode::Removal) remove(rows);
    else save(rows);
}

void TfrmAnexoProposta::remove(const QList<int>& rows) {
    if (msgMensagensPadroes().ShowMsg(QStringLiteral("Arq_Delete"), DialogType::Confirmation, mbYes | mbNo) != mrYes)
        return;
    QStringList names;
    for (const int row : rows) names << fileOf(row);
    for (const QString& name : names) {
        const QString path = QDir(folder_).filePath(name);
        normalAttributes(path);
        if (!QFile::remove(path)) MensErro(msgPadrao.Msg(QStringLiteral("Delete_Arq")));
        for (int i = 0; i < lbxAnexo->count(); ++i)
            if (fileOf(i) == name) {
                delete lbxAnexo->takeItem(i);
                break;
            }
        if (lbxAnexo->count() == 0) QDir().rmdir(folder_);
    }
    closeWith(mrOk);
}

void TfrmAnexoProposta::save(const QList<int>& rows) {
    const QString typed = edtAnexo->text().trimmed();
    if (typed.isEmpty()) {
        edtAnexo->setFocus();
        MensErro(msgPadrao.Msg(QStringLiteral("Dir_Dev")));
    }
    // With or without a trailing separator the destination is the same folder.
    const QDir target(QDir::fromNativeSeparators(typed));
    bool copied = false;
    for (const int row : rows) {
        const QString name = fileOf(row);
        const QString source = QDir(folder_).filePath(name);
        const QString destination = target.filePath(name);
        normalAttributes(source);
        // Saving into the proposal's own folder: the file is already there, and replacing
        // it would delete the only copy before copying it.
        if (QFileInfo(destination).canonicalFilePath() == QFileInfo(source).canonicalFilePath() &&
            QFileInfo::exists(source)) {
            copied = true;
            continue;
        }
        if (QFileInfo::exists(destination)) {
            if (Dialogs::current().messageDlg(msgPadrao.Msg(QStringLiteral("Arq_Existe_Nome"), {name}),
                                              DialogType::Confirmation, mbYes | mbNo) != mrYes)
                continue;
            normalAttributes(destination);
            if (!QFile::remove(destination)) MensErro(msgPadrao.Msg(QStringLiteral("Delete_Arq")));
        }
        QFile file(source);
        if (!file.copy(destination)) MensErro(file.errorString());
        copied = true;
    }
    if (copied) closeWith(mrOk);
}

void Cli_cot05010::CriaAnexoProposta(ProposalReach& screen, int stTag) {
    TPopupMenu* popup = popupOf(screen);
    if (!popup) throw UserError(QStringLiteral("A tela de propostas não está aberta."));
    if (stTag == popup->count() - 2) screen.attachments().checkOperator();
    if (TfrmAnexoProposta* open = shownDialog<TfrmAnexoProposta>(screen)) {
        open->raise();
        return;
    }
    QPointer<TfrmAnexoProposta> dialog = createForm<TfrmAnexoProposta>(screen, stTag, &screen.dialogParent());
    // Freed on every path out, unless the screen that owns it took it along meanwhile.
    const ModalOnce<TfrmAnexoProposta> once(dialog);
    once->ShowModal();
}

}  // namespace cot
