#include "server/storage/sqlite_files.h"

#include <fcntl.h>
#include <pwd.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <cstdio>
#include <memory>

namespace cot::server::sqlite_files {

namespace {

[[noreturn]] void fail(const QString& text) { throw FileCopyError(text.toStdString()); }

struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Connection = std::unique_ptr<sqlite3, Closer>;

Connection openFile(const QString& path, int flags) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    Connection c(db);
    if (rc != SQLITE_OK) fail(QStringLiteral("Não foi possível abrir %1.").arg(path));
    sqlite3_busy_timeout(db, 10000);
    return c;
}

// The first column of the first row, as text; empty when the statement fails.
QString scalar(sqlite3* db, const char* sql) {
    sqlite3_stmt* st = nullptr;
    QString out;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        out = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    return out;
}

void copyAll(sqlite3* from, sqlite3* to, const QString& what) {
    sqlite3_backup* b = sqlite3_backup_init(to, "main", from, "main");
    if (!b) fail(QStringLiteral("Não foi possível copiar %1.").arg(what));
    // One step: a single read transaction on the source, so the copy is one moment of it.
    // Under WAL, writers go on meanwhile.
    int rc;
    while ((rc = sqlite3_backup_step(b, -1)) == SQLITE_BUSY || rc == SQLITE_LOCKED) sqlite3_sleep(50);
    sqlite3_backup_finish(b);
    if (rc != SQLITE_DONE) fail(QStringLiteral("A cópia de %1 falhou.").arg(what));
}

void requireSound(sqlite3* db, const QString& path) {
    if (scalar(db, "PRAGMA integrity_check") != QLatin1String("ok"))
        fail(QStringLiteral("%1 não passou na verificação de integridade.").arg(path));
}

QString lockPath(const QString& path) { return path + QStringLiteral(".uso"); }

QByteArray encoded(const QString& path) { return QFile::encodeName(path); }

// The lock file, made when missing; one made by another user (root) is still good to lock
// through a read-only descriptor, so the protection does not silently go away.
int openLock(const QString& path) {
    const QByteArray name = encoded(lockPath(path));
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0640);
    return fd >= 0 ? fd : ::open(name.constData(), O_RDONLY | O_CLOEXEC);
}

QString userName(uid_t uid) {
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found) return QString::fromLocal8Bit(found->pw_name);
    return QString::number(uid);
}

// The copy takes the owner, group and mode the replaced file had: a restore run as root
// must not leave the service's database (or its lock) owned by root.
void keepOwnership(const QString& path, const struct stat& before) {
    struct stat now{};
    if (::stat(encoded(path).constData(), &now) != 0) return;
    if (::geteuid() == 0 && (now.st_uid != before.st_uid || now.st_gid != before.st_gid) &&
        ::chown(encoded(path).constData(), before.st_uid, before.st_gid) != 0)
        fail(QStringLiteral("Não foi possível devolver %1 ao seu dono.").arg(path));
    if ((now.st_mode & 07777) != (before.st_mode & 07777) && ::chmod(encoded(path).constData(), before.st_mode & 07777) != 0)
        fail(QStringLiteral("Não foi possível devolver as permissões de %1.").arg(path));
}

}  // namespace

void backup(const QString& source, const QString& target) {
    if (!QFileInfo(source).isFile()) fail(QStringLiteral("Banco %1 não encontrado.").arg(source));
    if (QFileInfo(source).canonicalFilePath() == QFileInfo(target).canonicalFilePath())
        fail(QStringLiteral("A cópia não pode ser gravada sobre o próprio banco."));
    const QString partial = target + QStringLiteral(".parcial");
    QFile::remove(partial);
    // Created here, readable by its owner only, before SQLite writes a byte of the data
    // into it (its journal takes the same mode).
    const int fd = ::open(encoded(partial).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) fail(QStringLiteral("Não foi possível criar %1.").arg(partial));
    ::close(fd);
    // A copy that did not make it to the target leaves nothing behind.
    auto dropPartial = qScopeGuard([&partial] { QFile::remove(partial); });
    {
        Connection from = openFile(source, SQLITE_OPEN_READWRITE);
        Connection to = openFile(partial, SQLITE_OPEN_READWRITE);
        copyAll(from.get(), to.get(), source);
        // A backup is one self-contained file.
        scalar(to.get(), "PRAGMA journal_mode = DELETE");
        requireSound(to.get(), partial);
    }
    if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(target).constData()) != 0)
        fail(QStringLiteral("Não foi possível gravar %1.").arg(target));
    dropPartial.dismiss();
}

QString restoreOwnerRefusal(uid_t runningAs, uid_t owner, const QString& ownerName) {
    if (runningAs == 0 || runningAs == owner) return {};
    return QStringLiteral("O banco pertence ao usuário %1; rode como %1 (sudo -u %1 ...) ou como root.").arg(ownerName);
}

int schemaVersion(const QString& path) {
    if (!QFileInfo(path).isFile()) return -1;
    Connection db = openFile(path, SQLITE_OPEN_READONLY);
    if (scalar(db.get(), "SELECT COUNT(*) FROM sqlite_master").isEmpty()) return -1;
    return scalar(db.get(), "SELECT MAX(VERSION) FROM SCHEMA_VERSION").toInt();
}

void restore(const QString& source, const QString& target, int latestSchema) {
    struct stat before{};
    const bool replacing = ::stat(encoded(target).constData(), &before) == 0;
    if (replacing) {
        const QString refusal = restoreOwnerRefusal(::geteuid(), before.st_uid, userName(before.st_uid));
        if (!refusal.isEmpty()) fail(refusal);
    }
    if (!QFileInfo(source).isFile()) fail(QStringLiteral("Cópia %1 não encontrada.").arg(source));
    Connection from = openFile(source, SQLITE_OPEN_READONLY);
    requireSound(from.get(), source);
    const QString version = scalar(from.get(), "SELECT MAX(VERSION) FROM SCHEMA_VERSION");
    if (version.isEmpty()) fail(QStringLiteral("%1 não é uma cópia deste sistema.").arg(source));
    if (version.toInt() > latestSchema)
        fail(QStringLiteral("A cópia está na versão de esquema %1, mais nova que a deste programa (%2).")
                 .arg(version)
                 .arg(latestSchema));

    const int fd = openLock(target);
    if (fd < 0) fail(QStringLiteral("Não foi possível verificar se %1 está em uso.").arg(target));
    // A lock file made here by root must stay usable by the server's own user.
    if (replacing && ::geteuid() == 0 && ::fchown(fd, before.st_uid, before.st_gid) != 0) {
        ::close(fd);
        fail(QStringLiteral("Não foi possível devolver %1 ao dono do banco.").arg(lockPath(target)));
    }
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (!free) {
        ::close(fd);
        fail(QStringLiteral("O banco %1 está em uso por um servidor: pare-o antes de restaurar.").arg(target));
    }
    // Closing the lock file releases the lock, whatever becomes of the copy.
    const auto unlock = qScopeGuard([fd] { ::close(fd); });
    Connection to = openFile(target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    copyAll(from.get(), to.get(), source);
    requireSound(to.get(), target);
    to.reset();
    if (replacing) keepOwnership(target, before);
}

UseLock::UseLock(const QString& path) {
    fd_ = openLock(path);
    if (fd_ >= 0 && ::flock(fd_, LOCK_SH) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

UseLock::~UseLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace cot::server::sqlite_files
