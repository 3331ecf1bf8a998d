#include "desktop_file_opener.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace cot {

namespace {

// Whether the desktop names a program for the file's type; true when it cannot tell
// (no xdg-mime), so the open itself decides.
bool hasProgram(const QString& path) {
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty()) return true;
    const QString type = QMimeDatabase().mimeTypeForFile(path).name();
    QProcess query;
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), type});
    if (!query.waitForFinished(5000)) {
        query.kill();
        return true;
    }
    return !query.readAllStandardOutput().trimmed().isEmpty();
}

}  // namespace

OpenResult DesktopFileOpener::open(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile())
        return {OpenResult::Failed, QStringLiteral("Arquivo '%1' não encontrado.").arg(QDir::toNativeSeparators(path))};
    if (!hasProgram(info.absoluteFilePath())) return {OpenResult::NoAssociation, {}};
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath())))
        return {OpenResult::Failed,
                QStringLiteral("Não foi possível abrir o arquivo '%1'.").arg(QDir::toNativeSeparators(path))};
    return {OpenResult::Opened, {}};
}

}  // namespace cot
