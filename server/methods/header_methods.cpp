// Lookups and checks of the proposal header.
//
//   GetPesqContato(branch, type, client code, prospect code, contact)
//       → CDCLIENTE, CDPROSPECT, NRCONTATO, REFERENCIA, IDTPCONTATO: the branch's
//       contacts; type 'C' keeps contacts of clients (of that client when its code is
//       given), 'P' of prospects likewise, empty any kind. Contact "T" lists them all by
//       name; otherwise the one contact with that number (typed short or zero-padded).
//   GetInterLoc(code, type)  → CDINTECLIE, NMINTECLIE: interlocutors of the client
//       ('C') or prospect ('P') with that code.
//   GetPesqInterLoc(code, type, interlocutor) → the one interlocutor, when it exists.
//   SetUpdReaju(branch, NR, VER, percentage 1) → the proposal is readjusted by index 1
//       alone (percentage 1 must be 100): the stored version's second index loses its
//       periodicity (IDPERVALOR2). Its code, type and percentage are cleared by the
//       screen itself and travel in the header's change log; clearing them here as well
//       would make that change log no longer match the stored row and fail the save.
//       A version not stored yet has nothing to clear. Returns the rows changed.
#include "server/methods/proposal_screen_methods.h"
#include "server/methods/read_support.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"

namespace cot::server::detail {

namespace {

using namespace read;

constexpr int kContactWidth = 10;
constexpr int kInterlocutorWidth = 2;

// 'C' or 'P' from a party-type argument; empty when `allowEmpty` and nothing was given.
QString partyType(const Args& args, int i, bool allowEmpty) {
    const QString type = args.string(i).trimmed().toUpper();
    if (type == QLatin1String("C") || type == QLatin1String("P") || (allowEmpty && type.isEmpty())) return type;
    throw MethodError(QStringLiteral("Tipo de contratante inválido: use 'C' (cliente) ou 'P' (prospect)."));
}

Reply getPesqContato(MethodContext& ctx, const Args& args) {
    static const QList<FieldDef> fields{stored("CONTATO", "CDCLIENTE"), stored("CONTATO", "CDPROSPECT"),
                                        stored("CONTATO", "NRCONTATO"), text("REFERENCIA", 60),
                                        stored("CONTATO", "IDTPCONTATO")};
    QVariantMap params{{QStringLiteral("FILIAL"), args.string(0).trimmed()}};
    QStringList where{QStringLiteral("C.CDFILIAL = :FILIAL")};
    const QString type = partyType(args, 1, true);
    if (!type.isEmpty()) {
        where << QStringLiteral("C.IDTPCONTATO = :TIPO");
        params.insert(QStringLiteral("TIPO"), type);
        const QString code = args.string(type == QLatin1String("C") ? 2 : 3).trimmed();
        if (!code.isEmpty()) {
            where << (type == QLatin1String("C") ? QStringLiteral("C.CDCLIENTE = :CODIGO") : QStringLiteral("C.CDPROSPECT = :CODIGO"));
            params.insert(QStringLiteral("CODIGO"), code);
        }
    }
    const QString contact = args.string(4).trimmed();
    if (!isAll(contact)) {
        where << QStringLiteral("(C.NRCONTATO = :CONTATO OR C.NRCONTATO = :CONTATOAJ)");
        params.insert(QStringLiteral("CONTATO"), contact);
        params.insert(QStringLiteral("CONTATOAJ"), adjusted(contact, kContactWidth));
    }
    return packetResult(shaped(ctx.db,
                               QStringLiteral("SELECT C.CDCLIENTE, C.CDPROSPECT, C.NRCONTATO, C.DSREFECONT AS REFERENCIA, "
                                              "C.IDTPCONTATO FROM CONTATO C WHERE %1 ORDER BY C.DSREFECONT, C.NRCONTATO")
                                   .arg(where.join(QStringLiteral(" AND "))),
                               params, fields));
}

// Interlocutors of a client or prospect; `interlocutor` empty lists them all.
Packet interlocutors(Database& db, const QString& code, const QString& type, const QString* interlocutor) {
    static const QList<FieldDef> fields{stored("INTECLIE", "CDINTECLIE"), stored("INTECLIE", "NMINTECLIE")};
    const bool client = type == QLatin1String("C");
    QVariantMap params{{QStringLiteral("CODIGO"), code}};
    QString sql = client ? QStringLiteral("SELECT CDINTECLIE, NMINTECLIE FROM INTECLIE WHERE CDCLIENTE = :CODIGO")
                         : QStringLiteral("SELECT CDINTEPROS AS CDINTECLIE, NMINTEPROS AS NMINTECLIE FROM INTEPROS "
                                          "WHERE CDPROSPECT = :CODIGO");
    if (interlocutor) {
        sql += client ? QStringLiteral(" AND (CDINTECLIE = :INTER OR CDINTECLIE = :INTERAJ)")
                      : QStringLiteral(" AND (CDINTEPROS = :INTER OR CDINTEPROS = :INTERAJ)");
        params.insert(QStringLiteral("INTER"), interlocutor->trimmed());
        params.insert(QStringLiteral("INTERAJ"), adjusted(*interlocutor, kInterlocutorWidth));
    }
    sql += QStringLiteral(" ORDER BY 1");
    return shaped(db, sql, params, fields);
}

Reply getInterLoc(MethodContext& ctx, const Args& args) {
    return packetResult(interlocutors(ctx.db, args.string(0).trimmed(), partyType(args, 1, false), nullptr));
}

Reply getPesqInterLoc(MethodContext& ctx, const Args& args) {
    const QString interlocutor = args.string(2);
    return packetResult(interlocutors(ctx.db, args.string(0).trimmed(), partyType(args, 1, false), &interlocutor));
}

Reply setUpdReaju(MethodContext& ctx, const Args& args) {
    if (args.number(3) != 100)
        throw MethodError(QStringLiteral("O índice 2 só pode ser retirado quando o percentual do índice 1 é 100%."));
    Transaction tx(ctx.db);
    const int changed = ctx.db.exec(
        QStringLiteral("UPDATE PROPOSTAFAS SET IDPERVALOR2 = NULL WHERE CDFILIAL = :FILIAL "
                       "AND %1 AND IDPERVALOR2 IS NOT NULL")
            .arg(ProposalKey::condition()),
        {{"FILIAL", args.string(0).trimmed()}, {"NR", args.string(1).trimmed()}, {"VER", args.string(2).trimmed()}});
    tx.commit();
    return QJsonValue(changed);
}

}  // namespace

void registerHeaderMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("GetPesqContato"), 5, AccessRule::session().branch(0), getPesqContato);
    registry.add(QStringLiteral("GetInterLoc"), 2, AccessRule::session(), getInterLoc);
    registry.add(QStringLiteral("GetPesqInterLoc"), 3, AccessRule::session(), getPesqInterLoc);
    registry.add(QStringLiteral("SetUpdReaju"), 4, AccessRule::proposal(1, 2).branch(0).writes(), setUpdReaju);
    registerCommercialProductMethods(registry);
}

}  // namespace cot::server::detail
