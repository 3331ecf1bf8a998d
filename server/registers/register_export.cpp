#include "server/registers/register_export.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "server/registers/csv_file.h"
#include "server/registers/register_catalogue.h"
#include "server/registers/register_logos.h"
#include "server/registers/register_store.h"
#include "server/registers/spreadsheet_guard.h"
#include "server/storage/database.h"

namespace cot::server::registers {

namespace {

QByteArray fileText(Database& db, const Register& reg, int& rows) {
    QList<const RegisterColumn*> columns;
    QList<std::optional<QString>> header;
    for (const RegisterColumn& c : reg.columns) {
        columns << &c;
        header << c.name;
    }
    QByteArray out = csvRecord(header);
    const QList<StoredRow> stored = readStoredRows(db, reg, columns);
    rows = int(stored.size());
    for (const StoredRow& row : stored) {
        QList<std::optional<QString>> fields = row.written;
        for (int c = 0; c < columns.size(); ++c)
            if (columns[c]->kind == ColumnKind::Text && fields[c]) fields[c] = guardedText(*fields[c]);
        out += csvRecord(fields);
    }
    return out;
}

}  // namespace

ExportResult exportRegisters(Database& db, const QString& folder) {
    ExportResult result;
    const QDir dir(folder);
    if (QFileInfo(folder).exists() && !QFileInfo(folder).isDir()) {
        result.error = QStringLiteral("%1 não é uma pasta.").arg(folder);
        return result;
    }
    QStringList present;
    for (const Register& reg : registerCatalogue()) {
        // Any spelling of the name counts: an import would read it as the same register.
        const QStringList same = dir.entryList({reg.fileName()}, QDir::Files | QDir::Hidden);
        present << same;
    }
    present << dir.entryList({QStringLiteral("logo-*.png"), QStringLiteral("logo-*.svg")}, QDir::Files | QDir::Hidden);
    if (!present.isEmpty()) {
        result.error = QStringLiteral("A pasta %1 já tem arquivos de cadastro (%2); nada foi gravado. "
                                      "Use uma pasta nova ou vazia.")
                           .arg(folder, present.join(QStringLiteral(", ")));
        return result;
    }
    if (!QDir().mkpath(folder)) {
        result.error = QStringLiteral("Não foi possível criar a pasta %1.").arg(folder);
        return result;
    }

    // Every table read from one snapshot of the database.
    Transaction tx(db);
    if (db.dialect() == Dialect::Postgres)
        db.exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"));
    // One file at a time, each created new (NewOnly: a file that appeared since the check
    // above is not overwritten either); a failure removes what was written.
    const auto write = [&](const QString& name, const QByteArray& text, int rows) {
        const QString path = dir.filePath(name);
        QFile file(path);
        const bool created =
            file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        const bool written = created && file.write(text) == text.size() && file.flush();
        if (written) {
            file.close();
            result.files << name;
            result.rowCounts << rows;
            return true;
        }
        const QString why = file.errorString();
        file.close();
        if (created) QFile::remove(path);
        for (const QString& done : std::as_const(result.files)) QFile::remove(dir.filePath(done));
        result.error = QStringLiteral("Não foi possível gravar %1: %2").arg(path, why);
        result.files.clear();
        result.rowCounts.clear();
        return false;
    };
    for (const Register& reg : registerCatalogue()) {
        int rows = 0;
        if (!write(reg.fileName(), fileText(db, reg, rows), rows)) return result;
    }
    for (const LogoFile& logo : storedLogoFiles(db))
        if (!write(logo.name, logo.bytes, 1)) return result;
    return result;
}

}  // namespace cot::server::registers
