#include "server/client_page/decision_store.h"

#include "data/packet.h"
#include "server/methods/deal_acceptance.h"
#include "server/methods/read_support.h"
#include "server/storage/database.h"
#include "server/storage/proposal_history.h"

namespace cot::server::client_page {

namespace {

QVariant textOrNull(const QString& s) { return s.isEmpty() ? QVariant() : QVariant(s); }
QVariant letterOrNull(QChar c) { return c.isNull() ? QVariant() : QVariant(QString(c)); }

// The connection's author for the decision's history row, put back as it was afterwards.
class AuthorScope {
public:
    explicit AuthorScope(Database& db) : db_(db), saved_(db.author()) {
        db_.setAuthor({QString(), QStringLiteral("DecisaoCliente")});
    }
    ~AuthorScope() { db_.setAuthor(saved_); }
    AuthorScope(const AuthorScope&) = delete;
    AuthorScope& operator=(const AuthorScope&) = delete;

private:
    Database& db_;
    Database::Author saved_;
};

}  // namespace

std::optional<Decision> decisionOf(Database& db, const QString& nr, const QString& ver) {
    static const QList<FieldDef> shape{{QStringLiteral("NRENVIO"), FieldType::Integer, 0},
                                       {QStringLiteral("DTDECISAO"), FieldType::DateTime, 0}};
    const Packet p = db.query(QStringLiteral("SELECT NRENVIO, IDDECISAO, DTDECISAO, NMRESPDECISAO, DSCARGODECISAO, "
                                             "IDMOTIVO, TXCOMENTARIO, DSENDIP, DSNAVEGADOR, TXHASHCONT "
                                             "FROM DECISAOPROP WHERE %1")
                                  .arg(read::ProposalKey::condition()),
                              {{"NR", nr}, {"VER", ver}}, shape);
    if (p.isEmpty()) return std::nullopt;
    auto text = [&](const char* name) { return p.value(0, QString::fromLatin1(name)).toString().trimmed(); };
    auto letter = [&](const char* name) { const QString t = text(name); return t.isEmpty() ? QChar() : t.front(); };
    Decision d;
    d.nr = nr;
    d.ver = ver;
    d.sending = p.value(0, QStringLiteral("NRENVIO")).toInt();
    d.kind = letter("IDDECISAO");
    d.at = p.value(0, QStringLiteral("DTDECISAO")).toDateTime();
    d.name = text("NMRESPDECISAO");
    d.role = text("DSCARGODECISAO");
    d.reason = letter("IDMOTIVO");
    d.comment = p.value(0, QStringLiteral("TXCOMENTARIO")).toString();
    d.address = text("DSENDIP");
    d.browser = text("DSNAVEGADOR");
    d.contentHash = text("TXHASHCONT");
    return d;
}

Recorded recordDecision(Database& db, const Decision& d) {
    const QVariantMap key{{"NR", d.nr}, {"VER", d.ver}};
    AuthorScope author(db);
    try {
        Transaction tx(db);
        if (!db.scalar(QStringLiteral("SELECT 1 FROM DECISAOPROP WHERE %1").arg(read::ProposalKey::condition()), key)
                 .isNull())
            return Recorded::AlreadyDecided;
        db.exec(QStringLiteral("INSERT INTO DECISAOPROP (NRPROPOSFAS, NRVERPROPFAS, NRENVIO, IDDECISAO, DTDECISAO, "
                               "NMRESPDECISAO, DSCARGODECISAO, IDMOTIVO, TXCOMENTARIO, DSENDIP, DSNAVEGADOR, "
                               "TXHASHCONT) VALUES (:NR, :VER, :ENVIO, :KIND, :AT, :NAME, :ROLE, :REASON, :COMMENT, "
                               ":IP, :UA, :HASH)"),
                {{"NR", d.nr},
                 {"VER", d.ver},
                 {"ENVIO", d.sending},
                 {"KIND", QString(d.kind)},
                 {"AT", d.at},
                 {"NAME", textOrNull(d.name.left(100))},
                 {"ROLE", textOrNull(d.role.left(100))},
                 {"REASON", letterOrNull(d.reason)},
                 {"COMMENT", textOrNull(d.comment)},
                 {"IP", textOrNull(d.address.left(64))},
                 {"UA", textOrNull(d.browser.left(kMaxBrowserLength))},
                 {"HASH", d.contentHash}});
        if (d.accepted() && deal::claim(db, d.nr, d.ver, d.at)) return Recorded::Superseded;
        history::recordMethodRun(db, d.nr, d.ver);
        tx.commit();
        return Recorded::Yes;
    } catch (const DatabaseError&) {
        // Another post of the same version committed first: its decision stands.
        if (decisionOf(db, d.nr, d.ver)) return Recorded::AlreadyDecided;
        throw;
    }
}

QString decisionSentence(const Decision& d) {
    const QString when = d.at.toString(QStringLiteral("dd/MM/yyyy HH:mm"));
    if (d.accepted()) return QStringLiteral("Proposta aceita em %1 por %2.").arg(when, d.name);
    return QStringLiteral("Proposta recusada em %1.").arg(when);
}

}  // namespace cot::server::client_page
