#include "file_opener.h"

#include <QFileInfo>
#include <stdexcept>

namespace cot {

namespace {
FileOpener* g_opener = nullptr;
}

FileOpener& FileOpener::current() {
    if (!g_opener) throw std::logic_error("no file opener installed");
    return *g_opener;
}

void FileOpener::setCurrent(FileOpener* opener) { g_opener = opener; }

bool FileOpener::installed() { return g_opener != nullptr; }

OpenResult RecordingFileOpener::open(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (const QString& suffix : unassociated)
        if (absolute.endsWith(suffix, Qt::CaseInsensitive)) return {OpenResult::NoAssociation, {}};
    if (!QFileInfo(absolute).isFile())
        return {OpenResult::Failed, QStringLiteral("Arquivo '%1' não encontrado.").arg(absolute)};
    opened << absolute;
    return {OpenResult::Opened, {}};
}

RecordingFileOpener::Scope::Scope(RecordingFileOpener& opener)
    : previous_(FileOpener::installed() ? &FileOpener::current() : nullptr) {
    FileOpener::setCurrent(&opener);
}

RecordingFileOpener::Scope::~Scope() { FileOpener::setCurrent(previous_); }

}  // namespace cot
