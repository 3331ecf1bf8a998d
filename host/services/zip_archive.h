#pragma once
#include <QString>
#include <QStringList>

namespace cot::ZipArchive {

// Compresses one file into a new zip archive (an existing one is replaced) holding a
// single entry named after the file. Failure → UserError; no half-written archive is
// left under `archive`.
void compressFile(const QString& file, const QString& archive);

// Names of the entries of an archive, as stored. Unreadable archive → UserError.
QStringList entries(const QString& archive);

// The path, relative to the target folder, that an entry is written to: separators of
// either system ('/' and '\') become '/', "." parts go. Empty when the entry would leave
// the folder (a ".." part, an absolute path, a drive letter "C:", a device path) or names
// nothing.
QString safeEntryPath(const QString& entryName);

// Extracts every entry into `folder` (created when missing; existing files of the same
// name are replaced) and returns the absolute paths of the files written. Every entry is
// checked first: when any would land outside the folder the whole archive is refused
// with a UserError and nothing is written.
QStringList extractAll(const QString& archive, const QString& folder);

}  // namespace cot::ZipArchive
