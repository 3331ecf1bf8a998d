#pragma once
#include <QObject>
#include <QPixmap>
#include <QPoint>
#include <QString>
#include <QStringList>

namespace cot {

class ClientTable;
class ProposalReach;
class TDBGrid;
class TPopupMenu;

// Attachments of the proposal under the list's cursor: attaching files by a double click
// on the ANEXO column, the popup `popAnexo` listing them on a right click, and what its
// entries do (ClicaPopMenu). Built by the list and owned by the screen.
//
// Each popup entry keeps the name of the file it lists in its action's data: a caption
// only shows the name ('&' doubled), it never decides which file is opened or handed to
// the attachments dialog.
class ListAttachments : public QObject {
    Q_OBJECT
public:
    // `list` is the screen's proposal list, whose ANEXO column this serves.
    ListAttachments(ProposalReach& screen, TDBGrid& list);

    // The version folder of the current proposal under the base folder; empty when no base
    // folder is set. A key that names no folder there is a UserError (versionFolder).
    QString currentFolder() const;
    // Whether the current row's version folder holds a file (drawing: never throws).
    bool hasAttachments() const;

    // ----- handlers
    void dbgPadraoDblClick();
    void dbgPadraoMouseUp(Qt::MouseButton button, const QPoint& pos);
    void dbgPadraoMouseMove();
    void ClicaPopMenu(int tag);

    // The operator may attach and remove files of the current proposal: he holds the
    // attachment right (GetControlaAnexo), or the proposal is a request he made. Otherwise
    // "Controla_Oper" is shown and the operation ends (Abort).
    void checkOperator();

    // Stores the chosen files in the current version's folder; true when any was stored.
    bool attach(const QStringList& chosen);

    TPopupMenu* popAnexo() const { return popAnexo_; }
    // The file name of a popup entry; empty for the separator and the fixed entries.
    QString fileOfEntry(int tag) const;
    // How many entries of the popup list files (the fixed entries follow them).
    int fileEntries() const { return fileEntries_; }
    const QPixmap& imgAnexo() const { return imgAnexo_; }

private:
    // Stores one file; throws what stops the whole operation, returns whether stored.
    bool attachOne(const QString& folder, const QString& chosen);
    void openAttachment(const QString& folder, const QString& name);

    ProposalReach& screen_;
    TDBGrid& list_;
    TPopupMenu* popAnexo_;
    ClientTable* cdsControlaAnexo_;
    int fileEntries_ = 0;
    QPixmap imgAnexo_;
};

}  // namespace cot
