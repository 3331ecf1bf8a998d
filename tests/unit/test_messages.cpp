#include <QDirIterator>
#include <QRegularExpression>

#include "services/messages.h"
#include "support/scripted_dialogs.h"
#include "unit_cases.h"

namespace {
const char* const kCatalogue = R"(# screen catalogue
; also a comment
IND1_INF|Índice 1 deve ser informado

Tip_Manut|Atenção! Alterando o tipo da proposta de "Locação" para "LU/Manutenção" os valores informados para "Licença de Uso" serão zerados. Confirma a alteração?
DTVENC_ACE|Vencimento anterior a %s | verifique
Linhas|Primeira linha\nSegunda linha com \\n literal
sem barra nesta linha
 Espaco |  texto com espaços  
DUP|primeiro
dup|segundo
)";
}

TEST(Messages, CatalogueFormatCaseInsensitiveKeysAndFiles) {
    static QStringList logged;
    logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtWarningMsg) logged << text;
    });
    TMessages m = TMessages::fromText(QString::fromUtf8(kCatalogue));
    const std::pair<const char*, const char*> texts[] = {
        {"IND1_INF", "Índice 1 deve ser informado"}, {"ind1_inf", "Índice 1 deve ser informado"},
        {"DTVENC_ACE", "Vencimento anterior a %s | verifique"},
        {"Linhas", "Primeira linha\nSegunda linha com \\n literal"}, {"espaco", "  texto com espaços  "},
        {"DUP", "segundo"}, {"NAO_EXISTE", "NAO_EXISTE"}, {"", ""}};  // unknown keys show their own name
    for (const auto& [key, text] : texts) EXPECT_EQ(m.Msg(key), QString::fromUtf8(text)) << key;
    qInstallMessageHandler(previous);
    EXPECT_EQ(logged, QStringList{"Mensagem sem texto no catálogo: chave 'NAO_EXISTE'."});
    EXPECT_TRUE(m.Msg("TIP_MANUT").contains("\"LU/Manutenção\""));
    EXPECT_EQ(m.Msg("DTVENC_ACE", {"05/01/2027"}), "Vencimento anterior a 05/01/2027 | verifique");
    EXPECT_EQ(m.count(), 6);
    EXPECT_FALSE(m.contains("NAO_EXISTE"));
    EXPECT_EQ(TMessages::format("%s de %s (%s)", {"1", "2"}), "1 de 2 (%s)");
    EXPECT_EQ(msgMensagensPadroes().Msg("ConfExcl"), "Confirma a exclusão do registro?");

    // Files add to what is there; a missing one is named.
    QTemporaryDir dir;
    ASSERT_TRUE(writeFile(dir.filePath("cat.txt"), "A|Ação\r\nB|Bê\r\n"));
    m.loadFromFile(dir.filePath("cat.txt"));
    EXPECT_EQ(m.Msg("a") + m.Msg("B") + QString::number(m.count()), "AçãoBê8");
    EXPECT_TRUE(userErrorOf([&] { m.loadFromFile(dir.filePath("nada.txt")); }).contains("nada.txt"));
}

TEST(Messages, ShowMsgReturnsTheButtonPressed) {
    const TMessages m = TMessages::fromText("Canc|Cancelar operação?\nVENC_ACE|Vencimento próximo\nConfirma|Confirma\nCancela|Cancela");
    ScriptedDialogs dialogs;
    ScriptedDialogs::Scope scope(dialogs);
    for (bool answer : {true, false}) dialogs.expectConfirm(answer);
    EXPECT_EQ(QList<int>({m.ShowMsg("canc", DialogType::Confirmation, mbYes | mbNo, 0),
                          m.ShowMsg("Canc", DialogType::Confirmation, mbYes | mbNo, 0)}), QList<int>({mrYes, mrNo}));
    ASSERT_EQ(dialogs.shown().size(), 2u);
    EXPECT_EQ(dialogs.shown()[0].text, "Cancelar operação?");
    EXPECT_TRUE(dialogs.shown()[0].type == DialogType::Confirmation && dialogs.shown()[0].buttonSet == DialogButtons(mbYes | mbNo));

    for (int answer : {0, 1, -1}) dialogs.expectAlert(answer);
    QList<int> pressed;
    for (int i = 0; i < 3; ++i) pressed << m.ShowMsgAlert("VENC_ACE", DialogType::Information, {"Confirma", "Cancela"}, 0);
    EXPECT_EQ(pressed, QList<int>({10, mrSecond, mrNone}));
    EXPECT_EQ(dialogs.shown().back().buttons, (QStringList{"Confirma", "Cancela"}));
    EXPECT_EQ(dialogs.questions().size(), 5);
}

// Every key the desktop's code looks up with a literal exists in a catalogue: a key spelled
// wrong or an entry never written would show the key's own name to the user. The shapes are
// the lookups (Msg, ShowMsg, ShowMsgAlert and its buttons), the helpers that refuse with a
// key (fail, refuse, failOnVersion, msg), keys chosen into a `key` variable, and the
// report's labels (R_...), which must be in the report's own catalogue.
TEST(Messages, EveryKeyTheCodeUsesIsInACatalogue) {
    const QDir root(QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/../.."));
    TMessages all = msgMensagensPadroes();
    TMessages report;
    QDirIterator catalogues(root.path(), {QStringLiteral("*_messages.txt")}, QDir::Files, QDirIterator::Subdirectories);
    int catalogueCount = 0;
    while (catalogues.hasNext()) {
        const QString path = catalogues.next();
        if (path.contains(QStringLiteral("/build"))) continue;
        all.loadFromFile(path);
        if (path.endsWith(QStringLiteral("dialogs/cot05001_messages.txt"))) report.loadFromFile(path);
        ++catalogueCount;
    }
    ASSERT_GE(catalogueCount, 9);
    ASSERT_GT(report.count(), 0);

    const QString key = QStringLiteral(R"re((?:QStringLiteral\(\s*)?"([A-Za-z][A-Za-z0-9_]*)")re");
    const QList<QRegularExpression> lookups{
        QRegularExpression(QStringLiteral(R"re(\b(?:Msg|ShowMsg|ShowMsgAlert)\(\s*)re") + key),
        QRegularExpression(QStringLiteral(R"re(\b(?:fail|refuse|failOnVersion|msg)\((?:[^;"()]|\([^()"]*\))*?)re") + key),
        QRegularExpression(QStringLiteral(R"re(\bkey\s*=\s*)re") + key),
        QRegularExpression(QStringLiteral(R"re(\bkey\s*=\s*[^;]*?[=?:]\s*)re") + key),
        QRegularExpression(QStringLiteral(R"re(\{\s*)re") + key + QStringLiteral(R"re(\s*,\s*)re") + key +
                           QStringLiteral(R"re(\s*\}\)\s*!=)re"))};
    static const QRegularExpression reportLabel(QStringLiteral(R"re("(R_[A-Z0-9_]*[A-Z0-9])")re"));

    int used = 0;
    QStringList missing;
    // The report's labels are looked up by its printed layout, with the kernel's renderer.
    for (const char* folder : {"proposal", "dialogs", "approval", "host", "kernel/data"}) {
        QDirIterator sources(root.filePath(QString::fromLatin1(folder)), {QStringLiteral("*.cpp")}, QDir::Files,
                             QDirIterator::Subdirectories);
        while (sources.hasNext()) {
            QFile file(sources.next());
            const bool printed = file.fileName().endsWith(QStringLiteral("/proposal_html_printed.cpp"));
            if (QLatin1String(folder) == QLatin1String("kernel/data") && !printed) continue;
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
            const QString code = QString::fromUtf8(file.readAll());
            const QString where = root.relativeFilePath(file.fileName());
            const auto check = [&](const QRegularExpression& shape, const TMessages& catalogue) {
                for (auto it = shape.globalMatch(code); it.hasNext();) {
                    const QRegularExpressionMatch m = it.next();
                    for (int g = 1; g <= m.lastCapturedIndex(); ++g) {
                        ++used;
                        if (!catalogue.contains(m.captured(g))) missing << where + QStringLiteral(": ") + m.captured(g);
                    }
                }
            };
            for (const QRegularExpression& shape : lookups) check(shape, all);
            if (where.startsWith(QStringLiteral("dialogs/report/")) || printed) check(reportLabel, report);
        }
    }
    EXPECT_GT(used, 200) << "the lookups were not found: have their shapes changed?";
    EXPECT_TRUE(missing.isEmpty()) << missing.join(u'\n').toStdString();
}
