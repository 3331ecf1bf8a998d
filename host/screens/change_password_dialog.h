#pragma once
#include "roti_geral.h"

class QLineEdit;

namespace cot {

// The signed-in operator's own password (the shell's "Sistema > Alterar senha..."):
// current (`edtSenhaAtual`), new (`edtSenhaNova`) and the new one again (`edtSenhaRepete`),
// none of them shown as typed. Confirming checks here what needs no server (the current one
// given, the two new ones equal, the password rules, new differs from current) and then
// asks the server (AlteraSenha) through the session's connection. On a refusal the dialog
// stays open with its message; a refusal of the server clears only the current password,
// the one it is about, and puts the cursor there. On success: "Senha alterada." and the
// dialog closes with mrOk; this session goes on, the operator's other sessions end.
class TfrmAlteraSenha : public TfrmRotiGeral {
    Q_OBJECT
public:
    explicit TfrmAlteraSenha(QWidget* parent = nullptr);

    void sbtConfirmaClick() override;
    void FormKeyDown(int& key, Qt::KeyboardModifiers modifiers) override;

    QLineEdit* edtSenhaAtual;
    QLineEdit* edtSenhaNova;
    QLineEdit* edtSenhaRepete;
};

}  // namespace cot
