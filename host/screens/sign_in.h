#pragma once
#include <QList>
#include <QString>

#include "roti_geral.h"

class QComboBox;
class QLineEdit;

namespace cot {

struct BranchInfo {
    QString code;
    QString name;
};

// Sign-in through the application server, which alone checks passwords. Errors are
// UserErrors with the text the user sees; a wrong code and a wrong password read the same.
namespace SignIn {
// Branches the operator may work in, in code order (a host query: HostDatabase open).
QList<BranchInfo> operatorBranches(const QString& operatorCode);
// Opens a session on the session's server (Session::setServer first), once the server is
// known to speak this desktop's protocol (protocolRefusal); `branch` empty takes
// the operator's first branch. On success the session (Session) holds the operator, the
// name, the branch and the server's token, and the desktop's clock follows the server's
// (ServerDate).
void signIn(const QString& operatorCode, const QString& password, const QString& branch);
// Ends the session on the server (when it can be reached) and forgets the token.
void signOut();
}  // namespace SignIn

// Sign-in dialog: operator (`edtOperador`), password (`edtSenha`), branch (`cbbFilial`,
// filled when the operator is left) and the server address (`edtServidor`, HOST:PORTA).
class TfrmLogin : public TfrmRotiGeral {
    Q_OBJECT
public:
    explicit TfrmLogin(QWidget* parent = nullptr);

    void setOperator(const QString& code);
    // For a session that ended while working: the same operator, branch and server, only the
    // password to type; what was being done goes on once it is accepted.
    void renewSession();
    void setServer(const QString& host, int port);
    QString serverHost() const;
    int serverPort() const;
    void FormKeyDown(int& key, Qt::KeyboardModifiers modifiers) override;
    void sbtConfirmaClick() override;  // checks; on failure the dialog stays open with the entries
    void loadBranches();

    QLineEdit* edtOperador;
    QLineEdit* edtSenha;
    QComboBox* cbbFilial;
    QLineEdit* edtServidor;

private:
    QString branchesFor_;
};

}  // namespace cot
