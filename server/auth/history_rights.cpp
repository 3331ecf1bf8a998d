#include "server/auth/history_rights.h"

#include "data/proposal_number.h"
#include "server/auth/caller.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"
#include "server/storage/query_packet.h"

namespace cot::server::history_rights {

namespace {

const QString kVersionRows =
    QStringLiteral(" FROM HISTPROP WHERE NRPROPOSFAS = :HR_NR AND NRVERPROPFAS = :HR_VER");

// The rule of proposal_rights on the values a row kept. The branches are those of OPERFILI
// as Caller::worksIn reads them; the operators compare as there, trimmed and in any case.
QString keptRule(Caller& caller) {
    QString rule = QStringLiteral("(TRIM(CDFILIAL) IN (SELECT TRIM(F.CDFILIAL) FROM OPERFILI F "
                                  "WHERE F.CDOPERADOR = :HR_OP)");
    if (!caller.seesAllProposals())
        rule += QStringLiteral(" AND (UPPER(TRIM(CDOPERINCL)) = :HR_ME OR UPPER(TRIM(CDOPERSOLI)) = :HR_ME)");
    return rule + u')';
}

// Where the version's present life starts: its newest deletion, as the history recorded it
// (a version is deleted only through its row of PROPOSTAFAS, whose key fields are always on
// record). The date as the engine gives it, so it compares equal to itself.
struct Deletion {
    QString at;
    qint64 sequence = 0;
};
std::optional<Deletion> lastDeletion(Database& db, const QVariantMap& key) {
    std::optional<Deletion> found;
    db.forEachRow(QStringLiteral("SELECT DTHIST, NRSEQHIST") + kVersionRows +
                      QStringLiteral(" AND NMTABELA = 'PROPOSTAFAS' AND IDOPERHIST = 'E' "
                                     "ORDER BY DTHIST DESC, NRSEQHIST DESC LIMIT 1"),
                  key, [&](const SqlRow& row) {
                      found = Deletion{QString::fromUtf8(row.text(0).toByteArray()), row.integer(1)};
                  });
    return found;
}

bool any(Database& db, const QString& where, const QVariantMap& params) {
    return !db.query(QStringLiteral("SELECT 1 AS HAS") + kVersionRows + where + QStringLiteral(" LIMIT 1"), params)
                .rows.isEmpty();
}

}  // namespace

Readable readableRows(Database& db, Caller& caller, const QString& number, const QString& version) {
    const QVariantMap key{{QStringLiteral("HR_NR"), number}, {QStringLiteral("HR_VER"), version}};
    Readable r;
    r.condition = keptRule(caller);
    r.params = {{QStringLiteral("HR_OP"), caller.operatorCode()},
                {QStringLiteral("HR_ME"), caller.operatorCode().trimmed().toUpper()}};
    const bool stored =
        db.scalar(QStringLiteral("SELECT COUNT(*) FROM PROPOSTAFAS WHERE NRPROPOSFAS = :HR_NR AND NRVERPROPFAS = :HR_VER"),
                  key)
            .toInt() > 0;
    if (stored) {
        const std::optional<Deletion> deleted = lastDeletion(db, key);
        if (!deleted) {
            r.condition = QStringLiteral("1 = 1");
            r.params.clear();
            return r;
        }
        r.condition += QStringLiteral(" OR DTHIST > :HR_DT OR (DTHIST = :HR_DT AND NRSEQHIST > :HR_SEQ)");
        r.params.insert(QStringLiteral("HR_DT"), deleted->at);
        r.params.insert(QStringLiteral("HR_SEQ"), deleted->sequence);
        return r;
    }
    QVariantMap all = r.params;
    all.insert(key);
    if (any(db, {}, key) && !any(db, QStringLiteral(" AND ") + r.condition, all))
        throw MethodError(QStringLiteral("O operador %1 não pode ver o histórico da proposta %2.")
                              .arg(caller.operatorCode(), shortProposalNumber(number, version)));
    return r;
}

}  // namespace cot::server::history_rights
