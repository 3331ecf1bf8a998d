#include "server/auth/sign_in_methods.h"

#include <QJsonArray>
#include <QJsonObject>

#include "server/auth/password_gate.h"
#include "server/auth/password_hash.h"
#include "server/auth/password_methods.h"
#include "server/auth/session_store.h"
#include "server/auth/sign_in_throttle.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"
#include "services/consiste.h"

namespace cot::server {

namespace {

const QString kInvalid = QStringLiteral("Operador ou senha inválidos.");

struct OperatorRow {
    QString name;
    QString status;
    QString hash;
};

std::optional<OperatorRow> readOperator(Database& db, const QString& code) {
    const Packet p = db.query(
        QStringLiteral("SELECT NMOPERADOR, IDOPERATIVO, DSHASHSENHA FROM OPERADOR WHERE CDOPERADOR = :OP"),
        {{"OP", code}},
        {{QStringLiteral("NMOPERADOR"), FieldType::String, 40},
         {QStringLiteral("IDOPERATIVO"), FieldType::String, 1},
         {QStringLiteral("DSHASHSENHA"), FieldType::String, 200}});
    if (p.isEmpty()) return std::nullopt;
    return OperatorRow{p.value(0, QStringLiteral("NMOPERADOR")).toString().trimmed(),
                       p.value(0, QStringLiteral("IDOPERATIVO")).toString().trimmed(),
                       p.value(0, QStringLiteral("DSHASHSENHA")).toString()};
}

QJsonArray branchesOf(Database& db, const QString& code) {
    QJsonArray out;
    const Packet p = db.query(QStringLiteral("SELECT O.CDFILIAL, F.NMFILIAL FROM OPERFILI O, FILIAL F "
                                             "WHERE O.CDOPERADOR = :OP AND F.CDFILIAL = O.CDFILIAL ORDER BY O.CDFILIAL"),
                              {{"OP", code}},
                              {{QStringLiteral("CDFILIAL"), FieldType::String, 4},
                               {QStringLiteral("NMFILIAL"), FieldType::String, 40}});
    for (int r = 0; r < p.rows.size(); ++r)
        out.append(QJsonObject{{"filial", p.value(r, QStringLiteral("CDFILIAL")).toString().trimmed()},
                               {"nome", p.value(r, QStringLiteral("NMFILIAL")).toString().trimmed()}});
    return out;
}

QString chooseBranch(const QJsonArray& branches, const QString& wanted, const QString& code) {
    if (branches.isEmpty()) throw MethodError(QStringLiteral("Operador %1 não tem filial cadastrada.").arg(code));
    if (wanted.trimmed().isEmpty()) return branches.first().toObject().value("filial").toString();
    const QString branch = Consiste::Ajusta(wanted.trimmed(), 4);
    for (const auto& b : branches)
        if (b.toObject().value("filial").toString() == branch) return branch;
    throw MethodError(QStringLiteral("Filial %1 não permitida para o operador %2.").arg(branch, code));
}

// Replaces an older stored form by today's, unless it changed meanwhile. The stored hash
// after it, which the new session is tied to: when a sign-in at the same time upgraded it
// first (the same password under another salt), the form it stored; when the password was
// changed meanwhile, the form this sign-in checked, whose sessions the change has ended.
QString upgradeHash(Database& db, const QString& code, const QString& oldHash, const QString& password) {
    const QString newHash = hashPassword(password);
    const int changed =
        db.exec(QStringLiteral("UPDATE OPERADOR SET DSHASHSENHA = :NEW WHERE CDOPERADOR = :OP AND DSHASHSENHA = :OLD"),
                {{"NEW", newHash}, {"OP", code}, {"OLD", oldHash}});
    if (changed > 0) return newHash;
    const QString stored =
        db.scalar(QStringLiteral("SELECT DSHASHSENHA FROM OPERADOR WHERE CDOPERADOR = :OP"), {{"OP", code}}).toString();
    return checkPassword(stored, password).matches ? stored : oldHash;
}

Reply abreSessao(MethodContext& ctx, const Args& args, const SessionLimits& limits) {
    const QString code = args.string(0).trimmed().toUpper();
    const QString password = args.string(1);
    if (code.isEmpty()) throw MethodError(QStringLiteral("Operador deve ser informado."));
    // A place among the checks running first: a busy server refuses without counting a try.
    const PasswordGate::Pass pass = PasswordGate::server().enter();
    // Counted before the slow check, for registered codes and others alike: neither the
    // answer nor its delay tells them apart, and parallel guesses get no more than the
    // allowance checked.
    signin_throttle::reserveAttempt(ctx.db, code, ctx.clientAddress);
    const std::optional<OperatorRow> row = readOperator(ctx.db, code);
    PasswordCheck check;
    if (row)
        check = checkPassword(row->hash, password);
    else
        spendCheckTime(password);
    if (!check.matches) throw MethodError(kInvalid);
    signin_throttle::forgetFailures(ctx.db, code, ctx.clientAddress);
    // Told only to whoever knows the password.
    if (row->status != QLatin1String("A")) throw MethodError(QStringLiteral("Operador %1 está inativo.").arg(code));
    const QJsonArray branches = branchesOf(ctx.db, code);
    const QString branch = chooseBranch(branches, args.size() > 2 ? args.string(2) : QString(), code);

    const QString hash = check.needsUpgrade ? upgradeHash(ctx.db, code, row->hash, password) : row->hash;
    const OpenedSession session = sessions::open(ctx.db, code, limits, hash);
    return QJsonObject{{"token", QString::fromLatin1(session.token)},
                       {"operador", code},
                       {"nome", row->name},
                       {"filial", branch},
                       {"filiais", branches},
                       {"expira", session.expires.toString(Qt::ISODate)}};
}

Reply fechaSessao(MethodContext& ctx, const Args&) {
    sessions::close(ctx.db, ctx.token);
    return QJsonValue();
}

}  // namespace

void registerSignInMethods(MethodRegistry& registry, const SessionLimits& limits) {
    registry.add(QStringLiteral("AbreSessao"), 2, 3, AccessRule::open(),
                     [limits](MethodContext& ctx, const Args& args) { return abreSessao(ctx, args, limits); });
    registry.add(QStringLiteral("FechaSessao"), 0, AccessRule::session(), fechaSessao);
    registerPasswordMethods(registry);
}

}  // namespace cot::server
