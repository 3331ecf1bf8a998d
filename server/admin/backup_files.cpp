#include "server/admin/backup_files.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

#include "server/storage/sqlite_files.h"

namespace cot::server::backup_files {

namespace {

// Dated copies only: "cot05000-20261207-081500.db" or "cot05000-20261207-081500-2.db".
const QRegularExpression& datedName() {
    static const QRegularExpression pattern(QStringLiteral("^cot05000-(\\d{8})-(\\d{6})(?:-(\\d{1,4}))?\\.db$"));
    return pattern;
}

}  // namespace

BackupPlan planBackup(const QString& path, const QDateTime& now) {
    BackupPlan plan;
    if (path.endsWith(u'/') || QFileInfo(path).isDir()) {
        plan.intoFolder = true;
        plan.folder = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
        const QString stem = QStringLiteral("cot05000-") + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
        const QDir dir(plan.folder);
        plan.file = dir.filePath(stem + QStringLiteral(".db"));
        for (int n = 2; QFileInfo::exists(plan.file) && n < 10000; ++n)
            plan.file = dir.filePath(stem + QStringLiteral("-%1.db").arg(n));
    } else {
        plan.file = QFileInfo(path).absoluteFilePath();
        plan.folder = QFileInfo(plan.file).absolutePath();
    }
    return plan;
}

void ensureFolder(const QString& folder) {
    const QString clean = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    QString built;
    for (const QString& part : clean.split(u'/', Qt::SkipEmptyParts)) {
        built += u'/' + part;
        if (QFileInfo(built).isDir()) continue;
        if (::mkdir(QFile::encodeName(built).constData(), 0700) != 0 && errno != EEXIST)
            throw FileCopyError(QStringLiteral("Não foi possível criar a pasta %1.").arg(built).toStdString());
    }
    if (!QFileInfo(clean).isDir())
        throw FileCopyError(QStringLiteral("%1 não é uma pasta.").arg(clean).toStdString());
}

QStringList pruneBackups(const QString& folder, int keep) {
    const QDir dir(folder);
    // Ordered by the moment in the name, then by the number of a second copy in that second.
    std::vector<std::pair<std::pair<QString, int>, QString>> dated;
    for (const QString& name : dir.entryList(QDir::Files | QDir::NoSymLinks | QDir::Hidden)) {
        const QRegularExpressionMatch m = datedName().match(name);
        if (!m.hasMatch()) continue;
        dated.push_back({{m.captured(1) + m.captured(2), m.captured(3).isEmpty() ? 1 : m.captured(3).toInt()}, name});
    }
    std::sort(dated.begin(), dated.end());
    QStringList removed;
    const qsizetype surplus = qsizetype(dated.size()) - std::max(keep, 0);
    for (qsizetype i = 0; i < surplus; ++i) {
        const QString& name = dated[size_t(i)].second;
        if (!QFile::remove(dir.filePath(name)))
            throw FileCopyError(QStringLiteral("Não foi possível apagar a cópia antiga %1.").arg(dir.filePath(name)).toStdString());
        removed << name;
    }
    return removed;
}

}  // namespace cot::server::backup_files
