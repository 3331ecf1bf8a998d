#include "change_password_dialog.h"

#include <QFormLayout>
#include <QLineEdit>

#include "base/dialogs.h"
#include "base/errors.h"
#include "base/password_rules.h"
#include "rpc/net_connection.h"
#include "services/consiste.h"
#include "services/session.h"
#include "ui/buttons.h"

namespace cot {

namespace {

QLineEdit* passwordEdit(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setEchoMode(QLineEdit::Password);
    return edit;
}

// Puts the cursor on the field at fault and shows why (Abort: the dialog stays open).
[[noreturn]] void refuse(QLineEdit* field, const QString& text) {
    field->setFocus();
    Consiste::MensErro(text);
    throw Abort();  // MensErro aborts; this keeps the compiler sure of it
}

}  // namespace

TfrmAlteraSenha::TfrmAlteraSenha(QWidget* parent)
    : TfrmRotiGeral(QString(), QStringLiteral("Alterar senha"), parent) {
    setObjectName("frmAlteraSenha");
    auto* form = new QFormLayout(panPrincipal);
    edtSenhaAtual = passwordEdit("edtSenhaAtual", panPrincipal);
    edtSenhaNova = passwordEdit("edtSenhaNova", panPrincipal);
    edtSenhaRepete = passwordEdit("edtSenhaRepete", panPrincipal);
    form->addRow(QStringLiteral("Senha &atual:"), edtSenhaAtual);
    form->addRow(QStringLiteral("&Nova senha:"), edtSenhaNova);
    form->addRow(QStringLiteral("&Repita a nova senha:"), edtSenhaRepete);
    sbtConfirma->setText(QStringLiteral("&OK"));
    sbtCancel->setText(QStringLiteral("&Cancelar"));
}

void TfrmAlteraSenha::FormKeyDown(int& key, Qt::KeyboardModifiers modifiers) {
    // Enter on the last field confirms; elsewhere it moves on, as in every dialog.
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (enter && !(modifiers & (Qt::ControlModifier | Qt::AltModifier)) && edtSenhaRepete->hasFocus()) {
        key = 0;
        sbtConfirmaClick();
        return;
    }
    TfrmRotiGeral::FormKeyDown(key, modifiers);
}

void TfrmAlteraSenha::sbtConfirmaClick() {
    const QString current = edtSenhaAtual->text();
    const QString wanted = edtSenhaNova->text();
    if (current.isEmpty()) refuse(edtSenhaAtual, QStringLiteral("Senha atual deve ser informada."));
    if (const QString why = password_rules::breach(wanted); !why.isEmpty()) refuse(edtSenhaNova, why);
    if (edtSenhaRepete->text() != wanted) refuse(edtSenhaRepete, QStringLiteral("As senhas não conferem."));
    if (wanted == current) refuse(edtSenhaNova, QStringLiteral("A nova senha deve ser diferente da atual."));

    NetConnection net;
    net.setHost(Session::instance().serverHost());
    net.setPort(Session::instance().serverPort());
    const RpcResult result = net.call(QStringLiteral("AlteraSenha"), {current, wanted});
    if (!result.ok) {
        // The server's refusals are about the current password (wrong, or too many tries);
        // a server out of reach says nothing about it.
        if (result.code != RpcResult::kConnectionFailed) edtSenhaAtual->clear();
        refuse(edtSenhaAtual, result.error);
    }
    Dialogs::current().information(QStringLiteral("Senha alterada."));
    closeWith(mrOk);
}

}  // namespace cot
