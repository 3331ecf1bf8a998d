#include "sign_in.h"

#include <QApplication>
#include <QComboBox>
#include <QDebug>
#include <QFormLayout>
#include <QLineEdit>

#include "rpc/net_connection.h"
#include "rpc/protocol_check.h"
#include "rpc/rpc_channel.h"
#include "services/consiste.h"
#include "base/errors.h"
#include "services/local_query.h"
#include "services/server_date.h"
#include "services/session.h"
#include "ui/buttons.h"

namespace cot {

namespace SignIn {

QList<BranchInfo> operatorBranches(const QString& operatorCode) {
    TADOIBQuery q;
    q.addSql("SELECT O.CDFILIAL, F.NMFILIAL");
    q.addSql("  FROM OPERFILI O, FILIAL F");
    q.addSql(" WHERE O.CDOPERADOR = :P_CDOPERADOR");
    q.addSql("   AND F.CDFILIAL = O.CDFILIAL");
    q.addSql(" ORDER BY O.CDFILIAL");
    q.setParam("P_CDOPERADOR", operatorCode.trimmed().toUpper());
    q.open();
    QList<BranchInfo> out;
    for (q.first(); !q.eof(); q.next())
        out << BranchInfo{q.fieldByName("CDFILIAL").asString(), q.fieldByName("NMFILIAL").asString()};
    return out;
}

void signIn(const QString& operatorCode, const QString& password, const QString& branch) {
    const QString code = operatorCode.trimmed().toUpper();
    if (code.isEmpty()) throw UserError(QStringLiteral("Operador deve ser informado."));
    Session& session = Session::instance();
    NetConnection net;
    net.setHost(session.serverHost());
    net.setPort(session.serverPort());
    // Before the password goes anywhere: a server that speaks another protocol would
    // misread what this desktop sends, or be misread.
    if (!net.connect()) throw UserError(net.lastError());
    const QString refusal = protocolRefusal(
        net.serverHealth(), QStringLiteral("%1:%2").arg(session.serverHost()).arg(session.serverPort()));
    if (!refusal.isEmpty()) throw UserError(refusal);
    const RpcResult result = net.call(QStringLiteral("AbreSessao"), {code, password, branch.trimmed()});
    if (!result.ok) throw UserError(result.error);
    const QVariantMap opened = result.value.toMap();
    const QByteArray token = opened.value(QStringLiteral("token")).toString().toLatin1();
    if (token.isEmpty())
        throw UserError(QStringLiteral("Resposta inválida do servidor de aplicação em %1:%2.")
                            .arg(session.serverHost())
                            .arg(session.serverPort()));
    session.setOperator(code, opened.value(QStringLiteral("nome")).toString());
    session.setBranch(opened.value(QStringLiteral("filial")).toString());
    session.setToken(token);
    // The desktop's "today" is the server's from here on. A failure to read it does not
    // stop the sign-in (every screen reports that itself); the local clock goes on.
    const QString failure = ServerDate::synchroniseWithSession();
    if (!failure.isEmpty()) qWarning().noquote() << "data do servidor não lida:" << failure;
}

void signOut() {
    Session& session = Session::instance();
    if (!session.signedIn()) return;
    NetConnection net;
    net.setHost(session.serverHost());
    net.setPort(session.serverPort());
    net.setReadTimeout(5);
    net.setToken(rpc_channel::sessionToken());  // an ended session is not renewed just to end it
    const RpcResult result = net.call(QStringLiteral("FechaSessao"));
    if (!result.ok) qWarning().noquote() << "sessão não encerrada no servidor:" << result.error;
    session.setToken({});
}

}  // namespace SignIn

TfrmLogin::TfrmLogin(QWidget* parent)
    : TfrmRotiGeral(QString(), QStringLiteral("Entrada no Sistema"), parent) {
    setObjectName("frmLogin");
    auto* form = new QFormLayout(panPrincipal);
    edtOperador = new QLineEdit(panPrincipal);
    edtOperador->setObjectName("edtOperador");
    edtOperador->setMaxLength(12);
    edtSenha = new QLineEdit(panPrincipal);
    edtSenha->setObjectName("edtSenha");
    edtSenha->setEchoMode(QLineEdit::Password);
    cbbFilial = new QComboBox(panPrincipal);
    cbbFilial->setObjectName("cbbFilial");
    edtServidor = new QLineEdit(panPrincipal);
    edtServidor->setObjectName("edtServidor");
    // Alt+letter reaches each field and button: the buttons take no focus, so their
    // mnemonics are the keyboard's way to them.
    form->addRow(QStringLiteral("&Operador:"), edtOperador);
    form->addRow(QStringLiteral("&Senha:"), edtSenha);
    form->addRow(QStringLiteral("&Filial:"), cbbFilial);
    form->addRow(QStringLiteral("Ser&vidor:"), edtServidor);
    sbtConfirma->setText(QStringLiteral("&Entrar"));
    sbtCancel->setText(QStringLiteral("&Cancelar"));
    connect(edtOperador, &QLineEdit::editingFinished, this, [this] { runHandler([this] { loadBranches(); }); });
}

void TfrmLogin::FormKeyDown(int& key, Qt::KeyboardModifiers modifiers) {
    // Enter is the dialog's default: it signs in, except on a bare operator code, where it
    // goes on to the password as the other screens' Enter does.
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (enter && !(modifiers & (Qt::ControlModifier | Qt::AltModifier)) &&
        !widgetUsesEnter(QApplication::focusWidget()) &&
        !(edtOperador->hasFocus() && edtSenha->text().isEmpty())) {
        key = 0;
        sbtConfirmaClick();
        return;
    }
    TfrmRotiGeral::FormKeyDown(key, modifiers);
}

void TfrmLogin::setOperator(const QString& code) {
    edtOperador->setText(code);
    runHandler([this] { loadBranches(); });
}

void TfrmLogin::renewSession() {
    setOperator(Session::instance().operatorCode());
    edtOperador->setReadOnly(true);
    const int branch = cbbFilial->findData(Session::instance().branch());
    if (branch >= 0) cbbFilial->setCurrentIndex(branch);
    setServer(Session::instance().serverHost(), Session::instance().serverPort());
    setWindowTitle(QStringLiteral("Sessão encerrada: entre de novo para continuar"));
    edtSenha->setFocus();
}

void TfrmLogin::setServer(const QString& host, int port) {
    edtServidor->setText(QStringLiteral("%1:%2").arg(host).arg(port));
}

QString TfrmLogin::serverHost() const {
    const QString text = edtServidor->text().trimmed();
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    return colon > 0 ? text.left(colon) : text;
}

int TfrmLogin::serverPort() const {
    const QString text = edtServidor->text().trimmed();
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    bool ok = false;
    const int port = colon > 0 ? text.mid(colon + 1).toInt(&ok) : 0;
    return ok && port > 0 && port <= 65535 ? port : 0;
}

void TfrmLogin::loadBranches() {
    const QString code = edtOperador->text().trimmed().toUpper();
    if (code == branchesFor_) return;
    branchesFor_ = code;
    const QString previous = cbbFilial->currentData().toString();
    cbbFilial->clear();
    if (code.isEmpty()) return;
    for (const BranchInfo& b : SignIn::operatorBranches(code))
        cbbFilial->addItem(QStringLiteral("%1 - %2").arg(b.code, b.name), b.code);
    const int keep = cbbFilial->findData(previous);
    if (keep >= 0) cbbFilial->setCurrentIndex(keep);
}

void TfrmLogin::sbtConfirmaClick() {
    if (serverHost().isEmpty() || serverPort() == 0) {
        edtServidor->setFocus();
        Consiste::MensErro(QStringLiteral("Servidor deve ser informado como HOST:PORTA."));
    }
    loadBranches();
    // The server first: the sign-in reads its date.
    Session::instance().setServer(serverHost(), serverPort());
    try {
        SignIn::signIn(edtOperador->text(), edtSenha->text(), cbbFilial->currentData().toString());
    } catch (const UserError& e) {
        edtSenha->clear();
        edtSenha->setFocus();
        Consiste::MensErro(e.text());
    }
    closeWith(mrOk);
}

}  // namespace cot
