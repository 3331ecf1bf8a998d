// The operator's "Alterar senha" dialog, shown as the shell shows it (through the modal
// runner): what it refuses before asking the server and the server's refusal it shows,
// keeping what was typed. A change that goes through: tests/e2e/test_shell_password.cpp.
#include <QLineEdit>
#include <gtest/gtest.h>

#include "screens/change_password_dialog.h"
#include "support/screen_fixture.h"
#include "ui/modal_runner.h"

using namespace cot;
using namespace cot::testing;

namespace {

struct Typed {
    QString current, wanted, repeated;
};

class ChangePasswordDialog : public ScreenFixture {
protected:
    QString storedHash() {
        return testServer().db().scalar("SELECT DSHASHSENHA FROM OPERADOR WHERE CDOPERADOR = 'VENDEDOR'").toString();
    }

    // Opens the dialog, types `typed`, confirms; `check` looks at the dialog still shown.
    int confirm(const Typed& typed, const std::function<void(TfrmAlteraSenha&)>& check = {}) {
        TfrmAlteraSenha dlg;
        runner.expect(
            [&](QWidget&) {
                type(dlg, "edtSenhaAtual", typed.current);
                type(dlg, "edtSenhaNova", typed.wanted);
                type(dlg, "edtSenhaRepete", typed.repeated);
                click(dlg, "sbtConfirma");
                if (check) check(dlg);
            },
            "frmAlteraSenha");
        return dlg.ShowModal();
    }
};

TEST_F(ChangePasswordDialog, WhatNeedsNoServerIsRefusedHereWithTheEntriesKept) {
    const QString before = storedHash();
    const struct {
        Typed typed;
        QString message;
        const char* focused;
    } cases[] = {
        {{"", "nova senha boa", "nova senha boa"}, "Senha atual deve ser informada.", "edtSenhaAtual"},
        {{"vendedor", "curta", "curta"}, "A senha deve ter ao menos 8 caracteres.", "edtSenhaNova"},
        {{"vendedor", "nova senha boa", "nova senha bo"}, "As senhas não conferem.", "edtSenhaRepete"},
        {{"vendedor", "vendedor", "vendedor"}, "A nova senha deve ser diferente da atual.", "edtSenhaNova"},
    };
    for (const auto& c : cases) {
        dialogs.clearShown();
        const int result = confirm(c.typed, [&](TfrmAlteraSenha& dlg) {
            EXPECT_TRUE(dlg.isVisible()) << "stays open";
            EXPECT_EQ(dlg.edtSenhaAtual->text(), c.typed.current);
            EXPECT_EQ(dlg.edtSenhaNova->text(), c.typed.wanted);
            EXPECT_EQ(dlg.edtSenhaRepete->text(), c.typed.repeated);
            EXPECT_EQ(dlg.focusWidget() ? dlg.focusWidget()->objectName() : QString(), QString(c.focused));
        });
        EXPECT_NE(result, mrOk);
        EXPECT_EQ(dialogs.errors(), QStringList{c.message});
    }
    EXPECT_EQ(storedHash(), before);
}

TEST_F(ChangePasswordDialog, TheServersRefusalIsShownAndOnlyTheCurrentPasswordIsCleared) {
    const QString before = storedHash();
    confirm({"errada", "nova senha boa", "nova senha boa"}, [&](TfrmAlteraSenha& dlg) {
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(dlg.edtSenhaAtual->text(), QString());
        EXPECT_TRUE(focused(*dlg.edtSenhaAtual));
        EXPECT_EQ(dlg.edtSenhaNova->text(), QString("nova senha boa"));
        EXPECT_EQ(dlg.edtSenhaRepete->text(), QString("nova senha boa"));
    });
    EXPECT_EQ(dialogs.errors(), QStringList{"Senha atual incorreta."});
    EXPECT_EQ(storedHash(), before);
}

}  // namespace
