#include "server/registers/register_import.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <algorithm>

#include "server/registers/register_file.h"
#include "server/registers/register_store.h"
#include "server/storage/database.h"

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

// The register files of the folder, read and checked one by one, in load order.
QList<RegisterFile> readFolder(const QString& folder, ImportErrors& errors) {
    // Hidden files are left out: editors' and other systems' companions ("._filial.csv").
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    QList<std::pair<const Register*, QFileInfo>> found;
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        if (!name.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) continue;
        const Register* reg = registerForFile(name);
        if (!reg) {
            errors.add(name, std::nullopt,
                       QStringLiteral("não é um arquivo de cadastro (nomes aceitos: %1)").arg(knownFileNames()));
            continue;
        }
        const auto twin = std::find_if(found.cbegin(), found.cend(), [&](const auto& f) { return f.first == reg; });
        if (twin != found.cend()) {
            errors.add(name, std::nullopt, QStringLiteral("mesmo cadastro que %1").arg(twin->second.fileName()));
            continue;
        }
        found.append({reg, entry});
    }
    if (found.isEmpty() && !errors.any())
        errors.add(folder, std::nullopt, QStringLiteral("nenhum arquivo de cadastro (.csv) na pasta"));
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return catalogueIndex(a.first) < catalogueIndex(b.first); });

    QList<RegisterFile> files;
    for (const auto& [reg, entry] : found) {
        QFile file(entry.filePath());
        if (!file.open(QIODevice::ReadOnly)) {
            errors.add(entry.fileName(), std::nullopt, QStringLiteral("não foi possível ler o arquivo"));
            continue;
        }
        files << readRegisterFile(*reg, entry.fileName(), file.readAll(), errors);
    }
    return files;
}

// Whether a key of a register is in the files or in the database (read once per register).
class KeyLookup {
public:
    KeyLookup(Database& db, const QList<RegisterFile>& files) : db_(db), files_(files) {}

    bool exists(const Register& reg, const QString& key) {
        for (const RegisterFile& f : files_)
            if (f.reg == &reg && f.lineOfKey.contains(key)) return true;
        auto it = stored_.find(reg.table);
        if (it == stored_.end()) it = stored_.insert(reg.table, storedKeys(db_, reg));
        return it->contains(key);
    }

    QString fileOf(const Register& reg) const {
        for (const RegisterFile& f : files_)
            if (f.reg == &reg) return f.fileName;
        return reg.fileName();
    }

private:
    Database& db_;
    const QList<RegisterFile>& files_;
    QHash<QString, QSet<QString>> stored_;
};

void checkReferences(Database& db, const QList<RegisterFile>& files, ImportErrors& errors) {
    KeyLookup lookup(db, files);
    for (const RegisterFile& file : files) {
        for (const RegisterRow& row : file.rows) {
            for (const RegisterReference& ref : file.reg->references) {
                const Register* parent = registerByTable(ref.table);
                QStringList parts, shown;
                for (const QString& c : ref.columns) {
                    const int at = file.indexOf(c);
                    if (at < 0 || !row.written[at]) break;  // not in the file, or empty: nothing to check
                    parts << *row.written[at];
                    shown << QStringLiteral("%1 = %2").arg(c, parts.last());
                }
                if (!parent || parts.size() != ref.columns.size() || lookup.exists(*parent, joinKey(parts))) continue;
                errors.add(file.fileName, row.line,
                           QStringLiteral("%1 não existe em %2 (nem no banco nem em %3)")
                               .arg(shown.join(QStringLiteral(", ")), parent->table, lookup.fileOf(*parent)));
            }
        }
    }
}

ImportResult withErrors(const ImportErrors& errors) {
    ImportResult result;
    result.errors = errors.kept();
    result.errorCount = errors.total();
    return result;
}

}  // namespace

ImportResult importRegisters(Database& db, const QString& folder) {
    ImportErrors errors;
    const QList<RegisterFile> files = readFolder(folder, errors);
    // Checked and written in one transaction, so what was checked is what is written on.
    Transaction tx(db);
    checkReferences(db, files, errors);
    if (errors.any()) return withErrors(errors);
    ImportResult result;
    for (const RegisterFile& file : files) {
        const std::optional<FileCounts> counts = writeRegisterFile(db, file, errors);
        if (!counts) return withErrors(errors);
        result.files << *counts;
    }
    tx.commit();
    return result;
}

}  // namespace cot::server::registers
