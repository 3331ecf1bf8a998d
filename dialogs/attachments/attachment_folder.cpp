#include "dialogs/attachments/attachment_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "base/errors.h"
#include "reach/proposal_key.h"
#include "services/cipher.h"
#include "services/consiste.h"
#include "services/messages.h"
#include "services/user_registry.h"

namespace cot {

QString Cli_cot05000::RetornaDirArqSoli() {
    try {
        return UserRegistry::readString(QString::fromLatin1(UserRegistry::kSistemasKey), QStringLiteral("DirArqSoli"));
    } catch (...) {
        return {};
    }
}

namespace attachments {

QString baseFolder() { return Criptografa::Uncripto(Cli_cot05000::RetornaDirArqSoli(), 2).trimmed(); }

namespace {

// Whether `path` is `root` or lies under it (both absolute and clean).
bool within(const QString& root, const QString& path) {
    return path == root || path.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'));
}

// The deepest of `folder` and its parents up to `base` that exists, as the file system
// resolves it (links followed, a broken one to where it points); empty when none exists.
QString resolvedExisting(const QString& base, QString folder) {
    while (within(base, folder)) {
        const QFileInfo info(folder);
        const QString canonical = info.canonicalFilePath();
        if (!canonical.isEmpty()) return canonical;
        if (info.isSymLink()) return QDir::cleanPath(info.symLinkTarget());
        if (folder == base) break;
        folder = QFileInfo(folder).absolutePath();
    }
    return {};
}

}  // namespace

QString versionFolder(const QString& base, const QString& number, const QString& version) {
    // The key names a folder: only a well-formed one may, so it can never climb out.
    const QString nr = Consiste::Ajusta(number, 10), ver = Consiste::Ajusta(version, 2);
    if (!proposal_key::isNumber(nr) || !proposal_key::isVersion(ver))
        throw UserError(QStringLiteral("Número ou versão de proposta inválidos para a pasta de anexos."));
    const QString folder = QDir::cleanPath(QDir(base).filePath(QStringLiteral("Proposta/") + nr + QLatin1Char('-') + ver));

    // Nor may a link inside the base lead the files elsewhere.
    const QString root = QDir::cleanPath(QDir(base).absolutePath());
    const QString absolute = QDir::cleanPath(QDir(folder).absolutePath());
    const QString resolved = resolvedExisting(root, absolute);
    const QString resolvedRoot = QFileInfo(root).canonicalFilePath();
    if (!within(root, absolute) || (!resolved.isEmpty() && !within(resolvedRoot, resolved)))
        throw UserError(QStringLiteral("A pasta de anexos da proposta (%1) fica fora da pasta de anexos configurada.")
                            .arg(QDir::toNativeSeparators(absolute)));
    return folder;
}

QStringList files(const QString& folder) {
    // Hidden files too: ".oculto" is stored like any other name and must be listed to be
    // opened, saved or removed (and its folder to go with the last of them).
    const QDir dir(folder);
    if (!dir.exists()) return {};
    return Consiste::sortFileNames(dir.entryList(QDir::Files | QDir::Hidden));
}

bool isArchive(const QString& fileName) {
    static const QStringList kArchives{".ZIP", ".BH", ".LHA", ".JAR", ".TAR", ".GZ", ".ARJ"};
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && kArchives.contains(fileName.mid(dot).toUpper());
}

QString storedName(const QString& fileName) {
    return isArchive(fileName) ? fileName : fileName + QStringLiteral(".zip");
}

QString nameProblem(const QString& fileName) {
    if (fileName.trimmed().isEmpty() || fileName == QLatin1String(".") || fileName == QLatin1String(".."))
        return QStringLiteral("nome vazio ou reservado");
    static const QString kForbidden = QStringLiteral("/\\:<>\"|?*");
    for (const QChar c : fileName) {
        if (c.unicode() < 32) return QStringLiteral("caractere de controle");
        if (kForbidden.contains(c)) return QStringLiteral("caractere '%1'").arg(c);
    }
    if (fileName.endsWith(QLatin1Char('.')) || fileName.endsWith(QLatin1Char(' ')))
        return QStringLiteral("termina em ponto ou espaço");
    // Device names stay devices whatever extension follows them.
    static const QRegularExpression kDevice(QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])$"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (kDevice.match(fileName.section(QLatin1Char('.'), 0, 0).trimmed()).hasMatch())
        return QStringLiteral("nome de dispositivo");
    return {};
}

void checkName(const TMessages& catalogue, const QString& fileName) {
    const QString problem = nameProblem(fileName);
    if (!problem.isEmpty())
        throw UserError(catalogue.Msg(QStringLiteral("Nome_Anexo"), {fileName, problem}));
}

QString menuCaption(const QString& fileName) {
    QString caption = fileName;
    return caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace attachments
}  // namespace cot
