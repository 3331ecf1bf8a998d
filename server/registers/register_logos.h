#pragma once
// The branches' logos in a register folder: one file per branch with a logo,
// "logo-CDFILIAL.png" or "logo-CDFILIAL.svg" (a character of the code other than a letter,
// a digit, '-' or '_' written %XX), checked by logo_image.h when imported.
#include <QList>
#include <QString>
#include <functional>

#include "server/registers/register_import.h"

namespace cot::server {
class Database;
}

namespace cot::server::registers {

class ImportErrors;
class RegisterFolder;

QString logoFileName(const QString& branch, const QString& type);

// Reads, checks and writes the folder's logos, after its registers and in their transaction:
// each must name a branch of the database (or of the import's filial.csv, written before
// it: `branchKnown` says) and be a good logo; at most one per branch. Nothing is written
// once `errors` holds any. The counts go to `counts` under the files' names.
void importLogos(Database& db, const RegisterFolder& folder, ImportErrors& errors, QList<FileCounts>& counts,
                 const std::function<bool(const QString&)>& branchKnown);

struct LogoFile {
    QString name;
    QByteArray bytes;
};
// Every stored logo as it travels, sorted by branch.
QList<LogoFile> storedLogoFiles(Database& db);

// Keeps a branch's logo (bytes checked by the caller); true when it changed anything.
bool storeLogo(Database& db, const QString& branch, const QString& type, const QByteArray& bytes);

}  // namespace cot::server::registers
