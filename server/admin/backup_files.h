#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace cot::server::backup_files {

// Where `--backup PATH` writes. PATH naming an existing folder, or ending with "/", means
// a dated file in that folder: "cot05000-AAAAMMDD-HHMMSS.db" (a "-2", "-3"... before ".db"
// when that name is taken); anything else is the file itself.
struct BackupPlan {
    QString file;          // the copy
    QString folder;        // its folder
    bool intoFolder = false;
};
BackupPlan planBackup(const QString& path, const QDateTime& now);

// Creates `folder` and its missing parents, each readable by its owner only (0700); an
// existing folder is left as it is. Throws FileCopyError.
void ensureFolder(const QString& folder);

// The dated copies of `folder` beyond the `keep` newest are deleted; no other file is ever
// touched. Returns the names deleted. Throws FileCopyError when one cannot be deleted.
QStringList pruneBackups(const QString& folder, int keep);

}  // namespace cot::server::backup_files
