// The proposal texts composed from the register of standard texts, and the undo of a
// regeneration.
//
//   GerarTextoPadraoProp(NR, VER, IDTIPOPROPFAS, IDIDIOMA, CDPROCOMERCI) → the number of
//       texts. Replaces the version's texts by the standard texts of that contract type
//       and language that have a place (NRORDEMPADTXT) and serve every commercial product
//       or this one. They come in the order of their places; at the same place the text of
//       every product comes first, then the product's own, then by code; they are numbered
//       1, 2, 3... A blank type, language or product is taken from the stored proposal.
//       When no standard text applies nothing changes and the call is refused. The texts
//       replaced are kept (TXTPROPFASGER/TXTPROPFASHIST, with the date) unless they are the
//       very texts generated, so a repeated call does not bury them.
//   RestauraTextoProp(NR, VER) → the number of texts restored: the set replaced last (by a
//       regeneration, by AlteraTexto or by a restore) comes back, and the texts it replaces
//       are kept in its stead, so a second restore undoes the first. Refused when nothing
//       was replaced.
//   AlteraTexto(NR, VER) → the number of texts the proposal prints. A version without any
//       text gets the standard texts of its stored type, language and product, as above;
//       texts it has are never changed.
//   GetTextoMens() → CDPADTXT, TXPADTXT, IDCHECK ('N'): the standard texts, by code.
//   InsTextoProp(NR, VER, CDPADTXT, TXPADTXT) → a text: "" when the text was added, after
//       the version's last order, with TXPADTXT or, when that is blank, the register's
//       body; "TipComp_Inf" when the commercial parameters (PARAMPROP) are not registered;
//       any other text is why it was refused and nothing was written, among them a code
//       the version already has (never added twice, and the text there is left as it is).
#include "base/clock.h"
#include "data/standard_text_answer.h"
#include "server/methods/read_support.h"
#include "server/methods/service_text_methods.h"
#include "server/methods/service_text_support.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"
#include "server/storage/text_bounds.h"

namespace cot::server::detail {

namespace {

using namespace read;

constexpr int kHighestOrder = 999;

struct Text {
    QString code;
    qint64 order = 0;
    QString body;
    bool operator==(const Text&) const = default;
};
using Texts = QList<Text>;

Texts textsOf(Database& db, const QString& sql, const QVariantMap& params) {
    Texts out;
    const Packet p = db.query(sql, params);
    for (int r = 0; r < p.rows.size(); ++r)
        out << Text{p.value(r, "CDTXTPROPFAS").toString(), p.value(r, "NRORDEMMSG").toLongLong(),
                    p.value(r, "TXPROPFAS").toString()};
    return out;
}

Texts currentTexts(Database& db, const QVariantMap& key) {
    return textsOf(db,
                   QStringLiteral("SELECT CDTXTPROPFAS, NRORDEMMSG, TXPROPFAS FROM TXTPROPFAS WHERE %1 "
                                  "ORDER BY NRORDEMMSG, CDTXTPROPFAS")
                       .arg(ProposalKey::condition()),
                   key);
}

Texts standardTexts(Database& db, const QString& type, const QString& language, const QString& product) {
    const Texts found = textsOf(db, QStringLiteral(R"SQL(
SELECT CDPADTXT AS CDTXTPROPFAS, TXPADTXT AS TXPROPFAS FROM PADTXT
WHERE IDTIPOPROPFAS = :T AND IDIDIOMA = :I AND NRORDEMPADTXT IS NOT NULL
  AND (CDPROCOMERCI IS NULL OR CDPROCOMERCI = :P)
ORDER BY NRORDEMPADTXT, CASE WHEN CDPROCOMERCI IS NULL THEN 0 ELSE 1 END, CDPADTXT)SQL"),
                                {{"T", type}, {"I", language}, {"P", product}});
    Texts out;
    for (const Text& t : found) out << Text{t.code, out.size() + 1, t.body};
    return out;
}

void insertTexts(Database& db, const QVariantMap& key, const Texts& texts) {
    for (const Text& t : texts) {
        QVariantMap row = key;
        row.insert(QStringLiteral("C"), t.code);
        row.insert(QStringLiteral("O"), t.order);
        row.insert(QStringLiteral("T"), t.body);
        db.exec(QStringLiteral("INSERT INTO TXTPROPFAS (NRPROPOSFAS, NRVERPROPFAS, CDTXTPROPFAS, NRORDEMMSG, TXPROPFAS) "
                               "VALUES (:NR, :VER, :C, :O, :T)"),
                row);
    }
}

// Replaces the version's texts, keeping the set replaced (even an empty one) as the
// newest generation, unless it is the same set.
void replaceTexts(Database& db, const QVariantMap& key, const Texts& texts) {
    const Texts before = currentTexts(db, key);
    if (before == texts) return;
    const qint64 generation =
        db.scalar(QStringLiteral("SELECT COALESCE(MAX(NRGERACAO), 0) + 1 FROM TXTPROPFASGER WHERE %1").arg(ProposalKey::condition()),
                  key)
            .toLongLong();
    QVariantMap header = key;
    header.insert(QStringLiteral("G"), generation);
    header.insert(QStringLiteral("D"), Clock::current().now());
    db.exec(QStringLiteral("INSERT INTO TXTPROPFASGER (NRPROPOSFAS, NRVERPROPFAS, NRGERACAO, DTGERACAO) "
                           "VALUES (:NR, :VER, :G, :D)"),
            header);
    db.exec(QStringLiteral("INSERT INTO TXTPROPFASHIST (NRPROPOSFAS, NRVERPROPFAS, NRGERACAO, CDTXTPROPFAS, NRORDEMMSG, "
                           "TXPROPFAS) SELECT NRPROPOSFAS, NRVERPROPFAS, :G, CDTXTPROPFAS, NRORDEMMSG, TXPROPFAS "
                           "FROM TXTPROPFAS WHERE %1")
                .arg(ProposalKey::condition()),
            header);
    db.exec(QStringLiteral("DELETE FROM TXTPROPFAS WHERE %1").arg(ProposalKey::condition()), key);
    insertTexts(db, key, texts);
}

QString argOrStored(const Args& args, int i, const Packet& proposal, const char* column) {
    const QString given = args.string(i).trimmed();
    return given.isEmpty() ? proposal.value(0, column).toString().trimmed() : given;
}

Reply gerarTextoPadraoProp(MethodContext& ctx, const Args& args) {
    const ProposalKey key = proposalKey(args);
    Transaction tx(ctx.db);
    const Packet proposal = svctext::requireProposal(ctx.db, key.number, key.version,
                                                     QStringLiteral("IDTIPOPROPFAS, IDIDIOMA, CDPROCOMERCI"));
    const Texts texts = standardTexts(ctx.db, argOrStored(args, 2, proposal, "IDTIPOPROPFAS"),
                                      argOrStored(args, 3, proposal, "IDIDIOMA"),
                                      argOrStored(args, 4, proposal, "CDPROCOMERCI"));
    if (texts.isEmpty())
        throw MethodError(QStringLiteral("Não há texto padrão cadastrado para o tipo de proposta, o idioma e o produto "
                                         "comercial informados."));
    replaceTexts(ctx.db, key.params(), texts);
    tx.commit();
    return qint64(texts.size());
}

Reply restauraTextoProp(MethodContext& ctx, const Args& args) {
    const ProposalKey key = proposalKey(args);
    Transaction tx(ctx.db);
    svctext::requireProposal(ctx.db, key.number, key.version, QStringLiteral("NRPROPOSFAS"));
    const QVariant last = ctx.db.scalar(
        QStringLiteral("SELECT MAX(NRGERACAO) FROM TXTPROPFASGER WHERE %1").arg(ProposalKey::condition()), key.params());
    if (last.isNull()) throw MethodError(QStringLiteral("Não há textos anteriores da proposta para restaurar."));
    QVariantMap generation = key.params();
    generation.insert(QStringLiteral("G"), last.toLongLong());
    const Texts texts = textsOf(ctx.db,
                                QStringLiteral("SELECT CDTXTPROPFAS, NRORDEMMSG, TXPROPFAS FROM TXTPROPFASHIST "
                                               "WHERE %1 AND NRGERACAO = :G ORDER BY NRORDEMMSG, CDTXTPROPFAS")
                                    .arg(ProposalKey::condition()),
                                generation);
    ctx.db.exec(QStringLiteral("DELETE FROM TXTPROPFASHIST WHERE %1 AND NRGERACAO = :G").arg(ProposalKey::condition()),
                generation);
    ctx.db.exec(QStringLiteral("DELETE FROM TXTPROPFASGER WHERE %1 AND NRGERACAO = :G").arg(ProposalKey::condition()),
                generation);
    replaceTexts(ctx.db, key.params(), texts);
    tx.commit();
    return qint64(texts.size());
}

Reply alteraTexto(MethodContext& ctx, const Args& args) {
    const ProposalKey key = proposalKey(args);
    Transaction tx(ctx.db);
    const Packet proposal = svctext::requireProposal(ctx.db, key.number, key.version,
                                                     QStringLiteral("IDTIPOPROPFAS, IDIDIOMA, CDPROCOMERCI"));
    qint64 count = ctx.db.scalar(QStringLiteral("SELECT COUNT(*) FROM TXTPROPFAS WHERE %1").arg(ProposalKey::condition()),
                                 key.params())
                       .toLongLong();
    if (count == 0) {
        const Texts texts = standardTexts(ctx.db, proposal.value(0, "IDTIPOPROPFAS").toString().trimmed(),
                                          proposal.value(0, "IDIDIOMA").toString().trimmed(),
                                          proposal.value(0, "CDPROCOMERCI").toString().trimmed());
        if (!texts.isEmpty()) replaceTexts(ctx.db, key.params(), texts);
        count = texts.size();
    }
    tx.commit();
    return count;
}

Reply getTextoMens(MethodContext& ctx, const Args&) {
    static const QList<FieldDef> fields{stored("PADTXT", "CDPADTXT"), memo("TXPADTXT"), fixed("IDCHECK")};
    return packetResult(shaped(ctx.db, QStringLiteral("SELECT CDPADTXT, TXPADTXT, 'N' AS IDCHECK FROM PADTXT ORDER BY CDPADTXT"),
                               {}, fields));
}

QString insertStandardText(Database& db, const ProposalKey& key, const QString& code, const QString& body) {
    if (db.scalar(QStringLiteral("SELECT COUNT(*) FROM PARAMPROP")).toInt() == 0) return QStringLiteral("TipComp_Inf");
    svctext::requireProposal(db, key.number, key.version, QStringLiteral("NRPROPOSFAS"));
    if (code.isEmpty()) return QStringLiteral("Mensagem deve ser informada");
    const Packet standard =
        db.query(QStringLiteral("SELECT TXPADTXT FROM PADTXT WHERE CDPADTXT = :C"), {{"C", code}});
    if (standard.rows.isEmpty()) return QStringLiteral("Texto padrão não cadastrado.");
    QVariantMap params = key.params();
    params.insert(QStringLiteral("C"), code);
    if (db.scalar(QStringLiteral("SELECT COUNT(*) FROM TXTPROPFAS WHERE %1 AND CDTXTPROPFAS = :C").arg(ProposalKey::condition()),
                  params)
            .toInt() > 0)
        return standardTextAlreadyInProposal(code);
    const qint64 order =
        db.scalar(QStringLiteral("SELECT COALESCE(MAX(NRORDEMMSG), 0) + 1 FROM TXTPROPFAS WHERE %1").arg(ProposalKey::condition()),
                  key.params())
            .toLongLong();
    if (order > kHighestOrder) return QStringLiteral("A proposta já atingiu a ordem máxima de textos (999).");
    const QString text = body.trimmed().isEmpty() ? standard.value(0, "TXPADTXT").toString() : body;
    text_bounds::requireFits(QStringLiteral("TXTPROPFAS"), QStringLiteral("TXPROPFAS"), text);
    insertTexts(db, key.params(), {Text{code, order, text}});
    return QString();
}

Reply insTextoProp(MethodContext& ctx, const Args& args) {
    const ProposalKey key = proposalKey(args);
    const QString code = args.string(2).trimmed(), body = args.string(3);
    try {
        Transaction tx(ctx.db);
        const QString answer = insertStandardText(ctx.db, key, code, body);
        if (answer.isEmpty()) tx.commit();
        return answer;
    } catch (const MethodError& e) {
        return e.text();
    }
}

}  // namespace

void registerStandardTextMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("GerarTextoPadraoProp"), 5, AccessRule::proposal(0, 1).writes(), gerarTextoPadraoProp);
    registry.add(QStringLiteral("RestauraTextoProp"), 2, AccessRule::proposal(0, 1).writes(), restauraTextoProp);
    registry.add(QStringLiteral("AlteraTexto"), 2, AccessRule::proposal(0, 1).writes(), alteraTexto);
    registry.add(QStringLiteral("GetTextoMens"), 0, AccessRule::session(), getTextoMens);
    registry.add(QStringLiteral("InsTextoProp"), 4, AccessRule::proposal(0, 1).writes(), insTextoProp);
}

}  // namespace cot::server::detail
