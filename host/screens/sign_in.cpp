#include "sign_in.h"

#include <QComboBox>
#include <QCryptographicHash>
#include <QDebug>
#include <QFormLayout>
#include <QLineEdit>

#include "services/consiste.h"
#include "base/errors.h"
#include "services/local_query.h"
#include "services/server_date.h"
#include "services/veltrano.h"
#include "ui/buttons.h"

namespace cot {

QString hashPassword(const QString& salt, const QString& password) {
    const QByteArray digest = QCryptographicHash::hash((salt + password).toUtf8(), QCryptographicHash::Sha256);
    return QStringLiteral("sha256:%1:%2").arg(salt, QString::fromLatin1(digest.toHex()));
}

bool verifyPassword(const QString& stored, const QString& password) {
    const QStringList parts = stored.trimmed().split(QLatin1Char(':'));
    if (parts.size() != 3 || parts[0].compare(QLatin1String("sha256"), Qt::CaseInsensitive) != 0 || parts[2].size() != 64)
        return false;
    const QByteArray expected = parts[2].toLower().toLatin1();
    const QByteArray actual =
        QCryptographicHash::hash((parts[1] + password).toUtf8(), QCryptographicHash::Sha256).toHex();
    // Every character is compared whatever the first difference, so timing tells nothing.
    unsigned char diff = 0;
    for (int i = 0; i < 64; ++i) diff |= static_cast<unsigned char>(expected[i] ^ actual[i]);
    return diff == 0;
}

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
    TADOIBQuery q;
    q.addSql("SELECT CDOPERADOR, NMOPERADOR, IDOPERATIVO, DSHASHSENHA FROM OPERADOR");
    q.addSql(" WHERE CDOPERADOR = :P_CDOPERADOR");
    q.setParam("P_CDOPERADOR", code);
    q.open();
    if (q.isEmpty() || !verifyPassword(q.fieldByName("DSHASHSENHA").asString(), password))
        throw UserError(QStringLiteral("Operador ou senha inválidos."));
    if (q.fieldByName("IDOPERATIVO").asString() != QLatin1String("A"))
        throw UserError(QStringLiteral("Operador %1 está inativo.").arg(code));
    const QString name = q.fieldByName("NMOPERADOR").asString();

    const QList<BranchInfo> branches = operatorBranches(code);
    if (branches.isEmpty()) throw UserError(QStringLiteral("Operador %1 não tem filial cadastrada.").arg(code));
    QString chosen = branches.first().code;
    if (!branch.trimmed().isEmpty()) {
        const QString wanted = Consiste::Ajusta(branch, 4);
        const bool allowed = std::any_of(branches.begin(), branches.end(), [&](const BranchInfo& b) { return b.code == wanted; });
        if (!allowed) throw UserError(QStringLiteral("Filial %1 não permitida para o operador %2.").arg(wanted, code));
        chosen = wanted;
    }
    Session::instance().setOperator(code, name);
    Session::instance().setBranch(chosen);
    // The desktop's "today" is the server's from here on. A server out of reach does not
    // stop the sign-in (every screen reports that itself); the local clock goes on.
    const QString failure = ServerDate::synchroniseWithSession();
    if (!failure.isEmpty()) qWarning().noquote() << "data do servidor não lida:" << failure;
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
    form->addRow(QStringLiteral("Operador:"), edtOperador);
    form->addRow(QStringLiteral("Senha:"), edtSenha);
    form->addRow(QStringLiteral("Filial:"), cbbFilial);
    form->addRow(QStringLiteral("Servidor:"), edtServidor);
    sbtConfirma->setText(QStringLiteral("Entrar"));
    connect(edtOperador, &QLineEdit::editingFinished, this, [this] { runHandler([this] { loadBranches(); }); });
}

void TfrmLogin::setOperator(const QString& code) {
    edtOperador->setText(code);
    runHandler([this] { loadBranches(); });
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
