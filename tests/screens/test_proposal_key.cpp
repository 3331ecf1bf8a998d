// Proposal keys on the desktop: their shape, and the rows of one key found by comparing
// values, so a key with a quote neither breaks nor widens what is summed.
#include <algorithm>

#include "reach/proposal_key.h"
#include "screens/proposal_fixture.h"
#include "ui/number_edit.h"

using namespace cot;
using namespace cot::testing;

namespace {

// A key a pasted filter text would read as "NRPROPOSFAS = '2' OR 'A'='A' AND ...": every row.
const QString kWidening = QStringLiteral("2' OR 'A'='A");
// One a pasted filter text could not even read.
const QString kBreaking = QStringLiteral("2'x");

}  // namespace

TEST(ProposalKey, NumbersAndVersionsOfTheRightShapeOnly) {
    for (const QString& nr : {QStringLiteral("2"), QStringLiteral("00000000000000000002"), QString(20, u'9')})
        EXPECT_TRUE(proposal_key::isNumber(nr)) << nr.toStdString();
    for (const QString& nr : {QString(), QString(21, u'1'), QStringLiteral(" 2"), QStringLiteral("2 "), QStringLiteral("-2"),
                              QStringLiteral("2.0"), QStringLiteral(".."), QStringLiteral("1/2"), QStringLiteral("1\\2"),
                              kBreaking, QStringLiteral("\u0662")})
        EXPECT_FALSE(proposal_key::isNumber(nr)) << nr.toStdString();
    EXPECT_TRUE(proposal_key::isVersion(QStringLiteral("01")) && proposal_key::isVersion(QStringLiteral("99")));
    for (const QString& ver : {QString(), QStringLiteral("1"), QStringLiteral("001"), QStringLiteral(".."),
                               QStringLiteral("1/"), QStringLiteral("0'"), QStringLiteral("\u0660\u0661")})
        EXPECT_FALSE(proposal_key::isVersion(ver)) << ver.toStdString();
}

TEST(ProposalKey, SumsTakeTheRowsOfExactlyTheKeyWithoutMovingTheCursor) {
    ClientTable t;
    t.setData(Packet{{{"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2},
                      {"VRTOTAL", FieldType::Float, 0}, {"VRMENSAL", FieldType::Float, 0}},
                     {{"2", "01", 1.0, 10.0}, {kWidening, "01", 2.0, 20.0}, {kWidening, "02", 4.0, 40.0},
                      {kBreaking, "01", 8.0, 80.0}, {"2", "01", 16.0, 160.0}, {"A", "01", 32.0, 320.0},
                      {QVariant(), "01", 64.0, 640.0}}});
    t.setRecNo(3);
    const auto sums = [&](const QString& nr, const QString& ver) {
        return proposal_key::sums(t, {{"NRPROPOSFAS", nr}, {"NRVERPROPFAS", ver}}, {"VRTOTAL", "VRMENSAL"});
    };
    EXPECT_EQ(sums("2", "01"), (std::vector<long double>{17, 170}));
    EXPECT_EQ(sums(kWidening, "01"), (std::vector<long double>{2, 20}));
    EXPECT_EQ(sums(kBreaking, "01"), (std::vector<long double>{8, 80}));
    EXPECT_EQ(sums("2' OR '", "01"), (std::vector<long double>{0, 0}));
    EXPECT_EQ(sums("", "01"), (std::vector<long double>{64, 640})) << "an empty number is the row without one";
    EXPECT_EQ(t.recNo(), 3);
}

// The simulation page's totals over a simulation whose key carries a quote.
class KeysAsData : public ProposalFixture {};

TEST_F(KeysAsData, SimulationTotalsTakeOnlyTheCurrentSimulationsKey) {
    openOn(2);
    ASSERT_TRUE(menu(screen->menus().mnuSimulacao));
    SimulationArea& sims = screen->area<SimulationArea>();
    ClientTable& t = *sims.cdsSimulacao;
    Packet p = t.data();
    ASSERT_EQ(p.rows.size(), 2);
    const int nr = p.indexOf("NRPROPOSFAS"), licence = p.indexOf("VRTOTALICENCUSO"), monthly = p.indexOf("VRTOTAMENSALIDA");
    ASSERT_GE(std::min({nr, licence, monthly}), 0);
    std::tie(p.rows[0][licence], p.rows[0][monthly], p.rows[1][licence], p.rows[1][monthly]) =
        std::tuple(100.0, 10.0, 1000.0, 20.0);
    const auto totals = [&](const QString& key) {
        p.rows[0][nr] = key;
        // The table takes the rows as they are, without loading anything for them.
        auto held = std::exchange(t.afterScroll, nullptr);
        t.setData(p);
        t.afterScroll = std::move(held);
        EXPECT_TRUE(runHandler([&] { sims.TotalGeralSimula(); })) << key.toStdString();
        std::vector<double> shown;
        for (const char* total : {"nedTotaLicSimula", "nedTotaMensSimula", "nedTotaLinpSimula", "nedTotaMensLinpSimula"})
            shown.push_back(widget<TNumberEdit>(total).value());
        return shown;
    };
    // The lines on the page are proposal 2's, not the quoted key's: none counts.
    EXPECT_EQ(totals(kWidening), (std::vector<double>{100, 10, 0, 0}));
    EXPECT_EQ(totals(kBreaking), (std::vector<double>{100, 10, 0, 0}));
    EXPECT_EQ(dialogs.errors(), QStringList());
}
