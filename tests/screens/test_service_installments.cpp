// What only the service package's installments do: they follow the charging type and the
// package value the server keeps with the services. What they share with a product line's
// is in test_installment_schedule.cpp.
//
// Demo proposal 2 (26/11/2026): package 7.728,00 in three installments of 2.576,00 from
// 26/12/2026. Today 06/12/2026.
#include <gtest/gtest.h>

#include "rpc/rpc_values.h"
#include "screens/schedule_fixture.h"
#include "ui/buttons.h"
#include "ui/menus.h"

using namespace cot;
using namespace cot::testing;

namespace {

class ServiceInstallments : public ScheduleFixture {
protected:
    ServiceInstallmentsArea& area() { return packageArea(); }
    ServicesArea& servicesArea() { return screen->area<ServicesArea>(); }
    TRadioButton& radio(const char* name) { return widget<TRadioButton>(name); }
    QList<Stored> stored(int n = 2) { return storedOfPackage(n); }
    // A schedule as "dd/mm/yyyy cents ...".
    static QString shown(const QList<Stored>& rows) {
        QStringList out;
        for (const Stored& r : rows) out << r.due.toString("dd/MM/yyyy") + u' ' + QString::number(r.cents);
        return out.join(u' ');
    }
    int callsOf(const QString& method) const { return calls.count(method); }
    QVariantList argumentsOf(const QString& method) const { return calls.firstArgs(method); }
    QVariant proposalValue(int n, const char* column) {
        return testServer().db().scalar(
            QStringLiteral("SELECT %1 FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N").arg(QLatin1String(column)),
            {{"N", number(n)}});
    }
};

TEST_F(ServiceInstallments, ThePackageIsSplitInWholeCentsWithTheRemainderOnTheFirst) {
    testServer().db().exec("UPDATE PROPOSTAFAS SET VRPACOTESERV = 1000 WHERE NRPROPOSFAS = :N", {{"N", number(2)}});
    openPackage();
    // No start date: today, and each installment a month after the one before.
    ASSERT_TRUE(generate(3, QDate()));
    EXPECT_EQ(shown(stored()), "06/12/2026 33334 06/01/2027 33333 06/02/2027 33333");
    ASSERT_TRUE(generate(1, day(6, 12, 2026)));
    EXPECT_EQ(shown(stored()), "06/12/2026 100000");
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
}

TEST_F(ServiceInstallments, SwitchingToHourlyAsksAndTakesOneCall) {
    openPackage();
    ServicesArea& s = servicesArea();
    ASSERT_TRUE(radio("rbtVrPacote").isChecked());
    ASSERT_TRUE(radio("rbtVrHora").isEnabled());

    // Declined: still a package, nothing sent, the edit the click started dropped.
    dialogs.expectConfirm(false);
    clickButton(radio("rbtVrHora"));
    ASSERT_EQ(dialogs.questions().size(), 1u);
    EXPECT_TRUE(dialogs.questions().first().endsWith("no sistema. \nDeseja continuar?"));
    EXPECT_EQ(callsOf("SetTipoCobrServ"), 0);
    EXPECT_EQ(s.cdsServico->state(), DataSetState::Browse);
    EXPECT_TRUE(radio("rbtVrPacote").isChecked());
    EXPECT_TRUE(screen->hasFocus(&radio("rbtVrHora")));
    EXPECT_EQ(proposalValue(2, "IDTIPOCOBRSERV").toString(), "P");

    // Accepted: one call, the package and its schedule gone with it.
    dialogs.expectConfirm(true);
    clickButton(radio("rbtVrHora"));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    EXPECT_EQ(callsOf("SetTipoCobrServ"), 1);
    EXPECT_EQ(argumentsOf("SetTipoCobrServ"), (QVariantList{"H", number(2), "01"}));
    EXPECT_EQ(callsOf("SetProposta"), 0);
    EXPECT_EQ(proposalValue(2, "IDTIPOCOBRSERV").toString(), "H");
    EXPECT_DOUBLE_EQ(proposalValue(2, "VRPACOTESERV").toDouble(), 0.0);
    EXPECT_TRUE(stored().isEmpty());
    EXPECT_EQ(schedule().recordCount(), 0);
    EXPECT_EQ(screen->proposal()["IDTIPOCOBRSERV"].asString(), "H");
    EXPECT_EQ(screen->proposal().changeCount(), 0);
    EXPECT_EQ(s.cdsServico->state(), DataSetState::Browse);
    EXPECT_FALSE(widget<TSpeedButton>("sbtGeraParcPacote").isEnabled()) << "no schedule by the hour";

    // Back to package: the server prices it and gives it its first installment.
    calls.clear();
    clickButton(radio("rbtVrPacote"));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    EXPECT_EQ(callsOf("SetTipoCobrServ"), 1);
    EXPECT_EQ(callsOf("SetProposta"), 0);
    EXPECT_DOUBLE_EQ(screen->proposal()["VRPACOTESERV"].asFloat(), 7728.0);
    ASSERT_EQ(schedule().recordCount(), 1);
    EXPECT_EQ(cents(schedule()["VRVENCSERVPROP"].asFloat()), 772800);
    EXPECT_EQ(stored().size(), 1);
    EXPECT_EQ(s.cdsServico->state(), DataSetState::Browse);
}

TEST_F(ServiceInstallments, APackageWithoutScheduleOrValueGetsThemWhenThePageIsShown) {
    // Proposal 12 is charged by package; the server adds its mandatory services with their
    // package value and its schedule in the same call (an approval right after finds it).
    openPackage(12);
    ASSERT_EQ(servicesArea().cdsServico->recordCount(), 0);
    ASSERT_EQ(screen->net().callChecked("InsereServicoAuto", {number(12), "01", QString(), "T"}).toInt(), 2);
    EXPECT_EQ(shown(stored(12)), "06/12/2026 792000");
    calls.clear();
    ASSERT_TRUE(menu(screen->menus().mnuProposta));
    ASSERT_TRUE(menu(screen->menus().mnuServico));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    // 40 h × 150,00 + 16 h × 120,00 in one installment.
    EXPECT_DOUBLE_EQ(screen->proposal()["VRPACOTESERV"].asFloat(), 7920.0);
    EXPECT_EQ(shown(stored(12)), "06/12/2026 792000");
    EXPECT_EQ(callsOf("SetProposta"), 0);

    // Shown again: established, nothing more to do.
    calls.clear();
    ASSERT_TRUE(menu(screen->menus().mnuProposta));
    ASSERT_TRUE(menu(screen->menus().mnuServico));
    EXPECT_EQ(callsOf("SetServico") + callsOf("SetVencServ"), 0);
    // Not even when installments another user left do not add up.
    testServer().db().exec("UPDATE VENCSERVPROP SET VRVENCSERVPROP = 1000 WHERE NRPROPOSFAS = :N", {{"N", number(12)}});
    ASSERT_TRUE(menu(screen->menus().mnuProposta));
    ASSERT_TRUE(menu(screen->menus().mnuServico));
    EXPECT_EQ(callsOf("SetServico") + callsOf("SetVencServ"), 0);
    EXPECT_EQ(sum(stored(12)), 100000) << "nothing was re-spread behind the user's back";

    // A service stored without its package value: the value goes with the service.
    testServer().db().exec("INSERT INTO SERVPROP (NRPROPOSFAS, NRVERPROPFAS, NRSERVPROP, CDTIPOSERV, IDTIPOCOBRPROP, "
                           "VRPEACHEPROP, QTSERVPROP, VRHORAPROP, VRDEHORAPROP, VRPEHORAPROP) VALUES (:N, '01', '001', "
                           "'003', 'P', 1, 10, 180, 180, 0)",
                           {{"N", number(3)}});
    calls.clear();
    ASSERT_TRUE(select(3));
    ASSERT_TRUE(menu(screen->menus().mnuProposta));
    ASSERT_TRUE(menu(screen->menus().mnuServico));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    EXPECT_EQ(callsOf("SetServico"), 1);
    EXPECT_EQ(callsOf("SetProposta"), 0);
    EXPECT_DOUBLE_EQ(proposalValue(3, "VRPACOTESERV").toDouble(), 1800.0);
    EXPECT_EQ(stored(3).size(), 1);
    EXPECT_EQ(sum(stored(3)), 180000);
}

TEST_F(ServiceInstallments, AnAcceptedOrHourlyProposalOffersNoSchedule) {
    openPackage(11);  // accepted, by the hour
    EXPECT_EQ(schedule().recordCount(), 0);
    EXPECT_FALSE(radio("rbtVrPacote").isEnabled());
    EXPECT_FALSE(widget<TSpeedButton>("sbtGeraParcPacote").isEnabled());
    EXPECT_FALSE(screen->mnuIncluir->enabled());
    // Another proposal's installments are not left on the grid.
    ASSERT_TRUE(select(2));
    ASSERT_EQ(schedule().recordCount(), 3);
    ASSERT_TRUE(select(5));
    EXPECT_EQ(schedule().recordCount(), 0);
}

}  // namespace
