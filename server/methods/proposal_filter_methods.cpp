// The proposal list with the filter's criteria, and the lists the filter picks from.
//
// GetPropostaAux (19 to 23 arguments, in this order):
//   1 branch; 2 client selection or "T"; 3 prospect selection or "T";
//   4, 5 registration dates from/to; 6, 7 approval dates from/to;
//   8 "T" = ignore the registration dates; 9, 10 validity dates from/to;
//   11 contact selection or "T"; 12 "T" = ignore the approval dates;
//   13 "T" = ignore the validity dates; 14 "V" expired; 15 "VA" valid; 16 "AV" expiring;
//   17 operator or "T"; 18 contract "T", "M", "S", "L", "_M_S_", "_M_L_", "_L_S_";
//   19 reference text; 20 client decision "T" (or absent) any, "A" accepted by the client,
//   "R" declined by the client, "N" no decision; 21 "S" superseded; 22 "P" lost;
//   23 salesperson "T" (or empty, or absent) any, else the versions counted for him as
//   the sales pipeline counts them: requested by him, else included by him;
//   24 what the list's search box holds (empty or absent: anything).
//
// GetUltimaDecisao(branch) → "yyyy-MM-ddTHH:mm:ss.zzz|n": the latest client decision on
// the versions of the branch the caller may list, and how many there are ("|0" for none).
//
// Rules:
// - Dates compare by calendar day and both ends are inclusive; an unset date (null, 0 or
//   before 1900) leaves its end open.
// - Statuses count calendar days between today and the validity date, as the list's
//   pictures do: expired when the validity date has passed or there is none, expiring
//   when it is 0 to 10 days ahead, valid when more than 10 days ahead. So "VA" alone
//   does not bring the expiring ones: they show yellow, not green. A lost version is
//   only "P" and a superseded one only "S" (they show neither validity colour). Any
//   status given keeps proposals matching any of the given ones and never accepted
//   proposals; none given means no status restriction.
// - Clients and prospects restrict the contracting party together: with a selection in
//   either, a proposal is kept when its client is among the chosen clients or its
//   prospect among the chosen prospects. Contacts restrict on their own. An empty
//   selection text restricts nothing, like "T".
// - Operator as in GetProposta: "T" every operator, else proposals the operator included
//   or requested. Reference: case-insensitive "contains"; empty means any.
// - Search: a version is kept when the contracting party's name (trade or company name),
//   the reference or the contact's name contains the text, accents and case ignored, or
//   when the text is a number as people write it ("15", "15/02") naming the version.
#include <QSet>

#include "server/auth/caller.h"
#include "server/methods/proposal_list.h"
#include "server/methods/proposal_status_sql.h"
#include "server/storage/query_packet.h"
#include "server/methods/proposal_screen_methods.h"
#include "server/methods/read_support.h"
#include "server/methods/selection_text.h"
#include "server/rpc/method_registry.h"
#include "base/clock.h"
#include "data/date_text.h"
#include "data/proposal_number.h"
#include "data/text_fold.h"
#include "server/storage/database.h"

namespace cot::server::detail {

namespace {

using namespace read;

constexpr int kMaxSelection = 5000;
constexpr int kExpiringDays = 10;

// A date argument: null, the number 0 and days before 1900 (the desktop's "no date")
// all mean "not set".
QDateTime optionalDate(const Args& args, int i) {
    const QJsonValue raw = args.raw(i);
    if (raw.isDouble() && raw.toDouble() == 0) return {};
    const QDateTime dt = args.date(i);
    return dt.isValid() && dt.date().year() >= 1900 ? dt : QDateTime();
}

// The codes of a selection argument; empty when it restricts nothing.
QStringList selection(const Args& args, int i, const QString& invalidText, const QString& tooLargeText) {
    const QString value = args.string(i);
    if (isAll(value)) return {};
    const std::optional<QStringList> codes = parseSelectionText(value);
    if (!codes) throw MethodError(invalidText);
    if (codes->size() > kMaxSelection) throw MethodError(tooLargeText.arg(kMaxSelection));
    return *codes;
}

class Conditions {
public:
    void add(const QString& condition) { parts_ << condition; }
    // COLUMN between two optional days, both inclusive.
    void dayRange(const QString& column, const QDateTime& from, const QDateTime& to, const QString& name) {
        if (from.isValid()) {
            params_.insert(name + u'1', dayStart(from.date()));
            add(QStringLiteral("%1 >= :%2").arg(column, name + u'1'));
        }
        if (to.isValid()) {
            params_.insert(name + u'2', dayStart(to.date().addDays(1)));
            add(QStringLiteral("%1 < :%2").arg(column, name + u'2'));
        }
    }
    QVariantMap& params() { return params_; }
    QString where() const { return parts_.join(QStringLiteral("\n  AND ")); }

private:
    QStringList parts_;
    QVariantMap params_;
};

void addDates(const Args& args, Conditions& c) {
    if (!isAll(args.string(7))) c.dayRange(QStringLiteral("P.DTPROPOSFAS"), optionalDate(args, 3), optionalDate(args, 4), "DTCAD");
    if (!isAll(args.string(11))) c.dayRange(QStringLiteral("P.DTACEPROPFAS"), optionalDate(args, 5), optionalDate(args, 6), "DTAPR");
    if (!isAll(args.string(12))) c.dayRange(QStringLiteral("P.DTVALPROPFAS"), optionalDate(args, 8), optionalDate(args, 9), "DTVAL");
}

void addStatuses(const Args& args, Conditions& c) {
    QSet<QString> asked;
    const QStringList known{QStringLiteral("V"), QStringLiteral("VA"), QStringLiteral("AV")};
    const auto take = [&](int i, const QStringList& allowed) {
        if (i >= args.size()) return;
        const QString code = args.string(i).trimmed().toUpper();
        if (code.isEmpty()) return;
        if (!allowed.contains(code))
            throw MethodError(QStringLiteral("Situação de proposta inválida no filtro: \"%1\".").arg(args.string(i).trimmed()));
        asked.insert(code);
    };
    for (int i : {13, 14, 15}) take(i, known);
    take(20, {QString::fromLatin1(ProposalStatus::Superseded)});
    take(21, {QString::fromLatin1(ProposalStatus::Lost)});
    if (asked.isEmpty()) return;
    QStringList validity;
    if (asked.contains(QStringLiteral("V"))) validity << QStringLiteral("P.DTVALPROPFAS IS NULL OR P.DTVALPROPFAS < :HOJE");
    if (asked.contains(QStringLiteral("AV"))) validity << QStringLiteral("(P.DTVALPROPFAS >= :HOJE AND P.DTVALPROPFAS < :HOJE11)");
    if (asked.contains(QStringLiteral("VA"))) validity << QStringLiteral("P.DTVALPROPFAS >= :HOJE11");
    QStringList any;
    if (!validity.isEmpty()) {
        const QDate today = Clock::current().today();
        c.params().insert(QStringLiteral("HOJE"), dayStart(today));
        c.params().insert(QStringLiteral("HOJE11"), dayStart(today.addDays(kExpiringDays + 1)));
        any << QStringLiteral("(NOT %1 AND NOT %2 AND (%3))")
                   .arg(lostCondition(), supersededCondition(), validity.join(QStringLiteral(" OR ")));
    }
    if (asked.contains(QString::fromLatin1(ProposalStatus::Superseded)))
        any << QStringLiteral("(NOT %1 AND %2)").arg(lostCondition(), supersededCondition());
    if (asked.contains(QString::fromLatin1(ProposalStatus::Lost))) any << lostCondition();
    c.add(QStringLiteral("P.DTACEPROPFAS IS NULL AND (%1)").arg(any.join(QStringLiteral(" OR "))));
}

// The client's decision on the version, as joined by the list (DC).
void addDecision(const Args& args, Conditions& c) {
    if (args.size() < 20) return;
    const QString code = args.string(19).trimmed().toUpper();
    if (code.isEmpty() || isAll(code)) return;
    if (code == QLatin1String("A") || code == QLatin1String("R")) {
        c.params().insert(QStringLiteral("DECISAO"), code);
        c.add(QStringLiteral("DC.IDDECISAO = :DECISAO"));
    } else if (code == QLatin1String("N")) {
        c.add(QStringLiteral("DC.IDDECISAO IS NULL"));
    } else {
        throw MethodError(QStringLiteral("Decisão do cliente inválida no filtro: \"%1\".").arg(args.string(19).trimmed()));
    }
}

void addParties(const Args& args, Conditions& c) {
    const QStringList clients = selection(args, 1, QStringLiteral("Seleção de clientes inválida."),
                                          QStringLiteral("Seleção de clientes muito grande: escolha no máximo %1."));
    const QStringList prospects = selection(args, 2, QStringLiteral("Seleção de prospects inválida."),
                                            QStringLiteral("Seleção de prospects muito grande: escolha no máximo %1."));
    const QStringList contacts = selection(args, 10, QStringLiteral("Seleção de contatos inválida."),
                                           QStringLiteral("Seleção de contatos muito grande: escolha no máximo %1."));
    QStringList party;
    if (!clients.isEmpty()) party << inCondition(QStringLiteral("P.CDCLIENTE"), clients, QStringLiteral("CLI"), c.params());
    if (!prospects.isEmpty()) party << inCondition(QStringLiteral("P.CDPROSPECT"), prospects, QStringLiteral("PRO"), c.params());
    if (!party.isEmpty()) c.add(u'(' + party.join(QStringLiteral(" OR ")) + u')');
    if (!contacts.isEmpty()) c.add(inCondition(QStringLiteral("P.NRCONTATO"), contacts, QStringLiteral("CON"), c.params()));
}

void addContract(const Args& args, Conditions& c) {
    const QString code = args.string(17).trimmed().toUpper();
    if (code.isEmpty() || isAll(code)) return;
    QStringList kinds;
    for (const QString& part : code.split(u'_', Qt::SkipEmptyParts)) {
        if (part != QLatin1String("M") && part != QLatin1String("L") && part != QLatin1String("S"))
            throw MethodError(QStringLiteral("Tipo de contrato inválido no filtro: \"%1\".").arg(args.string(17).trimmed()));
        if (!kinds.contains(part)) kinds << part;
    }
    if (kinds.isEmpty()) throw MethodError(QStringLiteral("Tipo de contrato inválido no filtro: \"%1\".").arg(args.string(17).trimmed()));
    c.add(inCondition(QStringLiteral("P.IDTIPOPROPFAS"), kinds, QStringLiteral("CTR"), c.params()));
}

// An operator whose group may not see the whole branch sees his own proposals whatever
// the filter asks.
void addOperator(const Args& args, Conditions& c, Caller& caller) {
    QString op = args.string(16).trimmed();
    if (!caller.seesAllProposals()) {
        if (!isAll(op)) caller.requireSelf(op);
        op = caller.operatorCode();
    }
    if (isAll(op)) return;
    c.params().insert(QStringLiteral("OPER"), op);
    c.add(QStringLiteral("(P.CDOPERINCL = :OPER OR P.CDOPERSOLI = :OPER)"));
}

// The salesperson of the pipeline's rows; within what the operator rule above leaves.
void addSeller(const Args& args, Conditions& c) {
    const QString seller = args.string(22).trimmed();
    if (seller.isEmpty() || isAll(seller)) return;
    c.params().insert(QStringLiteral("VEND"), seller);
    c.add(versionSellerSql() + QStringLiteral(" = :VEND"));
}

// Case folding in SQL differs between the engines (SQLite folds ASCII only), so the
// reference is matched here, with Unicode case folding.
std::function<bool(const SqlRow&)> withReference(const QString& reference) {
    if (reference.isEmpty()) return {};
    auto column = std::make_shared<RowColumn>("DSREFEPROPOSFAS");
    return [column, reference](const SqlRow& row) {
        return textOf(row, column->in(row)).contains(reference, Qt::CaseInsensitive);
    };
}

// The search box's text, matched here for the same reason; a number typed as people read
// it also finds the version by its key.
std::function<bool(const SqlRow&)> withSearch(const QString& search) {
    if (search.isEmpty()) return {};
    struct Columns {
        RowColumn nr{"NRPROPOSFAS"}, ver{"NRVERPROPFAS"};
        std::vector<RowColumn> texts{RowColumn("NOME"), RowColumn("NMRAZSOCPROS"), RowColumn("DSREFEPROPOSFAS"),
                                     RowColumn("NMCONTATO")};
    };
    auto columns = std::make_shared<Columns>();
    ProposalKeyText key;
    const bool numbered = parseShortProposalNumber(search, &key);
    const QString wanted = foldedText(search);
    return [columns, numbered, key, wanted](const SqlRow& row) {
        if (numbered && textOf(row, columns->nr.in(row)) == key.number &&
            (key.version.isEmpty() || textOf(row, columns->ver.in(row)) == key.version))
            return true;
        for (RowColumn& c : columns->texts)
            if (foldedText(textOf(row, c.in(row))).contains(wanted)) return true;
        return false;
    };
}

// Both conditions, either of which may be absent.
std::function<bool(const SqlRow&)> both(std::function<bool(const SqlRow&)> a, std::function<bool(const SqlRow&)> b) {
    if (!a) return b;
    if (!b) return a;
    return [a = std::move(a), b = std::move(b)](const SqlRow& row) { return a(row) && b(row); };
}

Reply getPropostaAux(MethodContext& ctx, const Args& args) {
    Conditions c;
    c.params().insert(QStringLiteral("FILIAL"), args.string(0).trimmed());
    c.add(QStringLiteral("P.CDFILIAL = :FILIAL"));
    addParties(args, c);
    addDates(args, c);
    addStatuses(args, c);
    addDecision(args, c);
    addOperator(args, c, ctx.caller());
    addSeller(args, c);
    addContract(args, c);
    const QString reference = args.string(18).trimmed();
    const QString search = args.size() > 23 ? args.string(23).trimmed() : QString();
    return proposalList(ctx.db, c.where(), c.params(), both(withReference(reference), withSearch(search)));
}

// What the list's refresh watches: the client decisions on the versions the caller may
// list in the branch, as "latest decision time|how many". The desktop reloads its list
// only when this changes.
Reply getUltimaDecisao(MethodContext& ctx, const Args& args) {
    QVariantMap params{{QStringLiteral("FILIAL"), args.string(0).trimmed()}};
    QString where = QStringLiteral("P.CDFILIAL = :FILIAL");
    Caller& caller = ctx.caller();
    if (!caller.seesAllProposals()) {
        params.insert(QStringLiteral("OPER"), caller.operatorCode());
        where += QStringLiteral(" AND (P.CDOPERINCL = :OPER OR P.CDOPERSOLI = :OPER)");
    }
    const Packet latest = shaped(ctx.db,
                                 QStringLiteral("SELECT MAX(DC.DTDECISAO) AS ULTIMA, COUNT(*) AS QTDECISOES "
                                                "FROM DECISAOPROP DC JOIN PROPOSTAFAS P ON P.NRPROPOSFAS = DC.NRPROPOSFAS "
                                                "AND P.NRVERPROPFAS = DC.NRVERPROPFAS WHERE ") + where,
                                 params, {date("ULTIMA"), {QStringLiteral("QTDECISOES"), FieldType::Integer, 0}});
    const QDateTime last = latest.value(0, "ULTIMA").toDateTime();
    return QJsonValue((last.isValid() ? isoDateTimeText(last) : QString()) + u'|' +
                      QString::number(latest.value(0, "QTDECISOES").toLongLong()));
}

// The pick lists of the filter; IDMARCADO is the pick's own mark, always empty here.
Reply getPesqCliente(MethodContext& ctx, const Args&) {
    static const QList<FieldDef> fields{fixed("IDMARCADO"), text("IDCLIENPROSP", 1), stored("CLIENTE", "CDFILIAL"),
                                        stored("CLIENTE", "CDCLIENTE"), stored("CLIENTE", "NRINSJURCLIE"),
                                        stored("CLIENTE", "NMFANTCLIE"), stored("CLIENTE", "IDTPIJURCLIE"),
                                        stored("CLIENTE", "NMRAZSOCCLIE")};
    return packetResult(shaped(ctx.db,
                               QStringLiteral("SELECT '' AS IDMARCADO, 'C' AS IDCLIENPROSP, CDFILIAL, CDCLIENTE, NRINSJURCLIE, "
                                              "NMFANTCLIE, IDTPIJURCLIE, NMRAZSOCCLIE FROM CLIENTE ORDER BY NMFANTCLIE, CDCLIENTE"),
                               {}, fields));
}

Reply getPesqProspect(MethodContext& ctx, const Args&) {
    static const QList<FieldDef> fields{fixed("IDMARCADO"), text("IDCLIENPROSP", 1), stored("PROSPECT", "CDFILIAL"),
                                        stored("PROSPECT", "CDPROSPECT"), stored("PROSPECT", "NRINSJURPROS"),
                                        stored("PROSPECT", "NMFANTPROS"), stored("PROSPECT", "IDTPIJURPROS"),
                                        stored("PROSPECT", "NMRAZSOCPROS")};
    return packetResult(shaped(ctx.db,
                               QStringLiteral("SELECT '' AS IDMARCADO, 'P' AS IDCLIENPROSP, CDFILIAL, CDPROSPECT, NRINSJURPROS, "
                                              "NMFANTPROS, IDTPIJURPROS, NMRAZSOCPROS FROM PROSPECT ORDER BY NMFANTPROS, CDPROSPECT"),
                               {}, fields));
}

Reply getPesqCont(MethodContext& ctx, const Args&) {
    static const QList<FieldDef> fields{text("IDCLIENPROSP", 1), fixed("IDMARCADO"), stored("CONTATO", "CDFILIAL"),
                                        stored("CONTATO", "NRCONTATO"), stored("CONTATO", "DSREFECONT")};
    return packetResult(shaped(ctx.db,
                               QStringLiteral("SELECT IDTPCONTATO AS IDCLIENPROSP, '' AS IDMARCADO, CDFILIAL, NRCONTATO, DSREFECONT "
                                              "FROM CONTATO ORDER BY DSREFECONT, CDFILIAL, NRCONTATO"),
                               {}, fields));
}

}  // namespace

void registerProposalFilterMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("GetPropostaAux"), 19, 24, AccessRule::session().branch(0), getPropostaAux);
    registry.add(QStringLiteral("GetUltimaDecisao"), 1, AccessRule::session().branch(0), getUltimaDecisao);
    registry.add(QStringLiteral("GetPesqCliente"), 0, AccessRule::session(), getPesqCliente);
    registry.add(QStringLiteral("GetPesqProspect"), 0, AccessRule::session(), getPesqProspect);
    registry.add(QStringLiteral("GetPesqCont"), 0, AccessRule::session(), getPesqCont);
}

}  // namespace cot::server::detail
