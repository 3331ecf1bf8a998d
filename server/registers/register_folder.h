#pragma once
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "server/registers/register_catalogue.h"
#include "server/registers/register_file.h"

// The folder of an import, read so that nothing but its own files is: a register's name that
// is a symbolic link, a folder, a FIFO, a device or a file with other names (hard links) is
// refused, never opened or followed, so no other file's content can come in or show in a
// fault. Files are opened relative to the folder as first opened, without following links
// and without waiting on a FIFO, and what was opened is checked again.
namespace cot::server::registers {

struct FolderFile {
    const Register* reg = nullptr;
    QString name;  // as found in the folder
};

class RegisterFolder {
public:
    static constexpr int kMaxCsvNames = 10'000;

    explicit RegisterFolder(const QString& path);
    ~RegisterFolder();
    RegisterFolder(const RegisterFolder&) = delete;
    RegisterFolder& operator=(const RegisterFolder&) = delete;

    // False, with the fault reported, when the folder cannot be opened.
    bool open(ImportErrors& errors);

    // The register files, in load order. Hidden files and names not ending in ".csv" are
    // left out; a ".csv" that is no register, a second file of the same register and a
    // register's name that is not a regular file are faults.
    QList<FolderFile> registerFiles(ImportErrors& errors) const;

    // The branches' logos: names "logo-*.png" and "logo-*.svg" (any case), sorted, whatever
    // they are; openFile checks each before it is read.
    QStringList logoNames(ImportErrors& errors) const;

    // The file opened for reading, or nullptr with the fault reported.
    std::unique_ptr<QFile> openFile(const FolderFile& file, ImportErrors& errors) const;

private:
    // The folder's names, hidden ones left out, that `keep` takes (at most kMaxCsvNames).
    QStringList names(const std::function<bool(const QString&)>& keep, ImportErrors& errors) const;

    QString path_;
    int fd_ = -1;
};

}  // namespace cot::server::registers
