#include "zip_archive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUuid>
#include <memory>
#include <zip.h>

#include "base/errors.h"

namespace cot::ZipArchive {

namespace {

QByteArray local(const QString& path) { return QFile::encodeName(path); }

QString zipErrorText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromLocal8Bit(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

struct Closer {
    void operator()(zip_t* z) const {
        if (z) zip_discard(z);
    }
};
using Handle = std::unique_ptr<zip_t, Closer>;

Handle openForReading(const QString& archive) {
    int code = 0;
    zip_t* z = zip_open(local(archive).constData(), ZIP_RDONLY, &code);
    if (!z)
        throw UserError(QStringLiteral("Não foi possível abrir o arquivo compactado '%1': %2")
                            .arg(QDir::toNativeSeparators(archive), zipErrorText(code)));
    return Handle(z);
}

QString entryName(zip_t* z, zip_uint64_t index) {
    const char* name = zip_get_name(z, index, ZIP_FL_ENC_GUESS);
    return name ? QString::fromUtf8(name) : QString();
}

}  // namespace

void compressFile(const QString& file, const QString& archive) {
    const QFileInfo source(file);
    if (!source.isFile() || !source.isReadable())
        throw UserError(QStringLiteral("Arquivo '%1' não encontrado.").arg(QDir::toNativeSeparators(file)));
    // Built beside the target and moved over it only once complete.
    const QString partial = archive + QStringLiteral(".%1.part").arg(QUuid::createUuid().toString(QUuid::Id128).left(8));
    const auto fail = [&](const QString& why) {
        QFile::remove(partial);
        return UserError(QStringLiteral("Não foi possível compactar '%1': %2").arg(source.fileName(), why));
    };
    int code = 0;
    zip_t* z = zip_open(local(partial).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!z) throw fail(zipErrorText(code));
    zip_source_t* data = zip_source_file(z, local(source.absoluteFilePath()).constData(), 0, -1);
    if (!data || zip_file_add(z, source.fileName().toUtf8().constData(), data, ZIP_FL_ENC_UTF_8) < 0) {
        const QString why = QString::fromLocal8Bit(zip_strerror(z));
        if (data) zip_source_free(data);
        zip_discard(z);
        throw fail(why);
    }
    if (zip_close(z) != 0) {
        const QString why = QString::fromLocal8Bit(zip_strerror(z));
        zip_discard(z);
        throw fail(why);
    }
    if (QFileInfo::exists(archive) && !QFile::remove(archive)) throw fail(QStringLiteral("o arquivo de destino não pôde ser substituído"));
    if (!QFile::rename(partial, archive)) throw fail(QStringLiteral("o arquivo de destino não pôde ser gravado"));
}

QStringList entries(const QString& archive) {
    Handle z = openForReading(archive);
    QStringList names;
    const zip_int64_t n = zip_get_num_entries(z.get(), 0);
    for (zip_int64_t i = 0; i < n; ++i) names << entryName(z.get(), zip_uint64_t(i));
    return names;
}

QString safeEntryPath(const QString& entryName) {
    QString name = entryName;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (name.isEmpty() || name.startsWith(QLatin1Char('/'))) return {};
    // "C:x", "C:\x": a drive of the system the archive came from.
    if (name.size() >= 2 && name[1] == QLatin1Char(':') && name[0].isLetter()) return {};
    QStringList kept;
    for (const QString& part : name.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String(".")) continue;
        if (part == QLatin1String("..")) return {};
        for (const QChar c : part)
            if (c.unicode() < 32 || c == QLatin1Char(':')) return {};
        kept << part;
    }
    return kept.join(QLatin1Char('/'));
}

namespace {

bool namesOnlyTheTop(QString name) {
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (name.isEmpty() || name.startsWith(QLatin1Char('/'))) return false;
    const QStringList parts = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return !parts.isEmpty() && parts.count(QStringLiteral(".")) == parts.size();
}

}  // namespace

QStringList extractAll(const QString& archive, const QString& folder) {
    Handle z = openForReading(archive);
    const QString root = QDir::cleanPath(QDir(folder).absolutePath());
    const zip_int64_t n = zip_get_num_entries(z.get(), 0);

    // Every entry is checked before anything is written.
    struct Planned {
        zip_uint64_t index;
        QString path;
        bool folder;
    };
    QList<Planned> plan;
    for (zip_int64_t i = 0; i < n; ++i) {
        const QString name = entryName(z.get(), zip_uint64_t(i));
        // "./" (the archive's own top folder, as some tools write it) leaves nothing.
        if (namesOnlyTheTop(name)) continue;
        const QString relative = safeEntryPath(name);
        const QString target = QDir::cleanPath(root + QLatin1Char('/') + relative);
        if (relative.isEmpty() || !target.startsWith(root + QLatin1Char('/')))
            throw UserError(QStringLiteral("O arquivo compactado '%1' foi recusado: o item '%2' seria gravado fora da pasta "
                                           "escolhida. Nada foi descompactado.")
                                .arg(QFileInfo(archive).fileName(), name));
        const bool isFolder = name.endsWith(QLatin1Char('/')) || name.endsWith(QLatin1Char('\\'));
        plan.append({zip_uint64_t(i), target, isFolder});
    }

    QStringList written;
    for (const Planned& p : plan) {
        const QString where = p.folder ? p.path : QFileInfo(p.path).absolutePath();
        if (!QDir().mkpath(where))
            throw UserError(QStringLiteral("Não foi possível criar a pasta '%1'.").arg(QDir::toNativeSeparators(where)));
        if (p.folder) continue;
        zip_file_t* in = zip_fopen_index(z.get(), p.index, 0);
        if (!in)
            throw UserError(QStringLiteral("Não foi possível ler '%1' de '%2': %3")
                                .arg(QFileInfo(p.path).fileName(), QFileInfo(archive).fileName(),
                                     QString::fromLocal8Bit(zip_strerror(z.get()))));
        QSaveFile out(p.path);
        bool ok = out.open(QIODevice::WriteOnly);
        char buffer[64 * 1024];
        zip_int64_t got = 0;
        while (ok && (got = zip_fread(in, buffer, sizeof buffer)) > 0) ok = out.write(buffer, got) == got;
        zip_fclose(in);
        if (!ok || got < 0 || !out.commit())
            throw UserError(QStringLiteral("Não foi possível descompactar '%1' em '%2'.")
                                .arg(QFileInfo(p.path).fileName(), QDir::toNativeSeparators(root)));
        written << p.path;
    }
    return written;
}

}  // namespace cot::ZipArchive
