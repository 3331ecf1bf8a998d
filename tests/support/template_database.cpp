#include "support/template_database.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <dlfcn.h>
#include <stdexcept>

#include "base/clock.h"
#include "server/migrations/migrations.h"
#include "server/seed/demo_seed.h"
#include "server/storage/database.h"

namespace cot::testing {

namespace {

// The server library's file, size and time: a rebuilt library (other migrations, another
// seed) gets templates of its own, never a stale one.
QByteArray libraryIdentity() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&server::seedDemo), &info) == 0 || !info.dli_fname)
        return QByteArrayLiteral("unknown");
    const QFileInfo file(QString::fromLocal8Bit(info.dli_fname));
    return file.absoluteFilePath().toUtf8() + '|' + QByteArray::number(file.size()) + '|' +
           QByteArray::number(file.lastModified().toMSecsSinceEpoch());
}

QString templatePath(bool seed) {
    static const QString folder = [] {
        const QString dir = QDir::tempPath() + QStringLiteral("/cot-test-templates");
        QDir().mkpath(dir);
        return dir;
    }();
    static const QString key =
        QString::fromLatin1(QCryptographicHash::hash(libraryIdentity(), QCryptographicHash::Sha1).toHex().left(16));
    // The demo data is dated from the clock's today (fixed or real): one template per day.
    const QString kind = seed ? QStringLiteral("demo-") + Clock::current().today().toString(QStringLiteral("yyyyMMdd"))
                              : QStringLiteral("bare");
    return folder + QStringLiteral("/%1-%2.db").arg(kind, key);
}

void makeTemplate(const QString& path, bool seed) {
    const QString building = path + QStringLiteral(".building");
    QFile::remove(building);
    {
        auto db = server::Database::open(QStringLiteral("sqlite:") + building);
        server::migrate(*db);
        if (seed) server::seedDemo(*db);
    }  // closed: the log is folded into the file, which is whole on its own
    QFile::remove(building + QStringLiteral("-wal"));
    QFile::remove(building + QStringLiteral("-shm"));
    if (!QFile::rename(building, path)) throw std::runtime_error("template database not saved");
}

}  // namespace

void copyTemplateDatabase(const QString& path, bool seed) {
    const QString source = templatePath(seed);
    if (!QFileInfo::exists(source)) {
        QLockFile lock(source + QStringLiteral(".lock"));
        lock.setStaleLockTime(0);
        if (!lock.lock()) throw std::runtime_error("template database locked");
        if (!QFileInfo::exists(source)) makeTemplate(source, seed);
    }
    if (!QFile::copy(source, path)) throw std::runtime_error("template database not copied");
}

}  // namespace cot::testing
