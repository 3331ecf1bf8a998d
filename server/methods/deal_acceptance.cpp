#include "server/methods/deal_acceptance.h"

#include "data/packet.h"
#include "data/proposal_number.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"

namespace cot::server::deal {

namespace {

const QList<FieldDef>& acceptedShape() {
    static const QList<FieldDef> shape{{QStringLiteral("NRVERPROPFAS"), FieldType::String, 2},
                                       {QStringLiteral("DTACEITE"), FieldType::DateTime, 0}};
    return shape;
}

std::optional<AcceptedVersion> firstRow(const QString& nr, const Packet& p) {
    if (p.isEmpty()) return std::nullopt;
    return AcceptedVersion{nr, p.value(0, QStringLiteral("NRVERPROPFAS")).toString().trimmed(),
                           p.value(0, QStringLiteral("DTACEITE")).toDateTime()};
}

}  // namespace

std::optional<AcceptedVersion> acceptedVersion(Database& db, const QString& nr) {
    const QVariantMap key{{"NR", nr}};
    if (auto held = firstRow(nr, db.query(QStringLiteral("SELECT NRVERPROPFAS, DTACEITE FROM ACEITEPROP "
                                                         "WHERE NRPROPOSFAS = :NR"),
                                          key, acceptedShape())))
        return held;
    return firstRow(nr, db.query(QStringLiteral("SELECT NRVERPROPFAS, DTACEPROPFAS AS DTACEITE FROM PROPOSTAFAS "
                                                "WHERE NRPROPOSFAS = :NR AND DTACEPROPFAS IS NOT NULL "
                                                "ORDER BY DTACEPROPFAS, NRVERPROPFAS"),
                                 key, acceptedShape()));
}

std::optional<AcceptedVersion> acceptedOther(Database& db, const QString& nr, const QString& ver) {
    std::optional<AcceptedVersion> accepted = acceptedVersion(db, nr);
    if (accepted && accepted->ver == ver.trimmed()) return std::nullopt;
    return accepted;
}

QString refusal(Refused what, const AcceptedVersion& accepted, const QString& ver) {
    QString action;
    switch (what) {
    case Refused::Sending: action = QStringLiteral("não pode ser enviada ao cliente"); break;
    case Refused::ClientDecision: action = QStringLiteral("não pode mais ser aceita nem recusada"); break;
    case Refused::Approval: action = QStringLiteral("não pode ser aprovada"); break;
    case Refused::Copy:
        return QStringLiteral("A proposta %1 já foi aceita. Só quem tem a autorização para reabrir negociações "
                              "aceitas pode criar uma nova versão dela; sem ela, inclua uma nova proposta.")
            .arg(shortProposalNumber(accepted.nr, accepted.ver));
    }
    return QStringLiteral("A proposta %1 já foi aceita; a versão %2 %3.")
        .arg(shortProposalNumber(accepted.nr, accepted.ver), shortProposalNumber(accepted.nr, ver), action);
}

QString supersededSentence(const AcceptedVersion& accepted) {
    return QStringLiteral("Esta proposta foi substituída pela versão %1, aceita em %2.")
        .arg(shortProposalNumber(accepted.nr, accepted.ver),
             accepted.at.toString(QStringLiteral("dd/MM/yyyy HH:mm")));
}

void refuseIfSuperseded(Database& db, Refused what, const QString& nr, const QString& ver) {
    if (const auto accepted = acceptedOther(db, nr, ver)) throw MethodError(refusal(what, *accepted, ver));
}

std::optional<AcceptedVersion> claim(Database& db, const QString& nr, const QString& ver, const QDateTime& at) {
    const QVariantMap row{{"NR", nr}, {"VER", ver.trimmed()}, {"AT", at}};
    // A second claim waits for the first one's transaction and then inserts nothing.
    const int inserted = db.exec(QStringLiteral("INSERT INTO ACEITEPROP (NRPROPOSFAS, NRVERPROPFAS, DTACEITE) "
                                                "VALUES (:NR, :VER, :AT) ON CONFLICT (NRPROPOSFAS) DO NOTHING"),
                                 row);
    if (inserted == 0) return acceptedOther(db, nr, ver);
    db.exec(QStringLiteral("UPDATE ENVIOPROP SET DTREVOGA = :AT, CDOPERREVOGA = NULL WHERE NRPROPOSFAS = :NR "
                           "AND NRVERPROPFAS <> :VER AND DTREVOGA IS NULL"),
            row);
    return std::nullopt;
}

void reopenForNewVersion(Database& db, const QString& operatorCode, const QString& nr, const QString& newVer) {
    const std::optional<AcceptedVersion> accepted = acceptedVersion(db, nr);
    if (!accepted) return;
    const bool allowed = db.scalar(QStringLiteral("SELECT COUNT(*) FROM AUTGRUPOP AU, OPERGRUPOP OP "
                                                  "WHERE AU.IDAUTGRUPOP = :AUT AND OP.CDGRUPOPER = AU.CDGRUPOPER "
                                                  "AND OP.CDOPERADOR = :OP"),
                                   {{"AUT", QString::fromLatin1(kReopenAuthorisation)}, {"OP", operatorCode}})
                             .toInt() > 0;
    if (!allowed) throw MethodError(refusal(Refused::Copy, *accepted, newVer));
    db.exec(QStringLiteral("DELETE FROM ACEITEPROP WHERE NRPROPOSFAS = :NR AND NOT EXISTS (SELECT 1 FROM PROPOSTAFAS P "
                           "WHERE P.NRPROPOSFAS = :NR AND P.DTACEPROPFAS IS NOT NULL)"),
            {{"NR", nr}});
}

void lockProposalNumber(Database& db, const QString& nr) {
    if (db.dialect() != Dialect::Postgres) return;
    db.query(QStringLiteral("SELECT NRVERPROPFAS FROM PROPOSTAFAS WHERE NRPROPOSFAS = :NR ORDER BY NRVERPROPFAS "
                            "FOR UPDATE"),
             {{"NR", nr}});
}

}  // namespace cot::server::deal
