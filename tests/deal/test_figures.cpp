// A proposal's two figures, the one-off value (licence as charged plus services) and the
// monthly value, read on every surface that shows them: the columns the version keeps, the
// list, the totals method, the client's page, the pipeline and what the approval charges.
// One set of proposals, each figure worked out here by hand, compared to the cent.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cmath>

#include "rpc/net_connection.h"
#include "server/client_page/page_data.h"
#include "server/client_page/proposal_page.h"
#include "server/methods/acceptance_charging.h"
#include "server/migrations/migrations.h"
#include "server/storage/database.h"
#include "support/test_server.h"

using namespace cot;
using cot::testing::Backend;
using cot::testing::TestServer;

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
    const char* oneOffText;
    const char* monthlyText;
};

// 1 rental; 2 licence whose installments carry interest, package in installments; 3 services
// by the hour and a line cut to the cent; 4 a package, its two versions one deal.
const Figures kVersions[] = {
    {"aluguel", 1, "01", 3, 0.0, 1500.0, "0,00", "1.500,00"},
    {"licença com juros", 2, "01", 4, 12084.61, 360.0, "12.084,61", "360,00"},
    {"serviços por hora", 3, "01", 5, 2297.74, 40.0, "2.297,74", "40,00"},
    {"pacote, primeira versão", 4, "01", 6, 5000.0, 0.0, "5.000,00", "0,00"},
    {"pacote, versão vigente", 4, "02", 6, 7728.0, 0.0, "7.728,00", "0,00"},
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
        db.exec("INSERT INTO VENCLINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, DTVELUSOPEDP, VRVELUSOPEDP) "
                "VALUES (:NR, '01', :L, :D, :V)",
                {{"NR", nr(n)}, {"L", code}, {"D", at(7 + i, 10)}, {"V", installments[i]}});
}

void prepare(server::Database& db) {
    version(db, 1, "01", 3, 10, "L", "H", 0);
    line(db, 1, "1", 0, 0, 800.0, 50.0, 2.0);  // (800 − 50) × 2 a month, nothing once

    version(db, 2, "01", 4, 10, "M", "P", 1200.0);
    line(db, 2, "1", 9500.0, 0, 320.0, 20.0, 1.0, {2375.0, 2375.0, 2410.63, 2410.63});  // 9.571,26 with interest
    line(db, 2, "2", 1301.0, 0, 60.0, 0, 1.0, {1301.0});
    for (const auto& [month, value] : QList<QPair<int, double>>{{7, 600.0}, {8, 612.35}})
        db.exec("INSERT INTO VENCSERVPROP (NRPROPOSFAS, NRVERPROPFAS, DTVENCSERVPROP, VRVENCSERVPROP) "
                "VALUES (:NR, '01', :D, :V)",
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

class FiguresTest : public ::testing::TestWithParam<Backend> {
protected:
    FiguresTest() : server_({.backend = GetParam(), .seed = true, .prepare = prepare}) {}

    // The list's row of a version.
    int listed(const Packet& list, const Figures& f) {
        for (int r = 0; r < list.rows.size(); ++r)
            if (list.value(r, "NRPROPOSFAS").toString() == nr(f.n) && list.value(r, "NRVERPROPFAS").toString() == f.ver)
                return r;
        return -1;
    }

    TestServer server_;
};

TEST_P(FiguresTest, EverySurfaceShowsTheSameOneOffAndMonthlyValues) {
    NetConnection& net = server_.connection();
    const Packet list = net.getPacket("GetProposta", {"0001", "T"});
    for (const Figures& f : kVersions) {
        SCOPED_TRACE(f.what);
        const QVariantMap key{{"NR", nr(f.n)}, {"VER", f.ver}};
        const Packet stored = server_.db().query("SELECT VRTOTCENTPROP, VRMENCENTPROP FROM PROPOSTAFAS "
                                                 "WHERE NRPROPOSFAS = :NR AND NRVERPROPFAS = :VER",
                                                 key);
        ASSERT_EQ(stored.rows.size(), 1);
        EXPECT_EQ(stored.value(0, "VRTOTCENTPROP").toLongLong(), cents(f.oneOff)) << "kept on the version";
        EXPECT_EQ(stored.value(0, "VRMENCENTPROP").toLongLong(), cents(f.monthly));

        const int row = listed(list, f);
        ASSERT_GE(row, 0);
        EXPECT_EQ(cents(list.value(row, "VRTOTAL").toDouble()), cents(f.oneOff)) << "the list";
        EXPECT_EQ(cents(list.value(row, "VRMENSAL").toDouble()), cents(f.monthly));

        const Packet totals = net.getPacket("GetTotaisProposta", {nr(f.n), f.ver});
        ASSERT_EQ(totals.rows.size(), 1);
        EXPECT_EQ(cents(totals.value(0, "VRUNICO").toDouble()), cents(f.oneOff)) << "the totals method";
        EXPECT_EQ(cents(totals.value(0, "VRMENSAL").toDouble()), cents(f.monthly));

        const auto page = server::client_page::readPageProposal(server_.db(), nr(f.n), f.ver);
        ASSERT_TRUE(page.has_value());
        EXPECT_EQ(cents(double(page->totals.grand())), cents(f.oneOff)) << "the client's page";
        EXPECT_EQ(cents(double(page->totals.monthly)), cents(f.monthly));
        const QString html = server::client_page::proposalContentHtml(server_.db(), nr(f.n), f.ver);
        EXPECT_TRUE(html.contains(QStringLiteral("<th>Valor único</th><td class=\"n\"><strong id=\"total-geral\">R$ %1")
                                      .arg(QString::fromUtf8(f.oneOffText))))
            << html.toStdString();
        if (f.n != 4)  // a proposal without lines has no monthly value to show
            EXPECT_TRUE(html.contains(QStringLiteral("<th>Mensal</th><td class=\"n\"><strong id=\"mensal\">R$ %1")
                                          .arg(QString::fromUtf8(f.monthlyText))))
                << html.toStdString();
    }
}

// A number counts once, by its latest version here (4/02, never 4/01 as well), each month
// holding one deal's figures.
TEST_P(FiguresTest, ThePipelineCountsEachDealOnceWithItsFigures) {
    const Packet p = server_.connection().getPacket("GetPainelPropostas", {"0001", "01/01/2019", "31/12/2019", ""});
    const auto row = [&](const QString& group, const QString& key) {
        for (int r = 0; r < p.rows.size(); ++r)
            if (p.value(r, "NMGRUPO").toString() == group && p.value(r, "CDCHAVE").toString() == key) return r;
        return -1;
    };
    double oneOff = 0, monthly = 0;
    for (const Figures& f : kVersions) {
        if (f.n == 4 && QLatin1String(f.ver) == QLatin1String("01")) continue;  // not the deal's version
        SCOPED_TRACE(f.what);
        const int r = row("MES", QStringLiteral("2019-%1").arg(f.month, 2, 10, QLatin1Char('0')));
        ASSERT_GE(r, 0);
        EXPECT_EQ(p.value(r, "QTPROPOSTAS").toLongLong(), 1);
        EXPECT_EQ(cents(p.value(r, "VRTOTAL").toDouble()), cents(f.oneOff));
        EXPECT_EQ(cents(p.value(r, "VRMENSAL").toDouble()), cents(f.monthly));
        oneOff += f.oneOff;
        monthly += f.monthly;
    }
    const int total = row("RESUMO", "TOTAL");
    ASSERT_GE(total, 0);
    EXPECT_EQ(p.value(total, "QTPROPOSTAS").toLongLong(), 4) << "four numbers, five versions";
    EXPECT_EQ(cents(p.value(total, "VRTOTAL").toDouble()), cents(oneOff));
    EXPECT_EQ(cents(p.value(total, "VRMENSAL").toDouble()), cents(monthly));
}

// What the approval charges once is the one-off value (every part of proposal 2 is in
// installments), and the monthly value it puts under the client's contract is the "Mensal".
TEST_P(FiguresTest, TheApprovalChargesTheOneOffValueAndContractsTheMonthlyOne) {
    const Figures& f = kVersions[1];
    server::acceptance::AcceptedProposal accepted;
    accepted.number = nr(f.n);
    accepted.version = f.ver;
    accepted.client = "11222333000181";
    accepted.branch = "0001";
    accepted.readjustMonth = "01";
    accepted.oper = "VENDEDOR";
    accepted.contract = "M";
    accepted.serviceCharging = "P";
    accepted.packageValue = 1200.0;
    accepted.acceptedOn = at(12, 1);
    const server::acceptance::ChargingSummary charged = server::acceptance::generateCharging(server_.db(), accepted);
    EXPECT_EQ(cents(double(charged.licence + charged.package)), cents(f.oneOff));
    const QVariantMap key{{"NR", nr(f.n)}, {"VER", f.ver}};
    EXPECT_EQ(cents(server_.db().scalar("SELECT SUM(VRCOBR) FROM COBRPROP WHERE NRPROPOSFAS = :NR "
                                        "AND NRVERPROPFAS = :VER", key).toDouble()),
              cents(f.oneOff));
    EXPECT_EQ(cents(server_.db().scalar("SELECT SUM(VRMENSALIDAC * QTMINIMAFATC) FROM LINPCLIE "
                                        "WHERE NRPROPOSFAS = :NR AND NRVERPROPFAS = :VER", key).toDouble()),
              cents(f.monthly));
}

// A database kept before the two figures: its versions held one sum (monthly added in) and
// triggers that kept it. The upgrade works both figures out again and replaces the triggers.
class FiguresUpgrade : public ::testing::TestWithParam<Backend> {};

TEST_P(FiguresUpgrade, StoredVersionsGetBothFiguresAndTheTriggersKeepThem) {
    QTemporaryDir dir;
    std::unique_ptr<cot::testing::ScratchPostgres> pg;
    if (GetParam() == Backend::Postgres) pg = std::make_unique<cot::testing::ScratchPostgres>();
    auto db = server::Database::open(pg ? pg->url() : QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("old.db")));
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

    const auto kept = [&](const Figures& f) {
        return db->query("SELECT VRTOTCENTPROP, VRMENCENTPROP FROM PROPOSTAFAS WHERE NRPROPOSFAS = :NR "
                         "AND NRVERPROPFAS = :VER",
                         {{"NR", nr(f.n)}, {"VER", f.ver}});
    };
    for (const Figures& f : kVersions) {
        const Packet p = kept(f);
        ASSERT_EQ(p.rows.size(), 1) << f.what;
        EXPECT_EQ(p.value(0, "VRTOTCENTPROP").toLongLong(), cents(f.oneOff)) << f.what;
        EXPECT_EQ(p.value(0, "VRMENCENTPROP").toLongLong(), cents(f.monthly)) << f.what;
    }
    line(*db, 4, "1", 100.0, 0, 30.0, 0, 2.0);  // to 4/01: 200 once, 60 a month more
    const Packet after = kept(kVersions[3]);
    EXPECT_EQ(after.value(0, "VRTOTCENTPROP").toLongLong(), cents(5200.0));
    EXPECT_EQ(after.value(0, "VRMENCENTPROP").toLongLong(), cents(60.0));
    EXPECT_EQ(kept(kVersions[4]).value(0, "VRTOTCENTPROP").toLongLong(), cents(7728.0)) << "the other version untouched";
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Db, FiguresUpgrade, ::testing::ValuesIn(cot::testing::availableBackends()),
                         cot::testing::backendName);
INSTANTIATE_TEST_SUITE_P(Db, FiguresTest, ::testing::ValuesIn(cot::testing::availableBackends()),
                         cot::testing::backendName);
