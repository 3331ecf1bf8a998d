#include "server/client_page/sending_store.h"

#include "server/auth/random_token.h"
#include "server/client_page/pdf_store.h"
#include "server/client_page/sending_quota.h"
#include "server/methods/read_support.h"
#include "server/storage/database.h"

namespace cot::server::client_page {

namespace {

const QList<FieldDef>& sendingShape() {
    static const QList<FieldDef> shape{{QStringLiteral("NRPROPOSFAS"), FieldType::String, 20},
                                       {QStringLiteral("NRVERPROPFAS"), FieldType::String, 2},
                                       {QStringLiteral("NRENVIO"), FieldType::Integer, 0},
                                       {QStringLiteral("DTENVIO"), FieldType::DateTime, 0},
                                       {QStringLiteral("CDOPERADOR"), FieldType::String, 12},
                                       {QStringLiteral("DSEMAILDEST"), FieldType::String, 250},
                                       {QStringLiteral("DTEXPIRA"), FieldType::DateTime, 0},
                                       {QStringLiteral("DTREVOGA"), FieldType::DateTime, 0},
                                       {QStringLiteral("CDOPERREVOGA"), FieldType::String, 12},
                                       {QStringLiteral("TXHASHCONT"), FieldType::String, 64},
                                       {QStringLiteral("TXHASHPDF"), FieldType::String, 64}};
    return shape;
}

const QString kColumns = QStringLiteral("NRPROPOSFAS, NRVERPROPFAS, NRENVIO, DTENVIO, CDOPERADOR, DSEMAILDEST, "
                                        "DTEXPIRA, DTREVOGA, CDOPERREVOGA, TXHASHCONT, TXHASHPDF");

Sending sendingAt(const Packet& p, int row) {
    auto text = [&](const char* name) { return p.value(row, QString::fromLatin1(name)).toString().trimmed(); };
    Sending s;
    s.nr = text("NRPROPOSFAS");
    s.ver = text("NRVERPROPFAS");
    s.number = p.value(row, QStringLiteral("NRENVIO")).toInt();
    s.sentAt = p.value(row, QStringLiteral("DTENVIO")).toDateTime();
    s.operatorCode = text("CDOPERADOR");
    s.to = text("DSEMAILDEST");
    s.expires = p.value(row, QStringLiteral("DTEXPIRA")).toDateTime().date();
    s.revokedAt = p.value(row, QStringLiteral("DTREVOGA")).toDateTime();
    s.revokedBy = text("CDOPERREVOGA");
    s.contentHash = text("TXHASHCONT");
    s.pdfHash = text("TXHASHPDF");
    return s;
}

QVariant textOrNull(const QString& s) { return s.isEmpty() ? QVariant() : QVariant(s); }

}  // namespace

QString newToken() { return randomToken(); }
bool wellFormedToken(const QString& token) { return wellFormedRandomToken(token); }
QString tokenHash(const QString& token) { return randomTokenHash(token); }

Sending recordSending(Database& db, Sending sending, const QString& hash, const QByteArray& pdf) {
    const QVariantMap key{{"NR", sending.nr}, {"VER", sending.ver}};
    const QVariant last = db.scalar(
        QStringLiteral("SELECT MAX(NRENVIO) FROM ENVIOPROP WHERE %1").arg(read::ProposalKey::condition()), key);
    sending.number = last.isNull() ? 1 : last.toInt() + 1;
    sending.pdfHash = pdf.isEmpty() ? QString() : storePdf(db, pdf);
    db.exec(QStringLiteral("INSERT INTO ENVIOPROP (NRPROPOSFAS, NRVERPROPFAS, NRENVIO, TXTOKENHASH, DTENVIO, "
                           "CDOPERADOR, DSEMAILDEST, DTEXPIRA, DTREVOGA, CDOPERREVOGA, TXHASHCONT, TXHASHPDF) VALUES "
                           "(:NR, :VER, :N, :HASH, :DT, :OPER, :DEST, :EXP, NULL, NULL, :CONT, :PDF)"),
            {{"NR", sending.nr},
             {"VER", sending.ver},
             {"N", sending.number},
             {"HASH", hash},
             {"DT", sending.sentAt},
             {"OPER", textOrNull(sending.operatorCode)},
             {"DEST", sending.to},
             {"EXP", sending.expires},
             {"CONT", sending.contentHash},
             {"PDF", textOrNull(sending.pdfHash)}});
    if (!sending.operatorCode.isEmpty()) {
        forgetOldCounts(db, sending.operatorCode, sending.sentAt);
        db.exec(QStringLiteral("INSERT INTO COTAENVIO (CDOPERADOR, DTENVIO, NRPROPOSFAS, NRVERPROPFAS, NRENVIO) "
                               "VALUES (:OPER, :DT, :NR, :VER, :N)"),
                {{"OPER", sending.operatorCode},
                 {"DT", sending.sentAt},
                 {"NR", sending.nr},
                 {"VER", sending.ver},
                 {"N", sending.number}});
    }
    sending.revokedAt = {};
    sending.revokedBy.clear();
    return sending;
}

void withdrawSending(Database& db, const Sending& sending) {
    const QVariantMap key{{"NR", sending.nr}, {"VER", sending.ver}, {"N", sending.number}};
    Transaction tx(db);
    // The PDF goes with its last sending (TG_ENVIOPROP_PDF).
    const int removed =
        db.exec(QStringLiteral("DELETE FROM ENVIOPROP WHERE %1 AND NRENVIO = :N "
                               "AND NOT EXISTS (SELECT 1 FROM DECISAOPROP D WHERE %2 AND D.NRENVIO = :N)")
                    .arg(read::ProposalKey::condition(), read::ProposalKey::condition(QStringLiteral("D"))),
                key);
    if (removed > 0 && !sending.operatorCode.isEmpty()) {
        QVariantMap counted = key;
        counted.insert(QStringLiteral("OPER"), sending.operatorCode);
        counted.insert(QStringLiteral("DT"), sending.sentAt);
        db.exec(QStringLiteral("DELETE FROM COTAENVIO WHERE CDOPERADOR = :OPER AND DTENVIO = :DT AND "
                               "%1 AND NRENVIO = :N")
                    .arg(read::ProposalKey::condition()),
                counted);
    }
    tx.commit();
}

std::optional<Sending> findByToken(Database& db, const QString& token) {
    if (!wellFormedToken(token)) return std::nullopt;
    const Packet p = db.query(QStringLiteral("SELECT %1 FROM ENVIOPROP WHERE TXTOKENHASH = :HASH").arg(kColumns),
                              {{"HASH", tokenHash(token)}}, sendingShape());
    if (p.isEmpty()) return std::nullopt;
    return sendingAt(p, 0);
}

QList<Sending> sendingsOf(Database& db, const QString& nr, const QString& ver) {
    const Packet p = db.query(QStringLiteral("SELECT %1 FROM ENVIOPROP WHERE %2 "
                                             "ORDER BY NRENVIO")
                                  .arg(kColumns, read::ProposalKey::condition()),
                              {{"NR", nr}, {"VER", ver}}, sendingShape());
    QList<Sending> out;
    for (int row = 0; row < p.rows.size(); ++row) out << sendingAt(p, row);
    return out;
}

QByteArray sendingPdf(Database& db, const Sending& sending) {
    const QVariant hash = db.scalar(
        QStringLiteral("SELECT TXHASHPDF FROM ENVIOPROP WHERE %1 AND NRENVIO = :N").arg(read::ProposalKey::condition()),
        {{"NR", sending.nr}, {"VER", sending.ver}, {"N", sending.number}});
    if (hash.isNull()) return {};
    return wholePdf(db, hash.toString().trimmed());
}

bool revoke(Database& db, const QString& nr, const QString& ver, int number, const QString& operatorCode,
            const QDateTime& at) {
    return db.exec(QStringLiteral("UPDATE ENVIOPROP SET DTREVOGA = :AT, CDOPERREVOGA = :OPER WHERE %1 AND NRENVIO = :N "
                                  "AND DTREVOGA IS NULL")
                       .arg(read::ProposalKey::condition()),
                   {{"AT", at}, {"OPER", textOrNull(operatorCode)}, {"NR", nr}, {"VER", ver}, {"N", number}}) > 0;
}

}  // namespace cot::server::client_page
