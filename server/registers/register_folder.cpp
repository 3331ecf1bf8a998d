#include "server/registers/register_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace cot::server::registers {

namespace {

int catalogueIndex(const Register* reg) {
    const QList<Register>& all = registerCatalogue();
    for (int i = 0; i < all.size(); ++i)
        if (&all[i] == reg) return i;
    return -1;
}

QString knownFileNames() {
    QStringList names;
    for (const Register& r : registerCatalogue()) names << r.fileName();
    return names.join(QStringLiteral(", "));
}

// Why an entry is not read as a register file, or empty when it may be.
QString notAPlainFile(const struct stat& st) {
    if (S_ISLNK(st.st_mode)) return QStringLiteral("é um link simbólico; só arquivos comuns da própria pasta são lidos");
    if (S_ISDIR(st.st_mode)) return QStringLiteral("é uma pasta, não um arquivo");
    if (!S_ISREG(st.st_mode)) return QStringLiteral("não é um arquivo comum (FIFO, soquete ou dispositivo)");
    if (st.st_nlink != 1)
        return QStringLiteral("o arquivo tem outros nomes (links físicos); copie-o para a pasta e importe a cópia");
    return {};
}

}  // namespace

RegisterFolder::RegisterFolder(const QString& path) : path_(path) {}

RegisterFolder::~RegisterFolder() {
    if (fd_ >= 0) ::close(fd_);
}

bool RegisterFolder::open(ImportErrors& errors) {
    fd_ = ::open(QFile::encodeName(path_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) errors.add(path_, std::nullopt, QStringLiteral("não foi possível abrir a pasta"));
    return fd_ >= 0;
}

QStringList RegisterFolder::names(const std::function<bool(const QString&)>& keep, ImportErrors& errors) const {
    QStringList names;
    const int listing = ::dup(fd_);
    DIR* dir = listing >= 0 ? ::fdopendir(listing) : nullptr;
    if (!dir) {
        if (listing >= 0) ::close(listing);
        errors.add(path_, std::nullopt, QStringLiteral("não foi possível ler a pasta"));
        return {};
    }
    ::rewinddir(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        // Hidden files are left out: editors' and other systems' companions ("._filial.csv").
        if (name.startsWith(u'.') || !keep(name)) continue;
        if (names.size() >= kMaxCsvNames) {
            errors.add(path_, std::nullopt, QStringLiteral("mais de %1 arquivos na pasta").arg(kMaxCsvNames));
            break;
        }
        names << name;
    }
    ::closedir(dir);
    names.sort();
    return names;
}

QStringList RegisterFolder::logoNames(ImportErrors& errors) const {
    return names(
        [](const QString& name) {
            return name.startsWith(QLatin1String("logo-"), Qt::CaseInsensitive) &&
                   (name.endsWith(QLatin1String(".png"), Qt::CaseInsensitive) ||
                    name.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive));
        },
        errors);
}

QList<FolderFile> RegisterFolder::registerFiles(ImportErrors& errors) const {
    const QStringList names =
        this->names([](const QString& name) { return name.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive); }, errors);

    QList<FolderFile> found;
    for (const QString& name : std::as_const(names)) {
        const Register* reg = registerForFile(name);
        if (!reg) {
            errors.add(name, std::nullopt,
                       QStringLiteral("não é um arquivo de cadastro (nomes aceitos: %1)").arg(knownFileNames()));
            continue;
        }
        struct stat st {};
        if (::fstatat(fd_, QFile::encodeName(name).constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            errors.add(name, std::nullopt, QStringLiteral("não foi possível ler o arquivo"));
            continue;
        }
        if (const QString why = notAPlainFile(st); !why.isEmpty()) {
            errors.add(name, std::nullopt, why);
            continue;
        }
        const auto twin = std::find_if(found.cbegin(), found.cend(), [&](const FolderFile& f) { return f.reg == reg; });
        if (twin != found.cend()) {
            errors.add(name, std::nullopt, QStringLiteral("mesmo cadastro que %1").arg(twin->name));
            continue;
        }
        found << FolderFile{reg, name};
    }
    if (found.isEmpty() && !errors.any())
        errors.add(path_, std::nullopt, QStringLiteral("nenhum arquivo de cadastro (.csv) na pasta"));
    std::stable_sort(found.begin(), found.end(),
                     [](const FolderFile& a, const FolderFile& b) { return catalogueIndex(a.reg) < catalogueIndex(b.reg); });
    return found;
}

std::unique_ptr<QFile> RegisterFolder::openFile(const FolderFile& entry, ImportErrors& errors) const {
    // The entry may have been swapped since it was listed: a link is not followed, a FIFO not
    // waited on, and the descriptor itself is what is checked.
    const int fd = ::openat(fd_, QFile::encodeName(entry.name).constData(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        errors.add(entry.name, std::nullopt,
                   errno == ELOOP ? QStringLiteral("é um link simbólico; só arquivos comuns da própria pasta são lidos")
                                  : QStringLiteral("não foi possível ler o arquivo"));
        return nullptr;
    }
    struct stat st {};
    const QString why = ::fstat(fd, &st) != 0 ? QStringLiteral("não foi possível ler o arquivo") : notAPlainFile(st);
    if (!why.isEmpty()) {
        ::close(fd);
        errors.add(entry.name, std::nullopt, why);
        return nullptr;
    }
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        errors.add(entry.name, std::nullopt, QStringLiteral("não foi possível ler o arquivo"));
        return nullptr;
    }
    return file;
}

}  // namespace cot::server::registers
