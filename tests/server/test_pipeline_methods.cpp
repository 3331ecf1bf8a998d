// The sales pipeline's figures: counted against the proposal list as the desktop receives
// it, one deal per proposal number, and valued against proposalTotals(); the statuses and
// the period at their boundaries; a salesperson who sees only his own; conversion and days
// to decide.
#include <QSet>
#include <cmath>

#include "server/methods/proposal_totals.h"
#include "support/packet_cells.h"
#include "server_cases_a.h"

using namespace cot;
using namespace cot::testing;

namespace {

const QDate kToday(2026, 12, 6);  // the test server's clock

QString generated(int n) { return QStringLiteral("9%1").arg(n, 19, 10, QLatin1Char('0')); }

QVariant noDate() { return QVariant(QMetaType::fromType<QDateTime>()); }
QVariant at(const QDate& d, int hour = 0, int minute = 0) { return QDateTime(d, QTime(hour, minute)); }

struct Cell { qint64 count = -1; QVariant value; QString label; QVariant monthly; };  // count -1: no such row

Cell cell(const Packet& p, const QString& group, const QString& key) {
    for (int r = 0; r < p.rows.size(); ++r)
        if (p.value(r, "NMGRUPO").toString() == group && p.value(r, "CDCHAVE").toString() == key)
            return {p.value(r, "QTPROPOSTAS").toLongLong(), p.value(r, "VRTOTAL"), p.value(r, "DSCHAVE").toString(),
                    p.value(r, "VRMENSAL")};
    return {};
}

QList<qint64> counts(const Packet& p, const QString& group, const QStringList& keys) {
    QList<qint64> out;
    for (const QString& key : keys) out << cell(p, group, key).count;
    return out;
}

// "nr/ver" of the version each proposal number counts by, worked out here from the rows:
// the accepted one (the deal's row, else approved), else the latest.
QSet<QString> dealVersions(server::Database& db) {
    const Packet rows = db.query("SELECT P.NRPROPOSFAS, P.NRVERPROPFAS, P.DTACEPROPFAS, A.NRVERPROPFAS AS ACEITA "
                                 "FROM PROPOSTAFAS P LEFT JOIN ACEITEPROP A ON A.NRPROPOSFAS = P.NRPROPOSFAS "
                                 "AND A.NRVERPROPFAS = P.NRVERPROPFAS");
    QMap<QString, QPair<int, QString>> best;  // number → (rank, version)
    for (int r = 0; r < rows.rows.size(); ++r) {
        const QString nr = rows.value(r, "NRPROPOSFAS").toString(), ver = rows.value(r, "NRVERPROPFAS").toString();
        const int rank = !rows.value(r, "ACEITA").toString().isEmpty() ? 2 : rows.value(r, "DTACEPROPFAS").toDateTime().isValid() ? 1 : 0;
        if (!best.contains(nr) || qMakePair(rank, ver) > best.value(nr)) best[nr] = {rank, ver};
    }
    QSet<QString> out;
    for (auto it = best.cbegin(); it != best.cend(); ++it) out << it.key() + u'/' + it.value().second;
    return out;
}

QStringList keys(const Packet& p, const QString& group) {
    QStringList out;
    for (int r = 0; r < p.rows.size(); ++r)
        if (p.value(r, "NMGRUPO").toString() == group) out << p.value(r, "CDCHAVE").toString();
    return out;
}

struct Tally {
    qint64 count = 0;
    long double value = 0, monthly = 0;
};

class PipelineTest : public cot::testing::DemoServerTest {
protected:
    struct Version {
        QString nr, ver = "01";
        QVariant created, validUntil, accepted;
        QString requester = "VENDEDOR", includer = "VENDEDOR";
        QString charging = "P";
        QVariant package = 0.0;
    };
    // One row of `table` with the named values.
    void insert(const char* table, const QVariantMap& values) {
        const QStringList columns = values.keys();
        server_.db().exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (:%3)").arg(table, columns.join(", "), columns.join(", :")),
                          values);
    }
    void add(const Version& v) {
        insert("PROPOSTAFAS", {{"NRPROPOSFAS", v.nr}, {"NRVERPROPFAS", v.ver}, {"CDFILIAL", "0001"}, {"IDSOLPROPFAS", "N"},
                               {"IDCLIENPROSP", "C"}, {"CDCLIENTE", "22333444000172"}, {"DSREFEPROPOSFAS", "Gerada"},
                               {"DTPROPOSFAS", v.created}, {"DTVALPROPFAS", v.validUntil.isValid() ? v.validUntil : noDate()},
                               {"DTACEPROPFAS", v.accepted.isValid() ? v.accepted : noDate()}, {"CDOPERSOLI", v.requester},
                               {"CDOPERINCL", v.includer}, {"IDTIPOPROPFAS", "M"}, {"VRPACOTESERV", v.package},
                               {"IDTIPOCOBRSERV", v.charging}});
        // An approval holds its number, as the server's approval writes it.
        if (v.accepted.isValid()) insert("ACEITEPROP", {{"NRPROPOSFAS", v.nr}, {"NRVERPROPFAS", v.ver}, {"DTACEITE", v.accepted}});
    }
    void declineByClient(const QString& nr, const QString& ver, const QVariant& when) {
        insert("DECISAOPROP", {{"NRPROPOSFAS", nr}, {"NRVERPROPFAS", ver}, {"NRENVIO", 1}, {"IDDECISAO", "R"},
                               {"DTDECISAO", when}, {"TXHASHCONT", QString(64, u'0')}});
    }
    void markLost(const QString& nr, const QString& ver, const QVariant& when) {
        insert("PERDAPROP", {{"NRPROPOSFAS", nr}, {"NRVERPROPFAS", ver}, {"DTPERDA", when}, {"CDOPERADOR", "VENDEDOR"},
                             {"IDMOTIVO", "P"}});
    }

    // Versions whose amounts fall on the cent's edge (0.29 × 100 and the like), with and
    // without installments, charged by package and by the hour.
    void addGeneratedVersions(int count) {
        const char* const sellers[] = {"VENDEDOR", "GERENTE", "ASSIST"};
        for (int i = 0; i < count; ++i) {
            const QString nr = generated(i);
            add({.nr = nr, .created = at(QDate(2026, 1, 3).addDays(i * 11), i % 24), .validUntil = at(kToday.addDays(i % 30 - 12)),
                 .accepted = i % 7 == 3 ? at(QDate(2026, 12, 1)) : QVariant(), .requester = sellers[i % 3],
                 .includer = sellers[(i + 1) % 3], .charging = i % 2 ? "H" : "P", .package = 1234.567 + 0.01 * i});
            const QVariantMap version{{"NRPROPOSFAS", nr}, {"NRVERPROPFAS", "01"}};
            const auto with = [&](QVariantMap values) { return values.insert(version), values; };
            for (int l = 0; l < 1 + i % 3; ++l) {
                const QString line = QString::number(l + 1);
                insert("LINPPROP", with({{"CDLINPPROP", line}, {"QTMINIMAFATPROP", l == 2 ? 0.5 : 3.0},
                                         {"VRLICENCUSOPROP", 0.29 + 0.07 * i}, {"VRDESLICUSOPROP", l ? 0.01 * l : QVariant()},
                                         {"VRMENSALIDAPROP", 19.99 + 0.1 * l}, {"VRDESMENSALPROP", i % 4 ? 0.33 : QVariant()}}));
                for (int k = 0; (i + l) % 3 == 0 && k < 3; ++k)
                    insert("VENCLINPPROP", with({{"CDLINPPROP", line}, {"DTVELUSOPEDP", at(kToday.addMonths(k))},
                                                 {"VRVELUSOPEDP", 100.005 / 3 + 0.1 * k}}));
            }
            for (int s = 0; i % 2 && s < 2; ++s)
                insert("SERVPROP", with({{"NRSERVPROP", QString("00%1").arg(s + 1)}, {"CDTIPOSERV", "003"},
                                         {"QTSERVPROP", 1.5 + s}, {"VRDEHORAPROP", 0.29 * (i + 1)}}));
            for (int k = 0; i % 4 == 0 && k < 2; ++k)
                insert("VENCSERVPROP", with({{"DTVENCSERVPROP", at(kToday.addMonths(k))}, {"VRVENCSERVPROP", 617.2835 + 0.07 * i}}));
        }
    }

    Packet panel(const QVariantList& args) { return packet("GetPainelPropostas", args); }
    QString refusal(const QVariantList& args) { return call("GetPainelPropostas", args).error; }
};

// Counted from the list the desktop shows (one row per version, of which each number's deal
// version counts) and valued by proposalTotals(), nothing shared with the method but the data;
// the list's own value columns equal those totals row by row (a missing discount counts as
// zero, a version with nothing priced is worth zero, not null).
// The figures each version keeps are those of its totals, each cut to the cent, whatever
// writes the rows they are made of: one-off (licence + services) and monthly.
TEST_P(PipelineTest, FiguresAddUpTheListAndEachVersionKeepsThoseOfItsTotalsThroughEveryChange) {
    addGeneratedVersions(40);
    declineByClient(nr(9), "01", at(kToday.addDays(-2)));  // an open version
    markLost(nr(12), "01", at(kToday.addDays(-1), 15));
    declineByClient(nr(12), "01", at(kToday.addDays(-2)));  // lost wins
    add({.nr = generated(99), .created = at(QDate(2026, 2, 2)), .charging = "H", .package = QVariant()});  // nothing priced
    const QDate from(2022, 12, 7), to(2027, 12, 6);  // five years, the longest period taken

    const Packet list = server_.connection().getPacket("GetProposta", {"0001", "T"});
    const QSet<QString> deals = dealVersions(server_.db());
    QMap<QString, Tally> byStatus, bySeller, byMonth;
    Tally all;
    qint64 versions = 0;
    for (const char* column : {"VRTOTAL", "VRMENSAL"}) EXPECT_EQ(list.fields.value(list.indexOf(column)).type, FieldType::Float);
    for (int r = 0; r < list.rows.size(); ++r) {
        SCOPED_TRACE(list.value(r, "PROPOSTAVERS").toString().toStdString());
        const auto t = server::proposalTotals(server_.db(), list.value(r, "NRPROPOSFAS").toString(),
                                              list.value(r, "NRVERPROPFAS").toString());
        ASSERT_TRUE(t);
        EXPECT_FALSE(list.value(r, "VRTOTAL").isNull() || list.value(r, "VRMENSAL").isNull());
        EXPECT_NEAR(list.value(r, "VRTOTAL").toDouble(), double(t->grand()), 1e-6);
        EXPECT_NEAR(list.value(r, "VRMENSAL").toDouble(), double(t->monthly), 1e-6);
        const QDate created = list.value(r, "DTPROPOSFAS").toDateTime().date();
        if (created < from || created > to) continue;
        ++versions;
        if (!deals.contains(list.value(r, "PROPOSTAVERS").toString())) continue;
        QString status = list.value(r, "IDSITUACAO").toString();
        if (list.value(r, "IDDECCLIENTE").toString() == "R" && QString("VEX").contains(status)) status = "R";
        const QString requester = list.value(r, "CDOPERSOLI").toString();
        const QString seller = requester.isEmpty() ? list.value(r, "CDOPERINCL").toString() : requester;
        for (Tally* tally : {&byStatus[status], &bySeller[seller], &byMonth[created.toString("yyyy-MM")], &all}) {
            ++tally->count;
            tally->value += t->grand();
            tally->monthly += t->monthly;
        }
    }
    ASSERT_GT(versions, all.count) << "the demo data has numbers with several versions";
    ASSERT_GT(byStatus.size(), 4) << "the data covers most statuses";
    ASSERT_GE(byStatus.value("R").count, 1);

    const Packet p = panel({"0001", from.toString("dd/MM/yyyy"), to.toString(Qt::ISODate), ""});
    for (const char* code : {"V", "E", "X", "A", "R", "P", "S"}) byStatus[code];  // a row for every status
    QMap<QString, Tally> total{{"TOTAL", all}};
    for (const auto& [group, tallies, monthly] : {std::tuple{"SITUACAO", &byStatus, true}, {"VENDEDOR", &bySeller, false},
                                                  {"MES", &byMonth, false}, {"RESUMO", &total, true}})
        for (auto it = tallies->cbegin(); it != tallies->cend(); ++it) {
            const Cell c = cell(p, group, it.key());
            EXPECT_EQ(c.count, it->count) << group << " " << it.key().toStdString();
            EXPECT_NEAR(c.value.toDouble(), double(it->value), 0.005) << group << " " << it.key().toStdString();
            if (monthly) {
                EXPECT_NEAR(c.monthly.toDouble(), double(it->monthly), 0.005) << group << " " << it.key().toStdString();
            }
        }
    qint64 monthStatuses = 0;
    for (int r = 0; r < p.rows.size(); ++r)
        if (p.value(r, "NMGRUPO").toString() == "MES_SITUACAO") monthStatuses += p.value(r, "QTPROPOSTAS").toLongLong();
    EXPECT_EQ(monthStatuses, all.count);
    EXPECT_EQ(cell(p, "MES", "2022-12").count, 0) << "every month of the period, empty ones too";
    EXPECT_EQ(cell(p, "VENDEDOR", "GERENTE").label, "Gerente Comercial");

    auto expectKept = [&](const char* stage) {
        const Packet rows = server_.db().query("SELECT NRPROPOSFAS, NRVERPROPFAS, VRTOTCENTPROP, VRMENCENTPROP FROM PROPOSTAFAS");
        ASSERT_GT(rows.rows.size(), 50);
        for (int r = 0; r < rows.rows.size(); ++r) {
            const QString nr = rows.value(r, "NRPROPOSFAS").toString(), ver = rows.value(r, "NRVERPROPFAS").toString();
            const auto t = server::proposalTotals(server_.db(), nr, ver);
            ASSERT_TRUE(t);
            EXPECT_EQ(std::pair(rows.value(r, "VRTOTCENTPROP").toLongLong(), rows.value(r, "VRMENCENTPROP").toLongLong()),
                      std::pair(std::llround(t->licence * 100) + std::llround(t->services * 100), std::llround(t->monthly * 100)))
                << stage << " " << (nr + "/" + ver).toStdString();
        }
    };
    expectKept("inserted");
    auto& db = server_.db();
    db.exec("UPDATE LINPPROP SET QTMINIMAFATPROP = QTMINIMAFATPROP + 1.5, VRDESMENSALPROP = 0.07 WHERE CDLINPPROP = '2'");
    db.exec("DELETE FROM VENCLINPPROP WHERE CDLINPPROP = '1'");
    db.exec("UPDATE VENCLINPPROP SET VRVELUSOPEDP = VRVELUSOPEDP + 0.29");
    expectKept("lines and their installments changed");

    db.exec("UPDATE PROPOSTAFAS SET IDTIPOCOBRSERV = CASE IDTIPOCOBRSERV WHEN 'H' THEN 'P' ELSE 'H' END "
            "WHERE NRPROPOSFAS IN (:A, :B)", {{"A", generated(3)}, {"B", generated(4)}});
    db.exec("UPDATE PROPOSTAFAS SET VRPACOTESERV = 0.29 WHERE NRPROPOSFAS = :A", {{"A", generated(6)}});
    db.exec("DELETE FROM VENCSERVPROP WHERE NRPROPOSFAS = :A", {{"A", generated(8)}});
    db.exec("UPDATE SERVPROP SET VRDEHORAPROP = 150.55 WHERE NRSERVPROP = '002'");
    expectKept("services and their charging changed");

    // A line moved to another version leaves the first and counts in the second.
    db.exec("UPDATE LINPPROP SET NRPROPOSFAS = :B, CDLINPPROP = '9' WHERE NRPROPOSFAS = :A AND CDLINPPROP = '1'",
            {{"A", generated(5)}, {"B", generated(7)}});
    db.exec("DELETE FROM SERVPROP WHERE NRPROPOSFAS = :A", {{"A", generated(1)}});
    db.exec("DELETE FROM LINPPROP WHERE NRPROPOSFAS = :A", {{"A", generated(2)}});
    expectKept("rows moved and deleted");
}

// Three periods of their own: statuses at their validity boundaries (January 2025), whole
// days at both ends (February to April) and decisions (June).
TEST_P(PipelineTest, StatusesPeriodsAndDecisionsAtTheirBoundaries) {
    const QDate created(2025, 1, 15);
    const QList<QPair<QVariant, QString>> cases{{at(kToday.addDays(-1), 23, 59), "X"}, {at(kToday), "E"},
                                                {at(kToday, 23, 59), "E"},             {at(kToday.addDays(10), 23, 59), "E"},
                                                {at(kToday.addDays(11)), "V"},         {QVariant(), "X"}};
    for (int i = 0; i < cases.size(); ++i) add({.nr = generated(10 + i), .created = at(created, 9), .validUntil = cases[i].first});
    for (const auto& [n, when] : QList<QPair<int, QVariant>>{{0, at(QDate(2025, 2, 28), 23, 59)}, {1, at(QDate(2025, 3, 1))},
                                                              {2, at(QDate(2025, 3, 31), 23, 59)}, {3, at(QDate(2025, 4, 1))}})
        add({.nr = generated(20 + n), .created = when, .validUntil = at(kToday.addDays(30))});
    const QDate june(2025, 6, 1);
    add({.nr = generated(1), .created = at(june, 18), .accepted = at(june.addDays(10), 9)});  // 10 days
    add({.nr = generated(1), .ver = "02", .created = at(june)});  // the same deal: counted as 01
    declineByClient(generated(1), "02", at(june.addDays(1)));                     // not a decision then
    add({.nr = generated(2), .created = at(june.addDays(1))});
    declineByClient(generated(2), "01", at(june.addDays(5), 23));                 // 4 days
    add({.nr = generated(3), .created = at(june.addDays(2))});
    markLost(generated(3), "01", at(june.addDays(9)));                            // 7 days, from the loss
    declineByClient(generated(3), "01", at(june.addDays(3)));
    add({.nr = generated(4), .created = at(june.addDays(3)), .validUntil = at(kToday.addDays(20))});

    const Packet p = panel({"0001", "15/01/2025", "15/01/2025", ""});
    EXPECT_EQ(counts(p, "SITUACAO", {"X", "E", "V", "A"}), QList<qint64>({2, 3, 1, 0}));
    EXPECT_EQ(cell(p, "SITUACAO", "E").value.toDouble(), 0.0);

    const Packet list = server_.connection().getPacket("GetProposta", {"0001", "T"});
    for (int r = 0; r < list.rows.size(); ++r)
        for (int i = 0; i < cases.size(); ++i)
            if (list.value(r, "NRPROPOSFAS").toString() == generated(10 + i)) {
                EXPECT_EQ(list.value(r, "IDSITUACAO").toString(), cases[i].second) << i;
            }

    EXPECT_EQ(cell(panel({"0001", "01/03/2025", "31/03/2025", ""}), "RESUMO", "TOTAL").count, 2);
    EXPECT_EQ(cell(panel({"0001", "2025-03-01", "2025-03-31T00:00:00", ""}), "RESUMO", "TOTAL").count, 2);
    const Packet months = panel({"0001", "15/02/2025", "10/04/2025", ""});
    EXPECT_EQ(keys(months, "MES"), QStringList({"2025-02", "2025-03", "2025-04"}));
    EXPECT_EQ(counts(months, "MES", {"2025-02", "2025-03"}) + counts(months, "MES_SITUACAO", {"2025-03|V"}),
              QList<qint64>({1, 2, 2}));
    EXPECT_TRUE(cell(months, "RESUMO", "CONVERSAO").value.isNull() && cell(months, "RESUMO", "DIAS_DECISAO").value.isNull())
        << "nothing decided";
    EXPECT_EQ(QStringList({cell(months, "MES", "2025-02").label, cell(months, "MES_SITUACAO", "2025-03|V").label}),
              QStringList({"fev/2025", "mar/2025 - Válida"}));

    EXPECT_EQ(refusal({"0001", "31/02/2025", "31/03/2025", ""}), "Data inválida: 31/02/2025.");
    EXPECT_EQ(refusal({"0001", "01/03/2025", "", ""}), "Data inválida: .");
    EXPECT_EQ(refusal({"0001", "02/03/2025", "01/03/2025", ""}), "A data inicial não pode ser maior que a data final.");
    EXPECT_EQ(refusal({"0001", "01/03/2020", "02/03/2025", ""}), "O período pode ter no máximo 5 anos.");
    EXPECT_TRUE(call("GetPainelPropostas", {"0001", "01/03/2020", "01/03/2025", ""}).ok);
    // Conversion and days to decide count accepted, declined and lost.
    const Packet decided = panel({"0001", "01/06/2025", "30/06/2025", ""});
    // A superseded version is not a deal of its own.
    EXPECT_EQ(counts(decided, "SITUACAO", {"A", "R", "P", "S", "V"}) + counts(decided, "RESUMO", {"CONVERSAO", "DIAS_DECISAO"}),
              QList<qint64>({1, 1, 1, 0, 1, 3, 3}));
    EXPECT_NEAR(cell(decided, "RESUMO", "CONVERSAO").value.toDouble(), 1.0 / 3, 1e-12);
    EXPECT_NEAR(cell(decided, "RESUMO", "DIAS_DECISAO").value.toDouble(), 7.0, 1e-12);
}

TEST_P(PipelineTest, ASalespersonsRowCountsHisDealsAndListsHisVersionsOnly) {
    addGeneratedVersions(30);
    add({.nr = generated(90), .created = at(QDate(2026, 3, 1)), .validUntil = at(kToday), .requester = "",
         .includer = "GERENTE"});  // nobody requested it: counted for who included it
    add({.nr = generated(91), .created = at(QDate(2026, 5, 4)), .validUntil = at(kToday), .requester = "GERENTE",
         .includer = "ASSIST"});  // his own, but counted for the manager who asked for it
    const QSet<QString> deals = dealVersions(server_.db());
    // A click on a salesperson's row lists his versions: the list's salesperson criterion
    // (GetPropostaAux's 23rd argument) keeps the versions of his row's deals, and only his.
    const Packet p = panel({"0001", "01/01/2022", "31/12/2026", ""});
    const QStringList sellers = keys(p, "VENDEDOR");
    ASSERT_GE(sellers.size(), 3);
    auto listed = [&](const QVariant& seller) {
        QVariantList args{"0001", "T", "T", at(QDate(2022, 1, 1)), at(QDate(2026, 12, 31)), 0, 0, "", 0, 0,
                          "T", "T", "T", "", "", "", "T", "T", "", "T", "", ""};
        if (seller.isValid()) args << seller;
        return server_.connection().getPacket("GetPropostaAux", args);
    };
    qint64 sum = 0;
    for (const QString& seller : sellers) {
        const Packet rows = listed(seller);
        qint64 dealsListed = 0;
        for (int r = 0; r < rows.rows.size(); ++r) {
            const QString requester = rows.value(r, "CDOPERSOLI").toString().trimmed();
            EXPECT_EQ(requester.isEmpty() ? rows.value(r, "CDOPERINCL").toString() : requester, seller);
            dealsListed += deals.contains(rows.value(r, "PROPOSTAVERS").toString());
        }
        EXPECT_EQ(dealsListed, cell(p, "VENDEDOR", seller).count) << seller.toStdString();
        sum += rows.rows.size();
    }
    EXPECT_EQ(sum, listed({}).rows.size()) << "every version is some salesperson's, once";
    EXPECT_EQ(listed("T").rows.size(), sum);

    // Counted here from the rows: his deals, everyone's, and those of his row.
    const Packet rows = server_.db().query("SELECT NRPROPOSFAS, NRVERPROPFAS, CDOPERSOLI, CDOPERINCL FROM PROPOSTAFAS "
                                           "WHERE CDFILIAL = '0001' AND DTPROPOSFAS >= :F AND DTPROPOSFAS < :T",
                                           {{"F", at(QDate(2026, 1, 1))}, {"T", at(QDate(2027, 1, 1))}});
    qint64 his = 0, everyone = 0, countedForHim = 0;
    for (int r = 0; r < rows.rows.size(); ++r) {
        if (!deals.contains(rows.value(r, "NRPROPOSFAS").toString() + '/' + rows.value(r, "NRVERPROPFAS").toString()))
            continue;
        const QString requester = rows.value(r, "CDOPERSOLI").toString().trimmed();
        const QString includer = rows.value(r, "CDOPERINCL").toString().trimmed();
        ++everyone;
        his += requester == "ASSIST" || includer == "ASSIST";
        countedForHim += (requester.isEmpty() ? includer : requester) == "ASSIST";
    }
    ASSERT_GT(everyone, his);
    ASSERT_LT(countedForHim, his) << "the data has deals he included for another";
    const QVariantList year{"0001", "01/01/2026", "31/12/2026"};
    const Packet named = panel(year + QVariantList{"ASSIST"});
    EXPECT_EQ(cell(named, "RESUMO", "TOTAL").count, countedForHim) << "a manager naming him: his row's deals";
    EXPECT_EQ(keys(named, "VENDEDOR"), QStringList{"ASSIST"});
    EXPECT_EQ(cell(panel(year + QVariantList{""}), "RESUMO", "TOTAL").count, everyone);

    // A salesperson who sees only his own gets his own whatever he names, and cannot widen the
    // list by naming another.
    server_.connection().setToken(server_.openSession("ASSIST"));
    for (const char* name : {"", "T", "VENDEDOR", "GERENTE", "ASSIST"})
        EXPECT_EQ(cell(panel(year + QVariantList{QString::fromLatin1(name)}), "RESUMO", "TOTAL").count, his) << name;
    EXPECT_FALSE(call("GetPainelPropostas", {"0002", "01/01/2026", "31/12/2026", ""}).ok) << "not his branch";
    const Packet own = listed("GERENTE");
    for (int r = 0; r < own.rows.size(); ++r)
        EXPECT_TRUE(own.value(r, "CDOPERSOLI").toString() == "ASSIST" || own.value(r, "CDOPERINCL").toString() == "ASSIST");
}


COT_ON_EVERY_BACKEND(PipelineTest);

}  // namespace
