#include "server/registers/register_import.h"

#include <QHash>
#include <QSet>
#include <optional>

#include "server/registers/register_file.h"
#include "server/registers/register_folder.h"
#include "server/registers/register_logos.h"
#include "server/registers/register_store.h"
#include "server/storage/database.h"

namespace cot::server::registers {

namespace {

int catalogueIndex(const Register& reg) {
    const QList<Register>& all = registerCatalogue();
    for (int i = 0; i < all.size(); ++i)
        if (&all[i] == &reg) return i;
    return -1;
}

// References of the rows read, to the files and the database together. A row is checked as
// it is read when the register it names comes before its own in load order (that file, when
// in the import, was read already); otherwise once every file was read. The files' keys are
// kept for this, never their rows.
class ReferenceCheck {
public:
    explicit ReferenceCheck(Database& db) : db_(db) {}

    void check(const RegisterFile& file, const RegisterRow& row, ImportErrors& errors) {
        for (const RegisterReference& ref : file.reg->references) {
            const Register* parent = registerByTable(ref.table);
            QStringList parts, shown;
            for (const QString& c : ref.columns) {
                const int at = file.indexOf(c);
                if (at < 0 || !row.written[at]) break;  // not in the file, or empty: nothing to check
                parts << *row.written[at];
                shown << QStringLiteral("%1 = %2").arg(c, parts.last());
            }
            if (!parent || parts.size() != ref.columns.size()) continue;
            Pending pending{file.fileName, row.line, shown.join(QStringLiteral(", ")), parent, joinKey(parts)};
            if (catalogueIndex(*parent) > catalogueIndex(*file.reg)) deferred_ << std::move(pending);
            else settle(pending, errors);
        }
    }

    void keep(RegisterFile file) { files_ << std::move(file); }

    // Whether a row of `reg` with that key is in the database or in the import's files.
    bool known(const Register& reg, const QString& key) { return exists(reg, key); }

    void checkDeferred(ImportErrors& errors) {
        for (const Pending& p : std::as_const(deferred_)) settle(p, errors);
        deferred_.clear();
    }

private:
    struct Pending {
        QString fileName;
        int line = 0;
        QString shown;  // "COLUNA = valor", as read
        const Register* parent = nullptr;
        QString key;
    };

    void settle(const Pending& p, ImportErrors& errors) {
        if (exists(*p.parent, p.key)) return;
        errors.add(p.fileName, p.line,
                   QStringLiteral("%1 não existe em %2 (nem no banco nem em %3)").arg(p.shown, p.parent->table, fileOf(*p.parent)));
    }

    bool exists(const Register& reg, const QString& key) {
        for (const RegisterFile& f : std::as_const(files_))
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

    Database& db_;
    QList<RegisterFile> files_;
    QList<Pending> deferred_;
    QHash<QString, QSet<QString>> stored_;
};

ImportResult withErrors(const ImportErrors& errors) {
    ImportResult result;
    result.errors = errors.kept();
    result.errorCount = errors.total();
    return result;
}

}  // namespace

ImportResult importRegisters(Database& db, const QString& folder) {
    ImportErrors errors;
    RegisterFolder dir(folder);
    if (!dir.open(errors)) return withErrors(errors);
    const QList<FolderFile> found = dir.registerFiles(errors);

    // Rows go into the database as they are read, in one transaction that is committed only
    // when no file had a fault; after the first fault the files are still read, to report
    // every fault, but nothing more is written.
    Transaction tx(db);
    ReferenceCheck references(db);
    ImportResult result;
    for (const FolderFile& entry : found) {
        const std::unique_ptr<QFile> file = dir.openFile(entry, errors);
        if (!file) continue;
        RegisterFileReader reader(*entry.reg, entry.name, *file, errors);
        if (!reader.readHeader()) continue;
        std::optional<RegisterWriter> writer;
        if (!errors.any()) writer.emplace(db, reader.file());
        RegisterRow row;
        while (reader.next(row)) {
            references.check(reader.file(), row, errors);
            if (errors.any()) {
                writer.reset();
                continue;
            }
            if (!writer->write(row, errors)) return withErrors(errors);  // the engine refused: stop here
        }
        if (writer) result.files << writer->counts();
        references.keep(reader.takeFile());
    }
    references.checkDeferred(errors);
    const auto branchKnown = [&](const QString& branch) {
        return references.known(*registerByTable(QStringLiteral("FILIAL")), joinKey({branch}));
    };
    importLogos(db, dir, errors, result.files, branchKnown);
    if (errors.any()) return withErrors(errors);
    tx.commit();
    return result;
}

}  // namespace cot::server::registers
