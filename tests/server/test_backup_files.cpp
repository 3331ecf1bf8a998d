// Backups an administrator can trust: private copies, dated copies in a folder with the
// oldest pruned, restores that leave the database to the user the server runs as, and a
// copy taken before the migrations touch an older database.
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "server/admin/backup_command.h"
#include "server/admin/backup_files.h"
#include "server/admin/register_command.h"
#include "server/migrations/migrations.h"
#include "server/rpc/server_config.h"
#include "server/storage/database.h"
#include "server/storage/sqlite_files.h"

using namespace cot::server;

namespace {

mode_t modeOf(const QString& path) {
    struct stat st{};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : mode_t(-1);
}

// A SQLite database of this system at `schema` (0: the latest).
QString makeDatabase(const QString& path, int schema = 0) {
    migrate(*Database::open("sqlite:" + path), schema);
    return path;
}

void touch(const QString& path) {
    ASSERT_TRUE(QFile(path).open(QIODevice::WriteOnly)) << path.toStdString();
}

// Anything else the process creates keeps the umask it had.
struct ZeroUmask {
    mode_t saved = ::umask(0);
    ~ZeroUmask() { ::umask(saved); }
};

int backup(const QString& database, const QString& target, int keep = 0) {
    return runBackupCommand({.databaseUrl = "sqlite:" + database, .backupFile = target, .keepBackups = keep});
}

const QRegularExpression kDated(R"(^cot05000-\d{8}-\d{6}(-\d+)?\.db$)");

TEST(BackupFiles, ACopyIsReadableByItsOwnerOnlyEvenUnderAPermissiveUmaskAndAFolderGetsADatedOne) {
    QTemporaryDir dir;
    const QString db = makeDatabase(dir.filePath("banco.db"));
    ZeroUmask open;
    sqlite_files::backup(db, dir.filePath("copia.db"));
    EXPECT_EQ(std::tuple(modeOf(dir.filePath("copia.db")), QFile::exists(dir.filePath("copia.db.parcial")),
                         sqlite_files::schemaVersion(dir.filePath("copia.db"))), std::tuple(mode_t(0600), false, latestSchemaVersion()));

    // An older copy readable by all is replaced by a private one.
    touch(dir.filePath("velha.db"));
    ::chmod(QFile::encodeName(dir.filePath("velha.db")).constData(), 0644);
    sqlite_files::backup(db, dir.filePath("velha.db"));
    EXPECT_EQ(modeOf(dir.filePath("velha.db")), 0600);

    // A failed copy leaves no partial file behind.
    EXPECT_THROW(sqlite_files::backup(dir.filePath("nada.db"), dir.filePath("x.db")), FileCopyError);
    EXPECT_FALSE(QFile::exists(dir.filePath("x.db.parcial")));

    // A path ending with "/" is a folder, created with its parents, owner-only.
    ASSERT_EQ(backup(db, dir.filePath("copias/diarias/")), 0);
    const QStringList made = QDir(dir.filePath("copias/diarias")).entryList(QDir::Files);
    ASSERT_EQ(made.size(), 1);
    EXPECT_TRUE(kDated.match(made[0]).hasMatch()) << made[0].toStdString();
    EXPECT_EQ(QList<mode_t>({modeOf(dir.filePath("copias")), modeOf(dir.filePath("copias/diarias")),
                             modeOf(dir.filePath("copias/diarias/" + made[0]))}), QList<mode_t>({0700, 0700, 0600}));

    // An existing folder named without the slash, twice in the same second: two copies.
    ASSERT_EQ(backup(db, dir.filePath("copias/diarias")) + backup(db, dir.filePath("copias/diarias")), 0);
    EXPECT_EQ(QDir(dir.filePath("copias/diarias")).entryList(QDir::Files).size(), 3);

    // A file whose folder is missing: the folder is made, the name kept.
    ASSERT_EQ(backup(db, dir.filePath("outra/copia.db")), 0);
    EXPECT_EQ(std::pair(modeOf(dir.filePath("outra")), sqlite_files::schemaVersion(dir.filePath("outra/copia.db"))),
              std::pair(mode_t(0700), latestSchemaVersion()));
}

TEST(BackupFiles, KeepDeletesOnlyTheOldestDatedCopiesOfTheFolder) {
    QTemporaryDir dir;
    const QString folder = dir.filePath("copias");
    QDir().mkpath(folder);
    // The last four are not ours to delete, however old they look.
    for (const char* name : {"cot05000-20201201-235959.db", "cot05000-20201203-080000.db",
                             "cot05000-20201203-080000-2.db", "cot05000-20201202-120000.db", "cot05000-manual.db",
                             "notas.txt", "cot05000-20200101-000000.db.bak", "demo.db"})
        touch(folder + "/" + name);
    QDir().mkpath(folder + "/cot05000-20000101-000000.db");

    EXPECT_EQ(backup_files::pruneBackups(folder, 2), QStringList({"cot05000-20201201-235959.db", "cot05000-20201202-120000.db"}));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name),
              QStringList({"cot05000-20000101-000000.db", "cot05000-20200101-000000.db.bak", "cot05000-20201203-080000-2.db",
                           "cot05000-20201203-080000.db", "cot05000-manual.db", "demo.db", "notas.txt"}));

    // Through the command: the new copy counts among the kept ones.
    const QString db = makeDatabase(dir.filePath("banco.db"));
    ASSERT_EQ(backup(db, folder, 1), 0);
    const QStringList dated = QDir(folder).entryList(QDir::Files).filter(kDated);
    ASSERT_EQ(dated.size(), 1);
    EXPECT_EQ(sqlite_files::schemaVersion(folder + "/" + dated[0]), latestSchemaVersion());

    // --keep with a plain file is refused before any copy; and never without --backup.
    EXPECT_EQ(backup(db, dir.filePath("um.db"), 3), 2);
    EXPECT_FALSE(QFile::exists(dir.filePath("um.db")));
    EXPECT_THROW(ServerConfig::fromArgs({"--keep", "3"}, {}, {}), ConfigError);
    EXPECT_THROW(ServerConfig::fromArgs({"--backup", folder, "--keep", "-1"}, {}, {}), ConfigError);
    EXPECT_EQ(ServerConfig::fromArgs({"--backup", folder, "--keep", "7"}, {}, {}).keepBackups, 7);
}

TEST(BackupFiles, RestoreLeavesTheDatabaseToItsOwnerWithItsMode) {
    if (::geteuid() != 0) GTEST_SKIP() << "changing a file's owner needs root";
    QTemporaryDir dir;
    const QString copy = dir.filePath("copia.db");
    sqlite_files::backup(makeDatabase(dir.filePath("origem.db")), copy);
    const QString target = makeDatabase(dir.filePath("servico.db"), 1);
    const QByteArray t = QFile::encodeName(target);
    ASSERT_EQ(::chown(t.constData(), 65534, 65534), 0);  // nobody, as a service user
    ASSERT_EQ(::chmod(t.constData(), 0640), 0);
    QFile::remove(target + ".uso");

    sqlite_files::restore(copy, target, latestSchemaVersion());
    struct stat st{}, lock{};
    // The lock made by root stays usable by the service's own user.
    ASSERT_EQ(::stat(t.constData(), &st) + ::stat(QFile::encodeName(target + ".uso").constData(), &lock), 0);
    EXPECT_EQ(std::tuple(st.st_uid, st.st_gid, st.st_mode & 07777, lock.st_uid, sqlite_files::schemaVersion(target)),
              std::tuple(65534u, 65534u, 0640u, 65534u, latestSchemaVersion()));
}

TEST(BackupFiles, RestoreOverAnotherUsersDatabaseIsForRootOrThatUserOnly) {
    EXPECT_EQ(sqlite_files::restoreOwnerRefusal(1000, 998, "cot05000"),
              "O banco pertence ao usuário cot05000; rode como cot05000 (sudo -u cot05000 ...) ou como root.");
    EXPECT_EQ(sqlite_files::restoreOwnerRefusal(0, 998, "cot05000") + sqlite_files::restoreOwnerRefusal(998, 998, "cot05000"), "");
}

TEST(BackupFiles, AnOlderDatabaseIsCopiedBeforeMigratingByTheStartAndTheCommands) {
    QTemporaryDir dir;
    const QString db = makeDatabase(dir.filePath("banco.db"), 1);
    // (A copy that cannot be made stops the start: see test_service_start.cpp.)
    ServerConfig config{.databaseUrl = "sqlite:" + db, .backupBeforeMigrate = dir.filePath("antes")};
    ASSERT_EQ(backupBeforeMigrate(config), 0);
    const QStringList made = QDir(dir.filePath("antes")).entryList(QDir::Files);
    ASSERT_EQ(made.size(), 1);
    EXPECT_TRUE(kDated.match(made[0]).hasMatch());
    EXPECT_EQ(std::pair(sqlite_files::schemaVersion(dir.filePath("antes/" + made[0])), modeOf(dir.filePath("antes/" + made[0]))),
              std::pair(1, mode_t(0600)));

    // Up to date, or not there yet: nothing to copy. PostgreSQL: the administrator's pg_dump; the start goes on.
    makeDatabase(db);
    for (const QString& url : {"sqlite:" + db, "sqlite:" + dir.filePath("novo.db"), QString("postgresql://u@127.0.0.1:1/x")}) {
        config.databaseUrl = url;
        EXPECT_EQ(backupBeforeMigrate(config), 0) << url.toStdString();
    }
    EXPECT_EQ(QDir(dir.filePath("antes")).entryList(QDir::Files).size(), 1);

    // The one-shot commands migrate an older database too: they copy it first, as the start does.
    const QString older = makeDatabase(dir.filePath("velho.db"), 1);
    config.databaseUrl = "sqlite:" + older;
    config.exportFolder = dir.filePath("cadastros");
    ASSERT_EQ(runRegisterCommand(config), 0);
    const QStringList copies = QDir(dir.filePath("antes")).entryList(QDir::Files);
    EXPECT_EQ(copies.size(), 2);
    for (const QString& copy : copies) EXPECT_EQ(sqlite_files::schemaVersion(dir.filePath("antes/" + copy)), 1);
    EXPECT_EQ(sqlite_files::schemaVersion(older), latestSchemaVersion());
}

}  // namespace
