// Licence installments of the product lines.
//
//   SetVencimento(delta) → the installments' change log in one transaction. A line whose
//       installments are inserted or changed must end up with a schedule that adds up to
//       its licence total (with the interest of four or more installments, or without,
//       as the approval accepts); removing installments alone is always taken, since the
//       desktop sends each delete at once and the new schedule after it.
//   ValidaVenc(NR, VER, line, date) → DTVELUSOPEDP of the line's installments on that day
//   GetMinDtVenc(NR, VER, date) → three packets:
//       [0] DTVELUSOPEDP, CDLINPPROP: the earliest due date of each line of the proposal,
//           earliest first, so the first row is the proposal's earliest one; the row of a
//           line (located by CDLINPPROP) is that line's own first due date. A line
//           without installments has no row.
//       [1] CDLINPPROPINFOR, NMLINPPROP, DTVELUSOPEDP, CDLINPPROP: the lines with an
//           installment due before that day, with the earliest such date
//       [2] DTVENCSERVPROP: the earliest due date of the service package (no row: none)
#include "server/methods/installment_methods.h"

#include <QHash>
#include <QSet>

#include "data/format_br.h"
#include "server/methods/delta_support.h"
#include "server/methods/read_support.h"
#include "server/methods/service_text_support.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"
#include "server/storage/resolver.h"
#include "services/installment_schedule.h"
#include "services/money.h"

namespace cot::server {

namespace {

using namespace read;

const TableResolver& installmentResolver() {
    static const TableResolver r = tableResolver(QStringLiteral("VENCLINPPROP"));
    return r;
}

struct LineKey {
    QString number, version, line;
    QVariantMap params() const {
        QVariantMap out = ProposalKey{number, version}.params();
        out.insert(QStringLiteral("L"), line);
        return out;
    }
    bool operator==(const LineKey&) const = default;
};
size_t qHash(const LineKey& k, size_t seed = 0) { return ::qHash(k.number + u'|' + k.version + u'|' + k.line, seed); }

// Installments of the line on the calendar day of `due`.
int onDay(Database& db, const LineKey& key, const QDate& due) {
    QVariantMap params = key.params();
    params.insert(QStringLiteral("D0"), dayStart(due));
    params.insert(QStringLiteral("D1"), dayStart(due.addDays(1)));
    return db
        .scalar(QStringLiteral("SELECT COUNT(*) FROM VENCLINPPROP WHERE %1 "
                               "AND CDLINPPROP = :L AND DTVELUSOPEDP >= :D0 AND DTVELUSOPEDP < :D1")
                    .arg(ProposalKey::condition()),
                params)
        .toInt();
}

// The line's schedule as stored now must add up to its licence total.
void checkSchedule(Database& db, const LineKey& key) {
    const Packet line =
        db.query(QStringLiteral("SELECT VRLICENCUSOPROP, VRDESLICUSOPROP, QTMINIMAFATPROP FROM LINPPROP "
                                "WHERE %1 AND CDLINPPROP = :L")
                     .arg(ProposalKey::condition()),
                 key.params());
    if (line.rows.isEmpty()) return;
    const long double total = (static_cast<long double>(line.value(0, "VRLICENCUSOPROP").toDouble()) -
                               line.value(0, "VRDESLICUSOPROP").toDouble()) *
                              line.value(0, "QTMINIMAFATPROP").toDouble();
    const long double rate = db.scalar(QStringLiteral("SELECT MAX(VRTXJUROSLICUSO) FROM PARAMPROP")).toDouble();
    const Packet stored = db.query(QStringLiteral("SELECT VRVELUSOPEDP FROM VENCLINPPROP WHERE %1 AND CDLINPPROP = :L")
                                       .arg(ProposalKey::condition()),
                                   key.params());
    std::vector<double> values;
    for (int r = 0; r < stored.rows.size(); ++r) values.push_back(stored.value(r, "VRVELUSOPEDP").toDouble());
    if (scheduleAccepted(values, total, rate)) return;
    throw MethodError(QStringLiteral("Os valores dos vencimentos somados não podem ser diferentes do valor total da "
                                     "licença de uso. Valor Total (%1).")
                          .arg(formatAmount(scheduleSum(total, rate, int(values.size())))));
}

Reply setVencimento(MethodContext& ctx, const Args& args) {
    const Delta delta = args.delta(0);
    const int nr = delta.indexOf(QStringLiteral("NRPROPOSFAS"));
    const int ver = delta.indexOf(QStringLiteral("NRVERPROPFAS"));
    const int line = delta.indexOf(QStringLiteral("CDLINPPROP"));
    const int due = delta.indexOf(QStringLiteral("DTVELUSOPEDP"));
    const int value = delta.indexOf(QStringLiteral("VRVELUSOPEDP"));
    QSet<LineKey> touched;
    Transaction tx(ctx.db);
    applyDelta(ctx.db, installmentResolver(), delta, [&](RowChange& change) {
        if (change.op == ChangeOp::Delete) return;
        const LineKey key{cells::cellText(delta, change.newValues, nr), cells::cellText(delta, change.newValues, ver),
                          cells::cellText(delta, change.newValues, line)};
        if (key.number.isEmpty() || key.version.isEmpty())
            throw MethodError(QStringLiteral("Número e versão da proposta devem ser informados."));
        if (key.line.isEmpty()) throw MethodError(QStringLiteral("Linha de produto deve ser informada."));
        const QDateTime date = cells::cell(delta, change.newValues, due).toDateTime();
        if (!date.isValid()) throw MethodError(QStringLiteral("Data de Vencimento deve ser informada."));
        const QVariant amount = cells::cell(delta, change.newValues, value);
        if (amount.isNull()) throw MethodError(QStringLiteral("Valor deve ser informado."));
        if (amount.toDouble() < 0) throw MethodError(QStringLiteral("Valor do vencimento não pode ser negativo."));

        const Packet proposal = ctx.db.query(QStringLiteral(R"SQL(
SELECT P.DTPROPOSFAS FROM LINPPROP L
JOIN PROPOSTAFAS P ON P.NRPROPOSFAS = L.NRPROPOSFAS AND P.NRVERPROPFAS = L.NRVERPROPFAS
WHERE %1 AND L.CDLINPPROP = :L)SQL")
                                                 .arg(ProposalKey::condition(QStringLiteral("L"))),
                                             key.params());
        if (proposal.rows.isEmpty()) throw MethodError(QStringLiteral("Linha de produto não cadastrada na proposta."));
        const QDateTime created = proposal.value(0, "DTPROPOSFAS").toDateTime();
        if (created.isValid() && date.date() < created.date())
            throw MethodError(QStringLiteral(
                "Data de Vencimento não podererá ser inferior à data de cadastramento da Proposta."));
        const bool sameDay = change.op == ChangeOp::Update && !cells::changes(delta, change, line) &&
                             cells::cell(delta, change.oldValues, due).toDateTime().date() == date.date();
        if (!sameDay && onDay(ctx.db, key, date.date()) > 0)
            throw MethodError(QStringLiteral("Data vencimento já cadastrada."));
        touched.insert(key);
    });
    for (const LineKey& key : touched) checkSchedule(ctx.db, key);
    tx.commit();
    return QJsonValue();
}

Reply validaVenc(MethodContext& ctx, const Args& args) {
    static const QList<FieldDef> fields{date("DTVELUSOPEDP")};
    const QDateTime due = args.date(3);
    if (!due.isValid()) return packetResult(Packet{fields, {}});
    QVariantMap params = proposalKey(args).params();
    params.insert(QStringLiteral("L"), args.string(2).trimmed());
    params.insert(QStringLiteral("D0"), dayStart(due.date()));
    params.insert(QStringLiteral("D1"), dayStart(due.date().addDays(1)));
    return packetResult(shaped(ctx.db,
                               QStringLiteral("SELECT DTVELUSOPEDP FROM VENCLINPPROP WHERE %1 AND CDLINPPROP = :L "
                                              "AND DTVELUSOPEDP >= :D0 AND DTVELUSOPEDP < :D1 ORDER BY DTVELUSOPEDP")
                                   .arg(ProposalKey::condition()),
                               params, fields));
}

Reply getMinDtVenc(MethodContext& ctx, const Args& args) {
    const QVariantMap key = proposalKey(args).params();
    Packet perLine = shaped(ctx.db,
                            QStringLiteral(R"SQL(
SELECT MIN(DTVELUSOPEDP) AS DTVELUSOPEDP, CDLINPPROP FROM VENCLINPPROP
WHERE %1
GROUP BY CDLINPPROP
ORDER BY MIN(DTVELUSOPEDP), CDLINPPROP)SQL")
                                .arg(ProposalKey::condition()),
                            key, {date("DTVELUSOPEDP"), stored("LINPPROP", "CDLINPPROP")});

    static const QList<FieldDef> lateFields{stored("LINPPROP", "CDLINPPROPINFOR"), stored("LINPPROP", "NMLINPPROP"),
                                            date("DTVELUSOPEDP"), stored("LINPPROP", "CDLINPPROP")};
    Packet late{lateFields, {}};
    const QDateTime day = args.date(2);
    if (day.isValid()) {
        QVariantMap params = key;
        params.insert(QStringLiteral("D"), dayStart(day.date()));
        late = shaped(ctx.db,
                      QStringLiteral(R"SQL(
SELECT L.CDLINPPROPINFOR, L.NMLINPPROP, MIN(V.DTVELUSOPEDP) AS DTVELUSOPEDP, L.CDLINPPROP
FROM LINPPROP L
JOIN VENCLINPPROP V ON V.NRPROPOSFAS = L.NRPROPOSFAS AND V.NRVERPROPFAS = L.NRVERPROPFAS
                   AND V.CDLINPPROP = L.CDLINPPROP
WHERE %1 AND V.DTVELUSOPEDP < :D
GROUP BY L.CDLINPPROP, L.CDLINPPROPINFOR, L.NMLINPPROP
ORDER BY L.CDLINPPROP)SQL")
                          .arg(ProposalKey::condition(QStringLiteral("L"))),
                      params, lateFields);
    }

    Packet services = shaped(ctx.db,
                             QStringLiteral("SELECT MIN(DTVENCSERVPROP) AS DTVENCSERVPROP FROM VENCSERVPROP WHERE %1")
                                 .arg(ProposalKey::condition()),
                             key, {date("DTVENCSERVPROP")});
    if (services.rows.size() == 1 && services.rows.first().value(0).isNull()) services.rows.clear();
    return Reply::array({packetResult(perLine), packetResult(late), packetResult(services)});
}

}  // namespace

void registerInstallmentMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("SetVencimento"), 1, AccessRule::childDelta(0), setVencimento);
    registry.add(QStringLiteral("ValidaVenc"), 4, AccessRule::proposal(0, 1), validaVenc);
    registry.add(QStringLiteral("GetMinDtVenc"), 3, AccessRule::proposal(0, 1), getMinDtVenc);
}

}  // namespace cot::server
