#include "server/auth/password_admin.h"

#include "base/errors.h"
#include "base/password_rules.h"
#include "server/auth/password_hash.h"
#include "server/storage/database.h"

namespace cot::server {

void setOperatorPassword(Database& db, const QString& operatorCode, const QString& password) {
    const QString code = operatorCode.trimmed().toUpper();
    if (const QString why = password_rules::breach(password); !why.isEmpty()) throw UserError(why);
    const QString hash = hashPassword(password);
    Transaction tx(db);
    const int changed = db.exec(QStringLiteral("UPDATE OPERADOR SET DSHASHSENHA = :H WHERE CDOPERADOR = :OP"),
                                {{"H", hash}, {"OP", code}});
    if (changed == 0) throw UserError(QStringLiteral("Operador %1 não cadastrado.").arg(code));
    db.exec(QStringLiteral("DELETE FROM FALHAENTRADA WHERE CDOPERADOR = :OP"), {{"OP", code}});
    db.exec(QStringLiteral("DELETE FROM SESSAO WHERE CDOPERADOR = :OP"), {{"OP", code}});
    tx.commit();
}

}  // namespace cot::server
