// The sales pipeline: how many deals of a branch are in each status, with what values, per
// salesperson and per month, and how they end.
//
//   GetPainelPropostas(FILIAL, DE, ATE, VENDEDOR) → one packet of rows
//       NMGRUPO (String 12), CDCHAVE (String 20), DSCHAVE (String 60), QTPROPOSTAS (Integer),
//       VRTOTAL (Float), VRMENSAL (Float), in this order of groups:
//       - "SITUACAO": always the seven statuses, in this order, zeros included: V "Válida",
//         E "A vencer", X "Vencida", A "Aceita", R "Recusada pelo cliente", P "Perdida",
//         S "Substituída".
//       - "VENDEDOR": each salesperson with proposals in the period, by name; CDCHAVE his
//         code (CDOPERSOLI, else CDOPERINCL), DSCHAVE his name (his code when he is not
//         registered, "Sem vendedor" when the version names nobody).
//       - "MES": every month of the period, oldest first, zeros included; CDCHAVE "yyyy-mm",
//         DSCHAVE "dez/2026".
//       - "MES_SITUACAO": the months × statuses that have proposals, by month then in the
//         order above; CDCHAVE "yyyy-mm|S", DSCHAVE "dez/2026 - Aceita".
//       - "RESUMO": "TOTAL" (every deal and its values); "CONVERSAO" (QTPROPOSTAS the
//         decided deals: accepted + declined by the client + lost; VRTOTAL accepted ÷
//         decided, a fraction from 0 to 1, null when nothing was decided); "DIAS_DECISAO"
//         (QTPROPOSTAS the decided deals; VRTOTAL the average of calendar days from
//         DTPROPOSFAS to the decision: DTACEPROPFAS when accepted, the client's DTDECISAO
//         when he declined, DTPERDA when lost; null when none). VRMENSAL null in both.
//       Counted per deal: a proposal number counts once, by its accepted version (approved,
//       or accepted by the client on his page), else its latest version (6/01, 6/02 and
//       6/03 are one deal, counted as 6/03 until one of them is accepted). QTPROPOSTAS is
//       that count; VRTOTAL the sum of those versions' one-off values and VRMENSAL of their
//       monthly values (ProposalTotals::grand() and ::monthly, each cut to the cent),
//       except in the RESUMO rows described above.
//       The period: deals whose counted version's DTPROPOSFAS falls within DE..ATE by
//       calendar day, both inclusive; dates as "dd/mm/yyyy" or ISO 8601. The statuses are
//       the list's, with today from the server's clock, plus R: a version the client
//       declined on his page that is neither accepted, lost nor superseded.
//       VENDEDOR: empty or "T" every salesperson the caller may see; a code, the deals
//       counted for him (as in the "VENDEDOR" rows: requested by him, else included by him),
//       so that his figures are his row's. An operator whose group does not see the whole
//       branch always gets only his own (the counted version included or requested by
//       him), whatever he names (never an error).
//       Refused: a bad date ("Data inválida: %1."), DE after ATE, a period over 5 years.
//       Open to operators of the branch. The figures are added up by the database; the
//       server only rolls its groups up into the rows above.
#include "server/methods/pipeline_methods.h"

#include <QMap>
#include <algorithm>
#include <iterator>

#include "server/auth/caller.h"
#include "server/methods/pipeline_query.h"
#include "server/methods/read_support.h"
#include "server/rpc/method_registry.h"
#include "base/clock.h"
#include "server/storage/database.h"

namespace cot::server {

namespace {

using namespace read;

constexpr int kMaxYears = 5;
constexpr int kShownDateSize = 40;

struct Status {
    const char* code;
    const char* label;
};
const Status kStatuses[] = {{"V", "Válida"},   {"E", "A vencer"},  {"X", "Vencida"},    {"A", "Aceita"},
                            {"R", "Recusada pelo cliente"}, {"P", "Perdida"}, {"S", "Substituída"}};

int statusOrder(const QString& code) {
    for (int i = 0; i < int(std::size(kStatuses)); ++i)
        if (code == QLatin1String(kStatuses[i].code)) return i;
    return int(std::size(kStatuses));
}

QString statusLabel(const QString& code) {
    const int i = statusOrder(code);
    return i < int(std::size(kStatuses)) ? QString::fromUtf8(kStatuses[i].label) : code;
}

QString monthLabel(const QString& key) {
    static const char* const names[] = {"jan", "fev", "mar", "abr", "mai", "jun",
                                        "jul", "ago", "set", "out", "nov", "dez"};
    const QDate d = QDate::fromString(key + QStringLiteral("-01"), Qt::ISODate);
    return d.isValid() ? QStringLiteral("%1/%2").arg(QLatin1String(names[d.month() - 1])).arg(d.year()) : key;
}

// "dd/mm/yyyy", an ISO date or an ISO date and time (its day).
QDate day(const Args& args, int i) {
    const QJsonValue raw = args.raw(i);
    const QString typed = raw.isString() ? raw.toString().trimmed() : QString();
    QDate d = QDate::fromString(typed, QStringLiteral("dd/MM/yyyy"));
    if (!d.isValid()) d = QDate::fromString(typed, Qt::ISODate);
    if (!d.isValid()) d = QDateTime::fromString(typed, Qt::ISODateWithMs).date();
    if (!d.isValid() || d.year() < 1900) {
        const QString shown = raw.isString() ? typed.left(kShownDateSize) : args.string(i).left(kShownDateSize);
        throw MethodError(QStringLiteral("Data inválida: %1.").arg(shown));
    }
    return d;
}

struct Tally {
    qint64 count = 0;
    double cents = 0, monthlyCents = 0;
    void add(const PipelineGroup& g) {
        count += g.count;
        cents += g.cents;
        monthlyCents += g.monthlyCents;
    }
};

class Rows {
public:
    void add(const char* group, const QString& key, const QString& label, qint64 count, const QVariant& value,
             const QVariant& monthly = {}) {
        packet_.rows << QVariantList{QString::fromLatin1(group), key, label.left(60), count, value, monthly};
    }
    void add(const char* group, const QString& key, const QString& label, const Tally& t) {
        add(group, key, label, t.count, t.cents / 100.0, t.monthlyCents / 100.0);
    }
    Packet take() {
        packet_.fields = {text("NMGRUPO", 12), text("CDCHAVE", 20), text("DSCHAVE", 60),
                          {QStringLiteral("QTPROPOSTAS"), FieldType::Integer, 0}, number("VRTOTAL"), number("VRMENSAL")};
        return std::move(packet_);
    }

private:
    Packet packet_;
};

void addStatuses(Rows& rows, const QList<PipelineGroup>& groups) {
    QMap<QString, Tally> byStatus;
    for (const PipelineGroup& g : groups) byStatus[g.status].add(g);
    for (const Status& s : kStatuses)
        rows.add("SITUACAO", QString::fromLatin1(s.code), QString::fromUtf8(s.label),
                 byStatus.value(QString::fromLatin1(s.code)));
}

void addSellers(Rows& rows, const QList<PipelineGroup>& groups) {
    QMap<QString, Tally> bySeller;
    QMap<QString, QString> names;
    for (const PipelineGroup& g : groups) {
        bySeller[g.seller].add(g);
        names[g.seller] = g.seller.isEmpty()          ? QStringLiteral("Sem vendedor")
                          : g.sellerName.isEmpty() ? g.seller
                                                   : g.sellerName;
    }
    QStringList order = bySeller.keys();
    std::sort(order.begin(), order.end(), [&](const QString& a, const QString& b) {
        const int byName = QString::localeAwareCompare(names[a], names[b]);
        return byName != 0 ? byName < 0 : a < b;
    });
    for (const QString& seller : order) rows.add("VENDEDOR", seller, names[seller], bySeller[seller]);
}

void addMonths(Rows& rows, const QList<PipelineGroup>& groups, const QDate& from, const QDate& to) {
    QMap<QString, Tally> byMonth;
    QMap<QPair<QString, int>, Tally> byMonthStatus;
    for (const PipelineGroup& g : groups) {
        byMonth[g.month].add(g);
        byMonthStatus[{g.month, statusOrder(g.status)}].add(g);
    }
    for (QDate m(from.year(), from.month(), 1); m <= to; m = m.addMonths(1)) {
        const QString key = m.toString(QStringLiteral("yyyy-MM"));
        rows.add("MES", key, monthLabel(key), byMonth.value(key));
    }
    for (auto it = byMonthStatus.cbegin(); it != byMonthStatus.cend(); ++it) {
        const QString status = it.key().second < int(std::size(kStatuses))
                                   ? QString::fromLatin1(kStatuses[it.key().second].code)
                                   : QStringLiteral("?");
        rows.add("MES_SITUACAO", it.key().first + u'|' + status,
                 monthLabel(it.key().first) + QStringLiteral(" - ") + statusLabel(status), it.value());
    }
}

void addSummary(Rows& rows, const QList<PipelineGroup>& groups) {
    Tally all;
    qint64 accepted = 0, decided = 0, dated = 0;
    double days = 0;
    for (const PipelineGroup& g : groups) {
        all.add(g);
        if (g.status == QLatin1String("A")) accepted += g.count;
        if (g.status == QLatin1String("A") || g.status == QLatin1String("R") || g.status == QLatin1String("P"))
            decided += g.count;
        dated += g.decided;
        days += g.decisionDays;
    }
    rows.add("RESUMO", QStringLiteral("TOTAL"), QStringLiteral("Total"), all);
    rows.add("RESUMO", QStringLiteral("CONVERSAO"), QStringLiteral("Conversão"), decided,
             decided > 0 ? QVariant(double(accepted) / double(decided)) : QVariant());
    rows.add("RESUMO", QStringLiteral("DIAS_DECISAO"), QStringLiteral("Dias até a decisão"), dated,
             dated > 0 ? QVariant(days / double(dated)) : QVariant());
}

Reply getPainelPropostas(MethodContext& ctx, const Args& args) {
    PipelineQuery q;
    q.branch = args.string(0).trimmed();
    q.from = day(args, 1);
    q.to = day(args, 2);
    if (q.from > q.to) throw MethodError(QStringLiteral("A data inicial não pode ser maior que a data final."));
    if (q.from.addYears(kMaxYears) < q.to)
        throw MethodError(QStringLiteral("O período pode ter no máximo %1 anos.").arg(kMaxYears));
    Caller& caller = ctx.caller();
    if (caller.seesAllProposals()) {
        q.seller = args.string(3).trimmed();
        if (isAll(q.seller)) q.seller.clear();
    } else {
        q.oper = caller.operatorCode();
    }
    q.today = Clock::current().today();

    const QList<PipelineGroup> groups = pipelineGroups(ctx.db, q);
    Rows rows;
    addStatuses(rows, groups);
    addSellers(rows, groups);
    addMonths(rows, groups, q.from, q.to);
    addSummary(rows, groups);
    return packetResult(rows.take());
}

}  // namespace

void registerPipelineMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("GetPainelPropostas"), 4, AccessRule::session().branch(0), getPainelPropostas);
}

}  // namespace cot::server
