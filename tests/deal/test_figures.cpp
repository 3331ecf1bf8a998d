// A proposal's two figures, the one-off value (licence as charged plus services) and the
// monthly value, read on every surface that shows them: the columns the version keeps, the
// list, the totals method, the client's page, the pipeline and what the approval charges.
// One set of proposals, each figure worked out here by hand, compared to the cent.
#include <gtest/gtest.h>

#include <cmath>

#include "data/format_br.h"
#include "rpc/net_connection.h"
#include "server/client_page/page_data.h"
#include "server/client_page/proposal_page.h"
#include "server/methods/acceptance_charging.h"
#include "server/migrations/migrations.h"
#include "server/storage/database.h"
#include "server/server_cases_a.h"
#include "server/test_storage_engines.h"

using namespace cot;

namespace {

QString nr(int n) { return QStringLiteral("8%1").arg(n, 19, 10, QLatin1Char('0')); }
QDateTime at(int month, int day) { return QDateTime(QDate(2019, month, day), QTime(9, 0)); }
qint64 cents(double value) { return std::llround(value * 100); }

struct Figures {
    const char* what;
    int n;
    const char* ver;
    int month;  // of 2019, one deal per month
    double oneOff, monthly;
    QPair<qint64, qint64> cents() const { return qMakePair(::cents(oneOff), ::cents(monthly)); }
};

// 1 rental; 2 licence whose installments carry interest, package in installments; 3 services
// by the hour and a line cut to the cent; 4 a package, its two versions one deal.
const Figures kVersions[] = {
    {"aluguel", 1, "01", 3, 0.0, 1500.0},
    {"licença com juros", 2, "01", 4, 12084.61, 360.0},
    {"serviços por hora", 3, "01", 5, 2297.74, 40.0},
    {"pacote, primeira versão", 4, "01", 6, 5000.0, 0.0},
    {"pacote, versão vigente", 4, "02", 6, 7728.0, 0.0},
};

void version(server::Database& db, int n, const char* ver, int month, int day, const char* contract,
             const char* charging, double package) {
    db.exec("INSERT INTO PROPOSTAFAS (NRPROPOSFAS, NRVERPROPFAS, CDFILIAL, IDSOLPROPFAS, IDCLIENPROSP, CDCLIENTE, "
            "DSREFEPROPOSFAS, DTPROPOSFAS, DTVALPROPFAS, CDOPERINCL, CDOPERSOLI, IDTIPOPROPFAS, IDTIPOCOBRSERV, "
            "VRPACOTESERV) VALUES (:NR, :VER, '0001', 'N', 'C', '11222333000181', 'Figuras', :D, :V, 'VENDEDOR', "
            "'VENDEDOR', :K, :C, :P)",
            {{"NR", nr(n)}, {"VER", ver}, {"D", at(month, day)}, {"V", at(month, day).addDays(30)}, {"K", contract},
             {"C", charging}, {"P", package}});
}

void line(server::Database& db, int n, const char* code, double licence, double discount, double monthly,
          double monthlyDiscount, double quantity, const QList<double>& installments = {}) {
    db.exec("INSERT INTO LINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, CDLINPPROPINFOR, NMLINPPROP, IDTIPLINPP, "
            "VRLICENCUSOPROP, VRDESLICUSOPROP, VRMENSALIDAPROP, VRDESMENSALPROP, QTMINIMAFATPROP) "
            "VALUES (:NR, '01', :L, :L, 'Linha', 'S', :U, :D, :M, :MD, :Q)",
            {{"NR", nr(n)}, {"L", code}, {"U", licence}, {"D", discount}, {"M", monthly}, {"MD", monthlyDiscount},
             {"Q", quantity}});
    for (int i = 0; i < installments.size(); ++i)
        db.exec(
            "INSERT INTO VENCLINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, DTVELUSOPEDP, VRVELUSOPEDP) VALUES (:NR, '01', :L, :D, :V)",
            {{"NR", nr(n)}, {"L", code}, {"D", at(7 + i, 10)}, {"V", installments[i]}});
}

void prepare(server::Database& db) {
    version(db, 1, "01", 3, 10, "L", "H", 0);
    line(db, 1, "1", 0, 0, 800.0, 50.0, 2.0);  // (800 − 50) × 2 a month, nothing once

    version(db, 2, "01", 4, 10, "M", "P", 1200.0);
    line(db, 2, "1", 9500.0, 0, 320.0, 20.0, 1.0, {2375.0, 2375.0, 2410.63, 2410.63});  // 9.571,26 with interest
    line(db, 2, "2", 1301.0, 0, 60.0, 0, 1.0, {1301.0});
    for (const auto& [month, value] : QList<QPair<int, double>>{{7, 600.0}, {8, 612.35}})
        db.exec("INSERT INTO VENCSERVPROP (NRPROPOSFAS, NRVERPROPFAS, DTVENCSERVPROP, VRVENCSERVPROP) VALUES (:NR, '01', :D, :V)",
                {{"NR", nr(2)}, {"D", at(month, 10)}, {"V", value}});

    version(db, 3, "01", 5, 10, "M", "H", 0);
    line(db, 3, "1", 250.0, 10.0, 10.0, 0, 4.0);  // 960 once, 40 a month
    line(db, 3, "2", 33.333, 0, 0, 0, 3.0);       // 99,999: 99,99
    const QVariant kind = db.scalar("SELECT MIN(CDTIPOSERV) FROM TIPOSERV");
    for (const auto& [item, hours, rate] : {std::tuple{"001", 8.0, 123.5}, std::tuple{"002", 2.5, 99.9}})
        db.exec("INSERT INTO SERVPROP (NRPROPOSFAS, NRVERPROPFAS, NRSERVPROP, CDTIPOSERV, QTSERVPROP, VRDEHORAPROP) "
                "VALUES (:NR, '01', :S, :T, :Q, :R)",
                {{"NR", nr(3)}, {"S", item}, {"T", kind}, {"Q", hours}, {"R", rate}});

    version(db, 4, "01", 6, 3, "M", "P", 5000.0);
    version(db, 4, "02", 6, 20, "M", "P", 7728.0);
}

// The two figures a version keeps, in cents.
QPair<qint64, qint64> keptFigures(server::Database& db, const Figures& f) {
    const Packet p = db.query("SELECT VRTOTCENTPROP, VRMENCENTPROP FROM PROPOSTAFAS WHERE NRPROPOSFAS = :NR AND NRVERPROPFAS = :VER",
                              {{"NR", nr(f.n)}, {"VER", f.ver}});
    return p.isEmpty() ? qMakePair(qint64(-1), qint64(-1))
                       : qMakePair(p.value(0, "VRTOTCENTPROP").toLongLong(), p.value(0, "VRMENCENTPROP").toLongLong());
}

class FiguresTest : public cot::testing::DemoServerTest {
protected:
    FiguresTest() : DemoServerTest({.prepare = prepare}) {}
};

// Row of `key` (column CDCHAVE or the version "nr/ver" in PROPOSTAVERS) in a packet.
int rowOf(const Packet& p, const char* column, const QString& key, const char* group = nullptr) {
    for (int r = 0; r < p.rows.size(); ++r)
        if (p.value(r, column).toString() == key && (!group || p.value(r, "NMGRUPO").toString() == group)) return r;
    return -1;
}

TEST_P(FiguresTest, EverySurfaceShowsTheSameOneOffAndMonthlyValues) {
    NetConnection& net = server_.connection();
    const Packet list = net.getPacket("GetProposta", {"0001", "T"});
    const QVariantList year{"0001", "01/01/2019", "31/12/2019", ""};
    const Packet pipeline = net.getPacket("GetPainelPropostas", year);
    for (const Figures& f : kVersions) {
        SCOPED_TRACE(f.what);
        const int row = rowOf(list, "PROPOSTAVERS", nr(f.n) + '/' + f.ver);
        const Packet totals = net.getPacket("GetTotaisProposta", {nr(f.n), f.ver});
        const auto page = server::client_page::readPageProposal(server_.db(), nr(f.n), f.ver);
        ASSERT_TRUE(row >= 0 && totals.rows.size() == 1 && page);
        const QList<QPair<qint64, qint64>> surfaces{keptFigures(server_.db(), f),
            {cents(list.value(row, "VRTOTAL").toDouble()), cents(list.value(row, "VRMENSAL").toDouble())},
            {cents(totals.value(0, "VRUNICO").toDouble()), cents(totals.value(0, "VRMENSAL").toDouble())},
            {cents(double(page->totals.oneOff)), cents(double(page->totals.monthly))}};
        for (int i = 0; i < surfaces.size(); ++i) EXPECT_EQ(surfaces[i], f.cents()) << "kept, list, method, page: " << i;
        const QString html = server::client_page::proposalContentHtml(server_.db(), nr(f.n), f.ver);
        EXPECT_TRUE(html.contains(QStringLiteral("<th>Valor único</th><td class=\"n\"><strong id=\"total-geral\">R$ %1")
                                      .arg(formatMoney(f.oneOff))));
        EXPECT_EQ(html.contains(QStringLiteral("<th>Mensal</th><td class=\"n\"><strong id=\"mensal\">R$ %1")
                                    .arg(formatMoney(f.monthly))),
                  f.n != 4) << "shown when the proposal has lines";

        // The pipeline: one deal a month, 4/02 counting for the number 4 (its latest).
        if (f.n == 4 && f.ver[1] == '1') continue;
        const int month = rowOf(pipeline, "CDCHAVE", QStringLiteral("2019-%1").arg(f.month, 2, 10, QLatin1Char('0')), "MES");
        ASSERT_GE(month, 0);
        EXPECT_EQ((QList<qint64>{pipeline.value(month, "QTPROPOSTAS").toLongLong(), cents(pipeline.value(month, "VRTOTAL").toDouble()),
                                 cents(pipeline.value(month, "VRMENSAL").toDouble())}),
                  (QList<qint64>{1, cents(f.oneOff), cents(f.monthly)}));
    }
    EXPECT_EQ(pipeline.value(rowOf(pipeline, "CDCHAVE", "TOTAL"), "QTPROPOSTAS").toLongLong(), 4) << "five versions";

    // The client accepting 4/01 on his page makes it the deal's version.
    server_.db().exec("INSERT INTO ACEITEPROP (NRPROPOSFAS, NRVERPROPFAS, DTACEITE) VALUES (:NR, '01', :D)",
                      {{"NR", nr(4)}, {"D", at(7, 1)}});
    const Packet after = net.getPacket("GetPainelPropostas", year);
    EXPECT_EQ(cents(after.value(rowOf(after, "CDCHAVE", "2019-06", "MES"), "VRTOTAL").toDouble()), cents(5000.0));
}

// What the approval charges once is the one-off value (every part of proposal 2 is in
// installments), and the monthly value it puts under the client's contract is the "Mensal".
TEST_P(FiguresTest, TheApprovalChargesTheOneOffValueAndContractsTheMonthlyOne) {
    const Figures& f = kVersions[1];
    const server::acceptance::ChargingSummary charged = server::acceptance::generateCharging(
        server_.db(), {.number = nr(f.n), .version = f.ver, .client = "11222333000181", .branch = "0001",
                       .readjustMonth = "01", .oper = "VENDEDOR", .contract = "M", .serviceCharging = "P",
                       .packageValue = 1200.0, .acceptedOn = at(12, 1)});
    EXPECT_EQ(cents(double(charged.licence + charged.package)), cents(f.oneOff));
    const QVariantMap key{{"NR", nr(f.n)}, {"VER", f.ver}};
    const auto sum = [&](const char* of) {
        return cents(server_.db().scalar(QString("SELECT %1 WHERE NRPROPOSFAS = :NR AND NRVERPROPFAS = :VER").arg(of), key).toDouble());
    };
    EXPECT_EQ(qMakePair(sum("SUM(VRCOBR) FROM COBRPROP"), sum("SUM(VRMENSALIDAC * QTMINIMAFATC) FROM LINPCLIE")), f.cents());
}

// A database kept before the two figures: its versions held one sum (monthly added in) and
// triggers that kept it. The upgrade works both figures out again and replaces the triggers.
class FiguresUpgrade : public ::testing::TestWithParam<std::string> {};

TEST_P(FiguresUpgrade, StoredVersionsGetBothFiguresAndTheTriggersKeepThem) {
    server::testing::ScratchDatabase old(GetParam());
    server::Database* db = &old.db();
    const bool pg = GetParam() == "postgres";
    server::migrate(*db, 15);
    db->exec("INSERT INTO TIPOSERV (CDTIPOSERV, NMTIPOSERV) VALUES ('001', 'Implantação')");
    prepare(*db);
    db->exec("UPDATE PROPOSTAFAS SET VRTOTCENTPROP = 1");  // the old sum, whatever it was
    // A trigger of the old kind, by the old name, that the upgrade must not leave behind.
    if (pg) {
        db->exec("CREATE OR REPLACE FUNCTION COT_TG_VALOR_VERSAO() RETURNS TRIGGER LANGUAGE plpgsql AS $$ BEGIN "
                 "UPDATE PROPOSTAFAS SET VRTOTCENTPROP = -1; RETURN NULL; END $$");
        db->exec("CREATE TRIGGER TG_LINPPROP_VALOR AFTER INSERT ON LINPPROP FOR EACH ROW "
                 "EXECUTE FUNCTION COT_TG_VALOR_VERSAO()");
    } else {
        db->exec("CREATE TRIGGER TG_LINPPROP_VALOR_INS AFTER INSERT ON LINPPROP FOR EACH ROW BEGIN "
                 "UPDATE PROPOSTAFAS SET VRTOTCENTPROP = -1; END");
    }
    server::migrate(*db);

    const auto kept = [&](const Figures& f) { return keptFigures(*db, f); };
    for (const Figures& f : kVersions) EXPECT_EQ(kept(f), f.cents()) << f.what;
    line(*db, 4, "1", 100.0, 0, 30.0, 0, 2.0);  // to 4/01: 200 once, 60 a month more
    EXPECT_EQ(kept(kVersions[3]), qMakePair(cents(5200.0), cents(60.0)));
    EXPECT_EQ(kept(kVersions[4]), qMakePair(cents(7728.0), cents(0.0))) << "the other version untouched";
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Db, FiguresUpgrade, ::testing::ValuesIn(server::testing::engines()), server::testing::engineName);
COT_ON_EVERY_BACKEND(FiguresTest);
