// The operator's own password.
//
//   AlteraSenha(senhaAtual, senhaNova) → null. The session's operator replaces his password.
//       The current one must be right: each try is counted as a failed sign-in of his name
//       from the caller's address before it is checked (sign_in_throttle), so a session
//       left open or stolen cannot be used to guess it faster than the sign-in allows; the
//       right one forgets those failures, as a sign-in does. The new one follows the
//       password rules (base/password_rules.h) and differs from the current one; it is
//       stored as Argon2id. Every other session of the operator ends; the calling one goes
//       on under the new password. Refused with nothing changed: "Senha atual incorreta.",
//       "Muitas tentativas sem sucesso. ...", the rules' text, "A nova senha deve ser
//       diferente da atual.", and a password changed meanwhile by other means.
#include "server/auth/password_methods.h"

#include "base/password_rules.h"
#include "server/auth/caller.h"
#include "server/auth/password_gate.h"
#include "server/auth/password_hash.h"
#include "server/auth/session_store.h"
#include "server/auth/sign_in_throttle.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"

namespace cot::server {

namespace {

QString storedHash(Database& db, const QString& code) {
    return db.scalar(QStringLiteral("SELECT DSHASHSENHA FROM OPERADOR WHERE CDOPERADOR = :OP"), {{"OP", code}})
        .toString();
}

Reply alteraSenha(MethodContext& ctx, const Args& args) {
    const QString code = ctx.caller().operatorCode();
    const QString current = args.string(0);
    const QString wanted = args.string(1);
    // Neither check needs the current password to be right, so neither counts as a try.
    if (const QString why = password_rules::breach(wanted); !why.isEmpty()) throw MethodError(why);
    if (wanted == current) throw MethodError(QStringLiteral("A nova senha deve ser diferente da atual."));

    const PasswordGate::Pass pass = PasswordGate::server().enter();
    signin_throttle::reserveAttempt(ctx.db, code, ctx.clientAddress);
    const QString oldHash = storedHash(ctx.db, code);
    if (!checkPassword(oldHash, current).matches) throw MethodError(QStringLiteral("Senha atual incorreta."));
    signin_throttle::forgetFailures(ctx.db, code, ctx.clientAddress);

    const QString newHash = hashPassword(wanted);
    Transaction tx(ctx.db);
    // Only over the password just checked: one changed meanwhile (the administrator, another
    // session of his) is not silently replaced.
    const int changed =
        ctx.db.exec(QStringLiteral("UPDATE OPERADOR SET DSHASHSENHA = :NEW WHERE CDOPERADOR = :OP AND DSHASHSENHA = :OLD"),
                    {{"NEW", newHash}, {"OP", code}, {"OLD", oldHash}});
    if (changed == 0)
        throw MethodError(QStringLiteral("A senha foi alterada por outro meio durante esta alteração. "
                                         "Entre no sistema novamente."));
    sessions::keepOnly(ctx.db, code, ctx.token, newHash);
    tx.commit();
    return QJsonValue();
}

}  // namespace

void registerPasswordMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("AlteraSenha"), 2, AccessRule::session(), alteraSenha);
}

}  // namespace cot::server
