#include "dialogs/attachments/list_attachments.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QUuid>

#include "base/dialogs.h"
#include "base/errors.h"
#include "data/client_table.h"
#include "dialogs/attachments/attachment_folder.h"
#include "dialogs/attachments/attachments_dialog.h"
#include "reach/proposal_reach.h"
#include "services/consiste.h"
#include "services/file_opener.h"
#include "services/session.h"
#include "services/zip_archive.h"
#include "ui/db_grid.h"
#include "ui/menus.h"

namespace cot {

using Consiste::MensErro;

namespace {

// Olive: the colour InsereImagem leaves transparent.
const QColor kTransparent(128, 128, 0);

// A paper clip on an olive ground, drawn without smoothing so the ground stays one colour.
QPixmap paperClip() {
    QPixmap p(16, 16);
    p.fill(kTransparent);
    QPainter painter(&p);
    painter.setPen(QPen(QColor(40, 40, 40), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRect(4, 1, 7, 13), 3, 3);
    painter.drawRoundedRect(QRect(6, 4, 3, 8), 1, 1);
    painter.setPen(QPen(QColor(90, 90, 90), 1));
    painter.drawRoundedRect(QRect(5, 2, 5, 11), 2, 2);
    return p;
}

bool isAnexoColumn(const TColumn* column) { return column && column->fieldName == QLatin1String("ANEXO"); }

// Makes a stored file writable by its owner so it can be replaced or removed.
void normalAttributes(const QString& path) {
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

}  // namespace

void ListAttachments::checkOperator() {
    ClientTable* control = cdsControlaAnexo_;
    ProposalReach& screen = screen_;
    control->setData(screen.net().getPacket(QStringLiteral("GetControlaAnexo"), {Session::instance().operatorCode()}));
    if (!control->isEmpty() && !(*control)[QStringLiteral("CDOPERADOR")].asString().trimmed().isEmpty()) return;
    ClientTable& proposal = screen.proposal();
    const bool request = proposal[QStringLiteral("IDSOLPROPFAS")].asString() == QLatin1String("S");
    const QString requester = proposal[QStringLiteral("CDOPERSOLI")].asString().trimmed();
    if (request && !requester.isEmpty() && requester.compare(Session::instance().operatorCode().trimmed(), Qt::CaseInsensitive) == 0)
        return;
    MensErro(screen.messages().Msg(QStringLiteral("Controla_Oper")));
}

ListAttachments::ListAttachments(ProposalReach& screen, TDBGrid& list)
    : QObject(&screen.dialogParent()), screen_(screen), list_(list),
      popAnexo_(new TPopupMenu(QStringLiteral("popAnexo"), &screen.dialogParent())),
      cdsControlaAnexo_(new ClientTable(QStringLiteral("cdsControlaAnexo"), this)), imgAnexo_(paperClip()) {
    setObjectName(QStringLiteral("ListAttachments"));
}

QString ListAttachments::currentFolder() const {
    const QString base = attachments::baseFolder();
    if (base.isEmpty() || !screen_.proposal().active() || screen_.proposal().isEmpty()) return {};
    return attachments::versionFolder(base, screen_.key().nr, screen_.key().ver);
}

bool ListAttachments::hasAttachments() const {
    try {
        const QString folder = currentFolder();
        return !folder.isEmpty() && !attachments::files(folder).isEmpty();
    } catch (const std::exception&) {
        return false;  // an unreadable base folder draws no picture; attaching says why
    }
}

// ----- attach

void ListAttachments::dbgPadraoDblClick() {
    if (!isAnexoColumn(list_.selectedColumn())) return;
    if (!screen_.proposal().active() || screen_.proposal().isEmpty()) return;
    checkOperator();
    // A key that cannot name a folder is refused before anything is picked.
    if (currentFolder().isEmpty()) MensErro(screen_.messages().Msg(QStringLiteral("DIRETORIO")));
    const QStringList chosen =
        Dialogs::current().openFiles(screen_.messages().Msg(QStringLiteral("Anexar_Arq")), QString(), true);
    if (chosen.isEmpty()) return;
    const bool stored = attach(chosen);
    list_.viewport()->update();
    if (stored) Dialogs::current().information(screen_.messages().Msg(QStringLiteral("Arq_Incl")));
}

bool ListAttachments::attach(const QStringList& chosen) {
    const QString folder = currentFolder();
    if (folder.isEmpty()) MensErro(screen_.messages().Msg(QStringLiteral("DIRETORIO")));
    bool any = false;
    for (const QString& file : chosen) {
        if (!QDir().mkpath(folder)) {
            // What was stored so far stays; say so before stopping.
            list_.viewport()->update();
            if (any) Dialogs::current().information(screen_.messages().Msg(QStringLiteral("Arq_Incl")));
            MensErro(screen_.messages().Msg(QStringLiteral("Create_Dir")));
        }
        any = attachOne(folder, file) || any;
    }
    return any;
}

bool ListAttachments::attachOne(const QString& folder, const QString& chosen) {
    const QString name = QFileInfo(chosen).fileName();
    if (const QString problem = attachments::nameProblem(name); !problem.isEmpty()) {
        MensErro(screen_.messages().Msg(QStringLiteral("Nome_Anexo"), {name, problem}), false);
        return false;
    }
    // The name tested and replaced is the one stored: a.txt lives as a.txt.zip.
    const QString target = QDir(folder).filePath(attachments::storedName(name));
    const bool exists = QFileInfo::exists(target);
    if (exists && screen_.messages().ShowMsg(QStringLiteral("Arq_Existe"), DialogType::Confirmation, mbYes | mbNo) != mrYes)
        return false;

    // The new content is written beside the target first: a failed copy keeps the old one.
    const QString partial =
        target + QStringLiteral(".%1.part").arg(QUuid::createUuid().toString(QUuid::Id128).left(8));
    if (attachments::isArchive(name)) {
        QFile source(chosen);
        if (!source.copy(partial)) {
            MensErro(source.errorString(), false);
            return false;
        }
    } else {
        try {
            ZipArchive::compressFile(chosen, partial);
        } catch (const UserError& e) {
            QFile::remove(partial);
            MensErro(e.text(), false);
            return false;
        }
    }
    if (exists) {
        normalAttributes(target);
        if (!QFile::remove(target)) {
            QFile::remove(partial);
            MensErro(screen_.messages().Msg(QStringLiteral("Delete_Arq")), false);
            return false;
        }
    }
    QFile stored(partial);
    if (!stored.rename(target)) {
        const QString why = stored.errorString();
        QFile::remove(partial);
        MensErro(why, false);
        return false;
    }
    return true;
}

// ----- popup

void ListAttachments::dbgPadraoMouseMove() { popAnexo_->clear(); }

void ListAttachments::dbgPadraoMouseUp(Qt::MouseButton button, const QPoint& pos) {
    popAnexo_->clear();
    TDBGrid* grid = &list_;
    if (button != Qt::RightButton || !isAnexoColumn(grid->column(grid->columnAt(pos)))) return;
    const QString folder = currentFolder();
    const QStringList names = folder.isEmpty() ? QStringList() : attachments::files(folder);
    if (!names.isEmpty()) {
        for (int i = 0; i < names.size(); ++i) {
            // A name of just "-" would read as a separator: its accelerator mark keeps it an entry.
            const QString caption = names[i] == QLatin1String("-") ? QStringLiteral("&-") : attachments::menuCaption(names[i]);
            TMenuItem* item = popAnexo_->add(QStringLiteral("mnuAnexo%1").arg(i), caption);
            item->tag = i;
            item->action()->setData(names[i]);
            item->onClick = [this, i] { ClicaPopMenu(i); };
        }
        fileEntries_ = int(names.size());
        const auto fixed = [&](const char* name, const QString& caption) {
            TMenuItem* item = popAnexo_->add(QString::fromLatin1(name), caption);
            item->tag = popAnexo_->count() - 1;
            const int tag = item->tag;
            item->onClick = [this, tag] { ClicaPopMenu(tag); };
        };
        fixed("mnuSeparador", QStringLiteral("-"));
        fixed("mnuRemoverAnexo", screen_.messages().Msg(QStringLiteral("Remover_Anexo")));
        fixed("mnuSalvarAnexo", screen_.messages().Msg(QStringLiteral("Salvar_Anexo")));
        popAnexo_->popup(grid->viewport()->mapToGlobal(pos));
    }
    grid->setFocus();
}

QString ListAttachments::fileOfEntry(int tag) const {
    if (tag < 0 || tag >= fileEntries_ || tag >= popAnexo_->count()) return {};
    return popAnexo_->item(tag)->action()->data().toString();
}

void ListAttachments::ClicaPopMenu(int tag) {
    if (tag < fileEntries_) {
        const QString name = fileOfEntry(tag);
        if (name.isEmpty()) return;
        openAttachment(currentFolder(), name);
        return;
    }
    Cli_cot05010::CriaAnexoProposta(screen_, tag);
    list_.viewport()->update();
}

void ListAttachments::openAttachment(const QString& folder, const QString& name) {
    if (folder.isEmpty()) MensErro(screen_.messages().Msg(QStringLiteral("DIRETORIO")));
    const QString path = QDir(folder).filePath(name);
    const OpenResult result = FileOpener::current().open(path);
    if (result.outcome == OpenResult::Failed) MensErro(result.error);
    if (result.opened()) return;

    // No program for the archive: unpack it into a folder the user picks and open what it held.
    if (screen_.messages().ShowMsg(QStringLiteral("S/ASSOC"), DialogType::Confirmation, mbYes | mbNo) != mrYes) return;
    const QString target =
        Dialogs::current().chooseFolder(screen_.messages().Msg(QStringLiteral("Pasta_Descompacta")), QDir::homePath(), true);
    if (target.isEmpty()) return;
    const QStringList written = ZipArchive::extractAll(path, target);
    QString wanted = name;
    if (wanted.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive)) wanted.chop(4);
    wanted = QDir::cleanPath(QDir(target).absoluteFilePath(wanted));
    const QString toOpen = written.contains(wanted) ? wanted : written.size() == 1 ? written.first() : QString();
    if (toOpen.isEmpty()) return;
    const OpenResult opened = FileOpener::current().open(toOpen);
    if (!opened.opened())
        MensErro(opened.error.isEmpty()
                     ? screen_.messages().Msg(QStringLiteral("Abrir_Arq"), {QFileInfo(toOpen).fileName()})
                     : opened.error);
}

}  // namespace cot
