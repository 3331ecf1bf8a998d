// The service package on the proposal screen: its installments generated, re-split and
// checked, how they reach the server, and the switch between package and hourly charging.
//
// Demo proposal 2 (26/11/2026): package 7.728,00 in three installments of 2.576,00 from
// 26/12/2026. Interest of schedules of four or more installments 1,5 %. Today 06/12/2026.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>

#include <cmath>
#include <numeric>
#include <utility>
#include <vector>

#include "rpc/rpc_values.h"
#include "screens/proposal_fixture.h"
#include "server/storage/database.h"
#include "ui/buttons.h"
#include "ui/date_edit.h"
#include "ui/db_grid.h"
#include "ui/number_edit.h"

using namespace cot;
using namespace cot::testing;

namespace {

qint64 cents(double v) { return std::llround(v * 100); }
QDate day(int d, int m, int y) { return QDate(y, m, d); }

const QString kPackageTotal = QStringLiteral(
    "Os valores dos vencimentos somados não podem ser diferentes do valor total do pacote de serviço. Valor Total (%1).");

class ServiceInstallments : public ProposalFixture {
protected:
    struct Stored {
        QDate due;
        qint64 cents;
    };

    ServiceInstallmentsArea& area() { return screen->area<ServiceInstallmentsArea>(); }
    ServicesArea& servicesArea() { return screen->area<ServicesArea>(); }
    ClientTable& schedule() { return *area().cdsVencServ; }

    void openPackage(int n = 2) {
        openScreen();
        ASSERT_TRUE(select(n));
        ASSERT_TRUE(menu(screen->menus().mnuServico));
        calls.clear();
        screen->net().setCallObserver([this](const QString& m, const QVariantList& a) { calls.push_back({m, a}); });
    }
    int callsOf(const QString& method) const {
        int n = 0;
        for (const auto& c : calls) n += c.first == method;
        return n;
    }
    QVariantList argumentsOf(const QString& method) const {
        for (const auto& c : calls)
            if (c.first == method) return c.second;
        return {};
    }

    bool generate(int count, const QDate& from) {
        area().nedParcPacote->setText(count ? QString::number(count) : QString());
        if (from.isValid()) area().depDtVencPacote->setDate(from);
        else area().depDtVencPacote->clear();
        return runHandler([&] { area().sbtGeraParcPacoteClick(); });
    }
    QList<Stored> stored(int n = 2) {
        const Packet p = testServer().db().query(
            "SELECT DTVENCSERVPROP, VRVENCSERVPROP FROM VENCSERVPROP WHERE NRPROPOSFAS = :N ORDER BY DTVENCSERVPROP",
            {{"N", number(n)}}, {{"DTVENCSERVPROP", FieldType::DateTime, 0}, {"VRVENCSERVPROP", FieldType::Float, 0}});
        QList<Stored> out;
        for (int r = 0; r < p.rows.size(); ++r)
            out.append({p.value(r, "DTVENCSERVPROP").toDateTime().date(), cents(p.value(r, "VRVENCSERVPROP").toDouble())});
        return out;
    }
    static qint64 sum(const QList<Stored>& rows) {
        return std::accumulate(rows.begin(), rows.end(), qint64(0), [](qint64 s, const Stored& r) { return s + r.cents; });
    }
    QVariant proposalValue(int n, const char* column) {
        return testServer().db().scalar(
            QStringLiteral("SELECT %1 FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N").arg(QLatin1String(column)),
            {{"N", number(n)}});
    }
    bool change(int row, const std::function<void(ClientTable&)>& set) {
        ClientTable& s = schedule();
        return runHandler([&] {
            s.setRecNo(row);
            s.edit();
            set(s);
            s.post();
        });
    }

    std::vector<std::pair<QString, QVariantList>> calls;
};

TEST_F(ServiceInstallments, RegeneratingSendsDeletesAndInsertsAsOneDeltaThatAddsUp) {
    openPackage();
    ASSERT_EQ(schedule().recordCount(), 3);
    ASSERT_TRUE(generate(4, day(10, 1, 2027)));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    ASSERT_EQ(callsOf("SetVencServ"), 1) << "the old schedule is never deleted on its own";
    int deletes = 0, inserts = 0;
    for (const RowChange& c : argumentsOf("SetVencServ").value(0).value<Delta>().changes)
        (c.op == ChangeOp::Delete ? deletes : inserts)++;
    EXPECT_EQ(deletes, 3);
    EXPECT_EQ(inserts, 4);
    // Four installments carry the interest: 7.728,00 × 1,015 = 7.843,92, four of 1.960,98.
    const QList<Stored> rows = stored();
    ASSERT_EQ(rows.size(), 4);
    for (const Stored& r : rows) EXPECT_EQ(r.cents, 196098);
    EXPECT_EQ(rows[3].due, day(10, 4, 2027));
    EXPECT_NEAR(area().nedVrTotaPacote->value(), 7843.92, 0.001);
    EXPECT_EQ(schedule().changeCount(), 0);

    // Three carry none.
    ASSERT_TRUE(generate(3, day(10, 1, 2027)));
    EXPECT_EQ(sum(stored()), 772800);
    EXPECT_EQ(callsOf("SetVencServ"), 2);
}

TEST_F(ServiceInstallments, ThePackageIsSplitInWholeCentsWithTheRemainderOnTheFirst) {
    testServer().db().exec("UPDATE PROPOSTAFAS SET VRPACOTESERV = 1000 WHERE NRPROPOSFAS = :N", {{"N", number(2)}});
    openPackage();
    // No start date: today, and each installment a month after the one before.
    ASSERT_TRUE(generate(3, QDate()));
    QList<Stored> rows = stored();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].cents, 33334);
    EXPECT_EQ(rows[1].cents, 33333);
    EXPECT_EQ(rows[2].cents, 33333);
    EXPECT_EQ(rows[0].due, day(6, 12, 2026));
    EXPECT_EQ(rows[2].due, day(6, 2, 2027));
    ASSERT_TRUE(generate(1, day(6, 12, 2026)));
    ASSERT_EQ(stored().size(), 1);
    EXPECT_EQ(stored().first().cents, 100000);
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
}

TEST_F(ServiceInstallments, TheSameCountFromTheSameDateChangesNothing) {
    openPackage();
    ASSERT_TRUE(generate(3, day(26, 12, 2026)));
    EXPECT_EQ(callsOf("SetVencServ"), 0);
    EXPECT_EQ(schedule().changeCount(), 0);
    ASSERT_TRUE(generate(3, day(27, 12, 2026)));
    EXPECT_EQ(callsOf("SetVencServ"), 1);
    EXPECT_EQ(stored().first().due, day(27, 12, 2026));
}

TEST_F(ServiceInstallments, TheGeneratorRefusesBeforeTouchingTheSchedule) {
    openPackage();
    for (const char* count : {"", "0"}) {
        dialogs.clearShown();
        area().nedParcPacote->setText(count);
        EXPECT_FALSE(runHandler([&] { area().sbtGeraParcPacoteClick(); }));
        EXPECT_EQ(dialogs.errors(), QStringList{"Número de parcelas deve ser maior que zero."});
        EXPECT_TRUE(screen->hasFocus(area().nedParcPacote));
    }
    dialogs.clearShown();
    EXPECT_FALSE(generate(2, day(20, 11, 2026)));
    EXPECT_EQ(dialogs.errors(),
              QStringList{"Data de Vencimento não podererá ser inferior à data de cadastramento da Proposta."});
    EXPECT_EQ(schedule().recordCount(), 3);
    EXPECT_EQ(schedule().changeCount(), 0);
    EXPECT_EQ(callsOf("SetVencServ"), 0);
}

TEST_F(ServiceInstallments, AScheduleThatDoesNotAddUpIsRefusedAndStaysPending) {
    openPackage();
    ASSERT_TRUE(focusWidget(*area().dbgVencPacote));
    ASSERT_TRUE(change(2, [](ClientTable& s) { s["VRVENCSERVPROP"].setAsFloat(s["VRVENCSERVPROP"].asFloat() + 10); }));
    EXPECT_FALSE(runHandler([&] { screen->sbtConfirmarClick(); }));
    EXPECT_EQ(dialogs.errors(), QStringList{kPackageTotal.arg("7728,00")});
    EXPECT_EQ(callsOf("SetVencServ"), 0);
    EXPECT_EQ(schedule().changeCount(), 1) << "kept to be corrected";
    EXPECT_EQ(area().dbgVencPacote->selectedField()->fieldName(), "VRVENCSERVPROP");

    dialogs.clearShown();
    ASSERT_TRUE(runHandler([&] { schedule()["VRVENCSERVPROP"].setAsFloat(schedule()["VRVENCSERVPROP"].asFloat() - 10); }));
    EXPECT_TRUE(runHandler([&] { screen->sbtConfirmarClick(); }));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    EXPECT_EQ(callsOf("SetVencServ"), 1);
    EXPECT_EQ(schedule().changeCount(), 0);
}

TEST_F(ServiceInstallments, DueDatesAreCheckedAgainstTheProposalAndEachOther) {
    openPackage();
    ClientTable& s = schedule();
    const auto due = [](const QDate& d) {
        return [d](ClientTable& t) { t["DTVENCSERVPROP"].setAsDateTime(QDateTime(d, QTime(0, 0))); };
    };
    EXPECT_FALSE(change(2, due(day(26, 12, 2026))));
    EXPECT_EQ(dialogs.errors(), QStringList{"Data vencimento já cadastrada."});
    runHandler([&] { s.cancel(); });
    dialogs.clearShown();
    EXPECT_FALSE(change(1, due(day(25, 11, 2026))));
    EXPECT_EQ(dialogs.errors(),
              QStringList{"Data de Vencimento não podererá ser inferior à data de cadastramento da Proposta."});
    runHandler([&] { s.cancel(); });

    dialogs.clearShown();
    EXPECT_TRUE(change(2, due(day(5, 5, 2027))));
    EXPECT_TRUE(change(3, due(day(5, 5, 2027))));
    ASSERT_TRUE(focusWidget(*area().dbgVencPacote));
    EXPECT_FALSE(runHandler([&] { screen->sbtConfirmarClick(); }));
    EXPECT_EQ(dialogs.errors(), QStringList{"Datas de vencimento não podem ser iguais."});
    EXPECT_EQ(callsOf("SetVencServ"), 0);
}

TEST_F(ServiceInstallments, TheResplitKeepsSharesAndASumOfNothingIsSplitEqually) {
    // The package changed to 10.000,005 under a schedule of 1.000,01 + 2.000,00 + 4.727,99:
    // the installments are whole cents adding up to 10.000,00.
    server::Database& db = testServer().db();
    const Packet dates = db.query("SELECT DTVENCSERVPROP FROM VENCSERVPROP WHERE NRPROPOSFAS = :N "
                                  "ORDER BY DTVENCSERVPROP", {{"N", number(2)}});
    ASSERT_EQ(dates.rows.size(), 3);
    const double before[] = {1000.01, 2000, 4727.99};
    for (int r = 0; r < 3; ++r)
        db.exec("UPDATE VENCSERVPROP SET VRVENCSERVPROP = :V WHERE NRPROPOSFAS = :N AND DTVENCSERVPROP = :D",
                {{"V", before[r]}, {"N", number(2)}, {"D", dates.rows[r].value(0)}});
    db.exec("UPDATE PROPOSTAFAS SET VRPACOTESERV = 10000.005 WHERE NRPROPOSFAS = :N", {{"N", number(2)}});
    openPackage();
    ASSERT_TRUE(runHandler([&] { area().Rateia_VencServ(false); }));
    std::vector<qint64> values;
    for (int r = 0; r < schedule().rowCount(); ++r) {
        ClientTable::RowView view(schedule(), r);
        const double v = schedule()["VRVENCSERVPROP"].asFloat();
        EXPECT_DOUBLE_EQ(v, cents(v) / 100.0) << "whole cents";
        values.push_back(cents(v));
    }
    EXPECT_EQ(std::accumulate(values.begin(), values.end(), qint64(0)), 1000000);
    EXPECT_LT(values[1], values[2]) << "the larger installment keeps the larger share";
    EXPECT_TRUE(area().Vd_ValorServ(false));

    for (int r = 1; r <= 3; ++r) ASSERT_TRUE(change(r, [](ClientTable& t) { t["VRVENCSERVPROP"].setAsFloat(0); }));
    ASSERT_TRUE(runHandler([&] { area().Rateia_VencServ(false); }));
    schedule().first();
    EXPECT_EQ(cents(schedule()["VRVENCSERVPROP"].asFloat()), 333334);
    schedule().last();
    EXPECT_EQ(cents(schedule()["VRVENCSERVPROP"].asFloat()), 333333);
    ASSERT_TRUE(runHandler([&] { area().Confirma_VencServ(); }));
    EXPECT_EQ(sum(stored()), 1000000) << "the server takes it against the package";
}

TEST_F(ServiceInstallments, SwitchingToHourlyAsksAndTakesOneCall) {
    openPackage();
    ServicesArea& s = servicesArea();
    ASSERT_TRUE(s.rbtVrPacote->isChecked());
    ASSERT_TRUE(s.rbtVrHora->isEnabled());

    // Declined: still a package, nothing sent, the edit the click started dropped.
    dialogs.expectConfirm(false);
    clickButton(*s.rbtVrHora);
    ASSERT_EQ(dialogs.questions().size(), 1u);
    EXPECT_TRUE(dialogs.questions().first().endsWith("no sistema. \nDeseja continuar?"));
    EXPECT_EQ(callsOf("SetTipoCobrServ"), 0);
    EXPECT_EQ(s.cdsServico->state(), DataSetState::Browse);
    EXPECT_TRUE(s.rbtVrPacote->isChecked());
    EXPECT_TRUE(screen->hasFocus(s.rbtVrHora));
    EXPECT_EQ(proposalValue(2, "IDTIPOCOBRSERV").toString(), "P");

    // Accepted: one call, the package and its schedule gone with it.
    dialogs.expectConfirm(true);
    clickButton(*s.rbtVrHora);
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
    EXPECT_FALSE(area().sbtGeraParcPacote->isEnabled()) << "no schedule by the hour";

    // Back to package: the server prices it and gives it its first installment.
    calls.clear();
    clickButton(*s.rbtVrPacote);
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
    ASSERT_EQ(stored(12).size(), 1);
    EXPECT_EQ(stored(12).first().cents, 792000);
    calls.clear();
    ASSERT_TRUE(menu(screen->menus().mnuProposta));
    ASSERT_TRUE(menu(screen->menus().mnuServico));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    // 40 h × 150,00 + 16 h × 120,00 in one installment.
    EXPECT_DOUBLE_EQ(screen->proposal()["VRPACOTESERV"].asFloat(), 7920.0);
    ASSERT_EQ(stored(12).size(), 1);
    EXPECT_EQ(stored(12).first().cents, 792000);
    EXPECT_EQ(callsOf("SetProposta"), 0);

    // Shown again: established, nothing more to do.
    calls.clear();
    ASSERT_TRUE(menu(screen->menus().mnuProposta));
    ASSERT_TRUE(menu(screen->menus().mnuServico));
    EXPECT_EQ(callsOf("SetServico") + callsOf("SetVencServ"), 0);

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
    ASSERT_EQ(stored(3).size(), 1);
    EXPECT_EQ(stored(3).first().cents, 180000);
}

// Four or more installments carry interest, and the panel says so where it shows the total;
// Tab goes from the count to the first date, past the total that is only shown.
TEST_F(ServiceInstallments, TheTotalSaysWhenItCarriesInterest) {
    openPackage();
    ASSERT_TRUE(focusWidget(*area().nedParcPacote));
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(area().nedParcPacote, &tab);
    EXPECT_NE(QApplication::focusWidget(), area().nedVrTotaPacote);
    EXPECT_TRUE(area().depDtVencPacote->isAncestorOf(QApplication::focusWidget()) ||
                QApplication::focusWidget() == area().depDtVencPacote);

    ASSERT_TRUE(generate(4, day(10, 1, 2027)));
    EXPECT_EQ(area().nedVrTotaPacote->text(), "7.843,92");
    EXPECT_EQ(area().lblJurosPacote->text(), "inclui juros de 1,50% (4 ou mais parcelas)");
    ASSERT_TRUE(generate(3, day(10, 1, 2027)));
    EXPECT_EQ(area().nedVrTotaPacote->text(), "7.728,00");
    EXPECT_TRUE(area().lblJurosPacote->text().isEmpty());
}

// A proposal dated after today: a schedule generated without a date typed starts on the
// proposal's own date, as its first installment does, instead of being refused.
TEST_F(ServiceInstallments, AProposalDatedLaterStartsTheScheduleOnItsOwnDate) {
    testServer().db().exec("UPDATE PROPOSTAFAS SET DTPROPOSFAS = :D WHERE NRPROPOSFAS = :N",
                           {{"D", QDateTime(day(20, 12, 2026), QTime(0, 0))}, {"N", number(2)}});
    openPackage();
    ASSERT_TRUE(generate(2, QDate())) << dialogs.errors().join(u'|').toStdString();
    const QList<Stored> rows = stored();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].due, day(20, 12, 2026));
    EXPECT_EQ(rows[1].due, day(20, 1, 2027));
    EXPECT_EQ(sum(rows), 772800);
}

TEST_F(ServiceInstallments, AnEarlierPostsPackageNewsIsNotSpreadAgain) {
    // Installments another user left not adding up; the screen still holds the news of a
    // package its last post changed.
    testServer().db().exec("UPDATE VENCSERVPROP SET VRVENCSERVPROP = 1000 WHERE NRPROPOSFAS = :N", {{"N", number(2)}});
    openPackage();
    Cli_cot05000::exVrServico = 7728;
    ASSERT_TRUE(menu(screen->menus().mnuProposta));
    ASSERT_TRUE(menu(screen->menus().mnuServico));
    EXPECT_EQ(callsOf("SetVencServ"), 0);
    EXPECT_EQ(sum(stored()), 300000) << "nothing was re-spread behind the user's back";
    EXPECT_EQ(Cli_cot05000::exVrServico, 0);
}

TEST_F(ServiceInstallments, AnAcceptedOrHourlyProposalOffersNoSchedule) {
    openPackage(11);  // accepted, by the hour
    EXPECT_EQ(schedule().recordCount(), 0);
    EXPECT_FALSE(servicesArea().rbtVrPacote->isEnabled());
    EXPECT_FALSE(area().sbtGeraParcPacote->isEnabled());
    EXPECT_FALSE(screen->mnuIncluir->enabled());
    // Another proposal's installments are not left on the grid.
    ASSERT_TRUE(select(2));
    ASSERT_EQ(schedule().recordCount(), 3);
    ASSERT_TRUE(select(5));
    EXPECT_EQ(schedule().recordCount(), 0);
}

}  // namespace
