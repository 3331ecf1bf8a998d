#pragma once
#include <QList>
#include <QString>

#include "roti_geral.h"

class QComboBox;
class QLineEdit;

namespace cot {

// Stored operator passwords (OPERADOR.DSHASHSENHA):
//   "sha256:<salt>:<hex of SHA-256(salt + password)>"   (UTF-8)
// A malformed stored value never matches.
bool verifyPassword(const QString& stored, const QString& password);
QString hashPassword(const QString& salt, const QString& password);

struct BranchInfo {
    QString code;
    QString name;
};

// Sign-in against the host database (HostDatabase must be open). Errors are UserErrors
// with the text the user sees; a wrong code and a wrong password read the same.
namespace SignIn {
// Branches the operator may work in, in code order.
QList<BranchInfo> operatorBranches(const QString& operatorCode);
// Checks code and password; `branch` empty takes the operator's first branch. On success
// the session (Veltrano) holds the operator, the name and the branch, and the desktop's
// clock follows the session's server (ServerDate), when it can be reached.
void signIn(const QString& operatorCode, const QString& password, const QString& branch);
}  // namespace SignIn

// Sign-in dialog: operator (`edtOperador`), password (`edtSenha`), branch (`cbbFilial`,
// filled when the operator is left) and the server address (`edtServidor`, HOST:PORTA).
class TfrmLogin : public TfrmRotiGeral {
    Q_OBJECT
public:
    explicit TfrmLogin(QWidget* parent = nullptr);

    void setOperator(const QString& code);
    void setServer(const QString& host, int port);
    QString serverHost() const;
    int serverPort() const;
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
