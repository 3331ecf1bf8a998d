#include "server/methods/client_registration.h"

#include <QJsonArray>
#include <QJsonObject>

#include "base/clock.h"
#include "data/packet.h"
#include "server/auth/caller.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"
#include "server/storage/text_bounds.h"
#include "services/consiste.h"

namespace cot::server::acceptance {

namespace {

const char* const kNames[] = {"CDPROSPECT", "NRINSJURCLIE", "NMRAZSOCCLIE", "DSCOMPLCLIE",
                              "NMFANTCLIE", "IDTPIJURCLIE", "TPINSCRICAO",  "CDOPERADOR"};

NewClient fromTexts(const QStringList& v) {
    return {v.value(0).trimmed(), v.value(1).trimmed(), v.value(2).trimmed(), v.value(3).trimmed(),
            v.value(4).trimmed(), v.value(5).trimmed().toUpper(), v.value(6).trimmed(), v.value(7).trimmed()};
}

QString text(const QVariant& v) { return v.isNull() ? QString() : v.toString(); }

QString text(const QJsonValue& v) {
    if (v.isString()) return v.toString();
    if (v.isDouble()) return QString::number(v.toDouble(), 'g', 17);
    return {};
}

void requireFilled(const QString& value, const char* message) {
    if (value.isEmpty()) throw MethodError(QString::fromUtf8(message));
}

void requireFits(const char* table, const char* column, const QString& value) {
    text_bounds::requireFits(QLatin1String(table), QLatin1String(column), value);
}

const QString kAlreadyClient = QStringLiteral("Cliente já cadastrado para inscrição informada.");

// A client registered under the inscription :N for the person kind :K.
const QString kInscriptionCondition = QStringLiteral("NRINSJURCLIE = :N AND IDTPIJURCLIE = :K");

}  // namespace

NewClient newClientFromArgs(const Args& args, int first) {
    QStringList values;
    for (int i = 0; i < 8; ++i) values << args.string(first + i);
    return fromTexts(values);
}

NewClient newClientFromValue(const QJsonValue& value, int argumentIndex, const QString& method) {
    QStringList values;
    if (value.isArray()) {
        const QJsonArray a = value.toArray();
        if (a.size() == 8)
            for (const QJsonValue& v : a) values << text(v);
    } else if (value.isObject() && value.toObject().contains(QStringLiteral("fields"))) {
        try {
            const Packet p = packetFromJson(value.toObject());
            if (p.rows.size() == 1)
                for (const char* name : kNames)
                    values << (p.indexOf(QString::fromLatin1(name)) >= 0 ? text(p.value(0, QString::fromLatin1(name)))
                                                                         : QString());
        } catch (const PacketError&) {
        }
    } else if (value.isObject()) {
        const QJsonObject o = value.toObject();
        for (const char* name : kNames) values << text(o.value(QString::fromLatin1(name)));
    }
    if (values.size() != 8)
        throw MethodError(QStringLiteral("Argumento %1 de %2: esperados os dados do cliente a cadastrar.")
                              .arg(argumentIndex + 1)
                              .arg(method),
                          -32602);
    return fromTexts(values);
}

QString clientOfProspect(Database& db, const QString& prospect) {
    return text(db.scalar(QStringLiteral("SELECT CDCLIENTE FROM PROSPECT WHERE CDPROSPECT = :P"), {{"P", prospect}}))
        .trimmed();
}

bool inscriptionRegistered(Database& db, const QString& inscription, const QString& personKind) {
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM CLIENTE WHERE %1").arg(kInscriptionCondition),
                     {{"N", inscription}, {"K", personKind}})
               .toInt() > 0;
}

RegisteredClient registerClient(Database& db, const NewClient& c, Caller& session) {
    requireFilled(c.prospect, "Prospect deve ser informado.");
    // The prospect's row is the lock two registrations of one prospect queue on.
    const QString lock = db.dialect() == Dialect::Postgres ? QStringLiteral(" FOR UPDATE") : QString();
    const Packet prospect = db.query(
        QStringLiteral("SELECT CDPROSPECT, CDFILIAL, CDCLIENTE FROM PROSPECT WHERE CDPROSPECT = :P%1").arg(lock),
        {{"P", c.prospect}});
    if (prospect.rows.isEmpty()) throw MethodError(QStringLiteral("Prospect não cadastrado."));
    // The client is registered by this operator, for the prospect's branch.
    session.requireSelf(c.oper);
    session.requireBranch(text(prospect.value(0, "CDFILIAL")));
    requireFilled(c.inscription, "Inscrição deve ser informada.");
    requireFilled(c.company, "Razão Social deve ser informada.");
    requireFilled(c.tradeName, "Nome Fantasia deve ser informado.");
    requireFits("CLIENTE", "NMRAZSOCCLIE", c.company);
    requireFits("CLIENTE", "NMFANTCLIE", c.tradeName);
    requireFits("CLIENTE", "DSCOMPLCLIE", c.complement);
    requireFits("ENDECLIE", "DSCOMPLENDE", c.complement);
    requireFits("CLIENTE", "CDOPERINCL", c.oper);

    // CPF and CNPJ are kept as digits; any other document as typed.
    QString number = c.inscription;
    const QString kind = Consiste::Ajusta_Inscricao(number);
    if (number.isEmpty()) throw MethodError(QStringLiteral("Inscrição deve ser informada."));
    if (!c.personKind.isEmpty() && c.personKind != kind)
        throw MethodError(QStringLiteral("Tipo de pessoa não corresponde à inscrição informada."));
    requireFits("CLIENTE", "NRINSJURCLIE", number);
    requireFits("CLIENTE", "CDCLIENTE", number);

    if (!text(prospect.value(0, "CDCLIENTE")).trimmed().isEmpty()) throw MethodError(kAlreadyClient);
    // The client's code is its document, as in the rest of the register.
    const int taken =
        db.scalar(QStringLiteral("SELECT COUNT(*) FROM CLIENTE WHERE (%1) OR CDCLIENTE = :N").arg(kInscriptionCondition),
                  {{"N", number}, {"K", kind}})
            .toInt();
    if (taken > 0) throw MethodError(kAlreadyClient);

    const QVariant complement = c.complement.isEmpty() ? QVariant() : QVariant(c.complement);
    db.exec(QStringLiteral("INSERT INTO CLIENTE (CDCLIENTE, NRINSJURCLIE, IDTPIJURCLIE, NMFANTCLIE, NMRAZSOCCLIE, "
                           "DSCOMPLCLIE, CDFILIAL, CDPROSPECT, CDOPERINCL, DTINCLUSAO) "
                           "VALUES (:C, :N, :K, :F, :R, :COMPL, :FIL, :P, :OP, :AGORA)"),
            {{"C", number}, {"N", number}, {"K", kind}, {"F", c.tradeName}, {"R", c.company}, {"COMPL", complement},
             {"FIL", prospect.value(0, "CDFILIAL")}, {"P", c.prospect},
             {"OP", c.oper.isEmpty() ? QVariant() : QVariant(c.oper)}, {"AGORA", Clock::current().now()}});
    db.exec(QStringLiteral("INSERT INTO ENDECLIE (CDCLIENTE, IDTPENDECLIE, DSCOMPLENDE) VALUES (:C, 'P', :COMPL)"),
            {{"C", number}, {"COMPL", complement}});
    db.exec(QStringLiteral("UPDATE PROSPECT SET CDCLIENTE = :C WHERE CDPROSPECT = :P"), {{"C", number}, {"P", c.prospect}});
    return {number, kind, number};
}

}  // namespace cot::server::acceptance
