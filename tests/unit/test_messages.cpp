#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "base/errors.h"
#include "services/messages.h"
#include "support/scripted_dialogs.h"

using namespace cot;

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

TEST(Messages, CatalogueFormatAndCaseInsensitiveKeys) {
    const TMessages m = TMessages::fromText(QString::fromUtf8(kCatalogue));
    EXPECT_EQ(m.Msg("IND1_INF"), "Índice 1 deve ser informado");
    EXPECT_EQ(m.Msg("ind1_inf"), "Índice 1 deve ser informado");
    EXPECT_TRUE(m.Msg("TIP_MANUT").contains("\"LU/Manutenção\""));
    EXPECT_EQ(m.Msg("DTVENC_ACE"), "Vencimento anterior a %s | verifique");
    EXPECT_EQ(m.Msg("DTVENC_ACE", {"05/01/2027"}), "Vencimento anterior a 05/01/2027 | verifique");
    EXPECT_EQ(m.Msg("Linhas"), "Primeira linha\nSegunda linha com \\n literal");
    EXPECT_EQ(m.Msg("espaco"), "  texto com espaços  ");
    EXPECT_EQ(m.Msg("DUP"), "segundo");
    EXPECT_EQ(m.count(), 6);
    // unknown keys never crash and show their own name
    EXPECT_FALSE(m.contains("NAO_EXISTE"));
    EXPECT_EQ(m.Msg("NAO_EXISTE"), "NAO_EXISTE");
    EXPECT_EQ(m.Msg(""), "");
    EXPECT_EQ(TMessages::format("%s de %s (%s)", {"1", "2"}), "1 de 2 (%s)");
}

TEST(Messages, LoadsFilesAndReportsMissingOnes) {
    QTemporaryDir dir;
    QFile f(dir.filePath("cat.txt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("A|Ação\r\nB|Bê\r\n");
    f.close();
    TMessages m;
    m.loadFromFile(f.fileName());
    EXPECT_EQ(m.Msg("a"), "Ação");
    EXPECT_EQ(m.Msg("B"), "Bê");
    try {
        m.loadFromFile(dir.filePath("nada.txt"));
        FAIL() << "missing file accepted";
    } catch (const UserError& e) {
        EXPECT_TRUE(e.text().contains("nada.txt"));
    }
    EXPECT_EQ(m.count(), 2);
}

TEST(Messages, ShowMsgReturnsTheButtonPressed) {
    const TMessages m = TMessages::fromText("Canc|Cancelar operação?\nVENC_ACE|Vencimento próximo\nConfirma|Confirma\nCancela|Cancela");
    ScriptedDialogs dialogs;
    ScriptedDialogs::Scope scope(dialogs);
    dialogs.expectConfirm(true);
    dialogs.expectConfirm(false);
    EXPECT_EQ(m.ShowMsg("canc", DialogType::Confirmation, mbYes | mbNo, 0), mrYes);
    EXPECT_EQ(m.ShowMsg("Canc", DialogType::Confirmation, mbYes | mbNo, 0), mrNo);
    ASSERT_EQ(dialogs.shown().size(), 2u);
    EXPECT_EQ(dialogs.shown()[0].text, "Cancelar operação?");
    EXPECT_EQ(dialogs.shown()[0].type, DialogType::Confirmation);
    EXPECT_EQ(dialogs.shown()[0].buttonSet, DialogButtons(mbYes | mbNo));

    dialogs.expectAlert(0);
    dialogs.expectAlert(1);
    dialogs.expectAlert(-1);
    EXPECT_EQ(m.ShowMsgAlert("VENC_ACE", DialogType::Information, {"Confirma", "Cancela"}, 0), 10);
    EXPECT_EQ(m.ShowMsgAlert("VENC_ACE", DialogType::Information, {"Confirma", "Cancela"}, 0), mrSecond);
    EXPECT_EQ(m.ShowMsgAlert("VENC_ACE", DialogType::Information, {"Confirma", "Cancela"}, 0), mrNone);
    EXPECT_EQ(dialogs.shown().back().buttons, (QStringList{"Confirma", "Cancela"}));
    EXPECT_EQ(dialogs.questions().size(), 5);
}

TEST(Messages, StandardCatalogue) {
    EXPECT_EQ(msgMensagensPadroes().Msg("CANC"), "Deseja cancelar as alterações?");
    EXPECT_EQ(msgMensagensPadroes().Msg("ConfExcl"), "Confirma a exclusão do registro?");
}
