#include "server/registers/register_logos.h"

#include <QUrl>

#include "server/registers/logo_image.h"
#include "server/registers/register_file.h"
#include "server/registers/register_folder.h"
#include "server/storage/database.h"

namespace cot::server::registers {

namespace {

const QByteArray kSafe("-_");

// The branch a logo's name gives; empty when the name holds none.
QString branchOfName(const QString& name) {
    const QString middle = name.mid(5, name.size() - 9);  // between "logo-" and ".png"
    return QUrl::fromPercentEncoding(middle.toUtf8());
}

QString storedType(Database& db, const QString& branch) {
    return db.scalar(QStringLiteral("SELECT IDTIPOLOGO FROM LOGOFILI WHERE CDFILIAL = :B"), {{"B", branch}}).toString();
}

}  // namespace

QString logoFileName(const QString& branch, const QString& type) {
    return QStringLiteral("logo-%1.%2")
        .arg(QString::fromLatin1(QUrl::toPercentEncoding(branch, kSafe)), logoExtension(type));
}

bool storeLogo(Database& db, const QString& branch, const QString& type, const QByteArray& bytes) {
    const QString text = QString::fromLatin1(bytes.toBase64());
    const QVariantMap params{{"B", branch}, {"T", type}, {"L", text}};
    const QVariant stored = db.scalar(QStringLiteral("SELECT TXLOGO FROM LOGOFILI WHERE CDFILIAL = :B"), params);
    if (stored.isNull()) {
        db.exec(QStringLiteral("INSERT INTO LOGOFILI (CDFILIAL, IDTIPOLOGO, TXLOGO) VALUES (:B, :T, :L)"), params);
        return true;
    }
    if (stored.toString() == text && storedType(db, branch) == type) return false;
    db.exec(QStringLiteral("UPDATE LOGOFILI SET IDTIPOLOGO = :T, TXLOGO = :L WHERE CDFILIAL = :B"), params);
    return true;
}

void importLogos(Database& db, const RegisterFolder& folder, ImportErrors& errors, QList<FileCounts>& counts,
                 const std::function<bool(const QString&)>& branchKnown) {
    QStringList seen;
    for (const QString& name : folder.logoNames(errors)) {
        const QString branch = branchOfName(name);
        if (branch.isEmpty() || branch.size() > 4) {
            errors.add(name, std::nullopt, QStringLiteral("o nome não traz o código da filial (logo-CDFILIAL.png ou .svg)"));
            continue;
        }
        if (seen.contains(branch)) {
            errors.add(name, std::nullopt, QStringLiteral("a filial %1 já tem outro logotipo nesta pasta").arg(branch));
            continue;
        }
        seen << branch;
        const std::unique_ptr<QFile> file = folder.openFile(FolderFile{nullptr, name}, errors);
        if (!file) continue;
        const QByteArray bytes = file->read(kMaxLogoBytes + 1);
        const LogoCheck check = checkLogo(bytes);
        if (!check.ok()) {
            errors.add(name, std::nullopt, check.error);
            continue;
        }
        const bool extensionAgrees = name.endsWith(logoExtension(check.type), Qt::CaseInsensitive);
        if (!extensionAgrees) {
            errors.add(name, std::nullopt, QStringLiteral("o conteúdo é %1 e não confere com a extensão do nome")
                                               .arg(logoExtension(check.type).toUpper()));
            continue;
        }
        if (!branchKnown(branch)) {
            errors.add(name, std::nullopt,
                       QStringLiteral("CDFILIAL = %1 não existe em FILIAL (nem no banco nem em filial.csv)").arg(branch));
            continue;
        }
        if (errors.any()) continue;
        const bool existed = !storedType(db, branch).isEmpty();
        const bool changed = storeLogo(db, branch, check.type, bytes);
        FileCounts c;
        c.fileName = name;
        (existed ? (changed ? c.changed : c.unchanged) : c.inserted) = 1;
        counts << c;
    }
}

QList<LogoFile> storedLogoFiles(Database& db) {
    QList<LogoFile> out;
    const Packet rows = db.query(QStringLiteral("SELECT CDFILIAL, IDTIPOLOGO, TXLOGO FROM LOGOFILI ORDER BY CDFILIAL"));
    for (int r = 0; r < rows.rows.size(); ++r)
        out << LogoFile{logoFileName(rows.value(r, QStringLiteral("CDFILIAL")).toString(),
                                     rows.value(r, QStringLiteral("IDTIPOLOGO")).toString()),
                        QByteArray::fromBase64(rows.value(r, QStringLiteral("TXLOGO")).toString().toLatin1())};
    return out;
}

}  // namespace cot::server::registers
