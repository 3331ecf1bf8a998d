#include "proposal/attachments/attachment_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "base/errors.h"
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

QString versionFolder(const QString& base, const QString& number, const QString& version) {
    const QString leaf = Consiste::Ajusta(number, 10) + QLatin1Char('-') + Consiste::Ajusta(version, 2);
    return QDir::cleanPath(QDir(base).filePath(QStringLiteral("Proposta/") + leaf));
}

QStringList files(const QString& folder) {
    QStringList list;
    Consiste::SortFiles(list, folder + QStringLiteral("/*.*"));
    return list;
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
