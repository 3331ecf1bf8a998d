#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "data/client_table.h"
#include "support/scripted_dialogs.h"

using namespace cot;

// Other tests trust this double to fail loudly instead of blocking or guessing.
TEST(ScriptedDialogs, UnexpectedQuestionsFailAndGetHarmlessAnswers) {
    ScriptedDialogs dialogs;
    ScriptedDialogs::Scope scope(dialogs);
    int answer = -99;
    EXPECT_NONFATAL_FAILURE(answer = Dialogs::current().messageDlg("Excluir?", DialogType::Confirmation, mbYes | mbNo),
                            "no scripted answer: \"Excluir?\"");
    EXPECT_EQ(answer, mrNo);
    EXPECT_NONFATAL_FAILURE(answer = Dialogs::current().alert("Vence", DialogType::Information, {"A", "B"}),
                            "unexpected alert");
    EXPECT_EQ(answer, -1);
    QStringList files{"x"};
    EXPECT_NONFATAL_FAILURE(files = Dialogs::current().openFiles("Anexar", "*.*", true), "openFiles");
    EXPECT_TRUE(files.isEmpty());

    // an answer of another kind is not consumed by the wrong question
    dialogs.expectFolder("/tmp");
    EXPECT_NONFATAL_FAILURE(Dialogs::current().messageDlg("Sair?", DialogType::Confirmation, mbYes | mbNo),
                            "scripted answer is for chooseFolder");
    EXPECT_EQ(Dialogs::current().chooseFolder("Pasta", "c:\\", true), "/tmp");
    EXPECT_EQ(dialogs.pendingAnswers(), 0);
}

TEST(ScriptedDialogs, AnswersInOrderAndRecordsEverything) {
    ScriptedDialogs dialogs;
    {
        ScriptedDialogs::Scope scope(dialogs);
        EXPECT_EQ(&Dialogs::current(), &dialogs);
        dialogs.expectConfirm(true);
        dialogs.expectMessageDlg(mrOk);
        dialogs.expectAlert(1);
        dialogs.expectPickMany("'A','B'");
        Dialogs::current().error("Erro 1");
        EXPECT_EQ(Dialogs::current().messageDlg("Q1", DialogType::Confirmation, mbYes | mbNo), mrYes);
        Dialogs::current().information("Info");
        EXPECT_EQ(Dialogs::current().messageDlg("Q2", DialogType::Information, mbOK), mrOk);
        EXPECT_EQ(Dialogs::current().alert("Q3", DialogType::Warning, {"Confirma", "Cancela"}), 1);
        ClientTable clients("cdsCliente");
        EXPECT_EQ(Dialogs::current().pickMany(clients, "CDCLIENTE", "Clientes"), "'A','B'");
    }
    EXPECT_FALSE(Dialogs::installed());
    EXPECT_EQ(dialogs.errors() + dialogs.informations() + dialogs.questions(), (QStringList{"Erro 1", "Info", "Q1", "Q2", "Q3"}));
    EXPECT_EQ(dialogs.allTexts(), (QStringList{"Erro 1", "Q1", "Info", "Q2", "Q3", "Clientes"}));

    // answers left unasked are reported when the scope ends
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedDialogs::Scope scope(dialogs);
            dialogs.expectConfirm(true);
        },
        "never asked for");
}
