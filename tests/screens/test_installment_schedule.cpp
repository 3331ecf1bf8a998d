// What a product line's licence installments and the service package's installments do
// alike: the generator, the spread of the base total, the checks of a row and of the whole
// schedule, and how the schedule reaches the server; then what only one of them does.

#include <QKeyEvent>
#include <QStatusBar>

#include "screens/schedule_fixture.h"
#include "ui/buttons.h"

using namespace cot;
using namespace cot::testing;

namespace {

const QString kBeforeProposal = "Data de Vencimento não podererá ser inferior à data de cadastramento da Proposta.";

class InstallmentSchedule : public ScheduleFixture, public ::testing::WithParamInterface<Schedule> {
protected:
    // Line 2001's and proposal 2's package: installments stored, base total (up to three
    // installments) and with the interest of four or more.
    void SetUp() override {
        ScheduleFixture::SetUp();
        kind = GetParam();
        storedCount = line() ? 4 : 3;
        base = line() ? 950000 : 772800;
        withInterest = line() ? 964250 : 784392;
    }
    // The message of a schedule that does not add up.
    QString mismatch() const {
        return QStringLiteral("Os valores dos vencimentos somados não podem ser diferentes do valor total %1. Valor Total (%2).")
            .arg(line() ? QStringLiteral("da licença de uso") : QStringLiteral("do pacote de serviço"),
                 line() ? QStringLiteral("9642,50") : QStringLiteral("7728,00"));
    }
    // Values of the shown installments, in cents.
    std::vector<qint64> shownCents() {
        std::vector<qint64> out;
        for (int r = 0; r < schedule().rowCount(); ++r)
            schedule().withRow(r, [&] { out.push_back(cents(schedule()[valueField()].asFloat())); });
        return out;
    }
    int storedCount = 0;
    qint64 base = 0, withInterest = 0;
};

// The same count from the same date changes nothing; another date or count regenerates,
// sending the deletes and inserts as one delta that adds up; month ends and the interest
// threshold.
TEST_P(InstallmentSchedule, RegeneratingSendsOneDeltaThatAddsUpMonthEndsAndTheInterestThreshold) {
    open(kind);
    // Tab goes from the count to the first date, past the total that is only shown.
    ASSERT_TRUE(focusWidget(countEdit()));
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(&countEdit(), &tab);
    QWidget* now = firstDate().window()->focusWidget();
    EXPECT_TRUE(firstDate().isAncestorOf(now) || now == &firstDate());

    ASSERT_EQ(stored().size(), storedCount);
    ASSERT_TRUE(generate(storedCount, day(26, 12, 2026)));
    EXPECT_EQ(calls.count(setMethod()) + schedule().changeCount(), 0);
    ASSERT_TRUE(generate(storedCount, day(27, 12, 2026)));
    EXPECT_EQ(stored().first().due, day(27, 12, 2026));
    calls.clear();
    // Line: 9.500,00 × 1,015 = 9.642,50, twelve of 803,54 and the two cents left on the
    // first. Package: 7.728,00 × 1,015 = 7.843,92, four of 1.960,98.
    const int count = line() ? 12 : 4;
    ASSERT_TRUE(generate(count, day(15, 1, 2027))) << errors().toStdString();
    ASSERT_EQ(calls.count(setMethod()), 1) << "the old schedule is never deleted on its own";
    int deletes = 0, inserts = 0;
    for (const RowChange& c : calls.firstArgs(setMethod()).value(0).value<Delta>().changes)
        (c.op == ChangeOp::Delete ? deletes : inserts)++;
    EXPECT_EQ(QList<int>({deletes, inserts}), QList<int>({storedCount, count}));

    const QList<Stored> rows = stored();
    ASSERT_EQ(rows.size(), count);
    EXPECT_EQ(rows.first().cents, line() ? 80356 : 196098);
    for (int i = 1; i < count; ++i) EXPECT_EQ(rows[i].cents, line() ? 80354 : 196098) << i;
    EXPECT_EQ(rows.last().due, line() ? day(15, 12, 2027) : day(15, 4, 2027));
    EXPECT_TRUE(schedule().changeCount() == 0 && schedule().recNo() == 1) << "shown from its first installment";
    EXPECT_EQ(totalEdit().value(), withInterest / 100.0);

    // The last day of a shorter month stands in for the 31st, and the 31st comes back.
    calls.clear();
    for (int year : {2027, 2028}) {
        ASSERT_TRUE(generate(3, day(31, 1, year))) << errors().toStdString();
        const QList<Stored> dues = stored();
        ASSERT_EQ(dues.size(), 3);
        EXPECT_EQ(QList<QDate>({dues[1].due, dues[2].due}),
                  QList<QDate>({day(QDate::isLeapYear(year) ? 29 : 28, 2, year), day(31, 3, year)}));
    }
    // Without a date typed it starts today. Up to three installments carry no interest, the
    // cents left on the first; four do, and the panel says so.
    ASSERT_TRUE(generate(1, QDate()));
    EXPECT_EQ(shown(stored()), "06/12/2026 " + QString::number(base));
    ASSERT_TRUE(generate(3, day(10, 1, 2027)));
    // The sum stored, the total shown and the note.
    const auto figures = [&] { return QStringList({QString::number(sum(stored())), totalEdit().text(), note().text()}); };
    EXPECT_EQ(figures(), QStringList({QString::number(base), line() ? "9.500,00" : "7.728,00", ""}));
    EXPECT_EQ(stored().first().cents, line() ? 316668 : 257600);
    ASSERT_TRUE(generate(4, day(10, 1, 2027)));
    EXPECT_EQ(figures(), QStringList({QString::number(withInterest), line() ? "9.642,50" : "7.843,92",
                                      "inclui juros de 1,50% (4 ou mais parcelas)"}));
    EXPECT_EQ(calls.count(setMethod()), 5);
    EXPECT_TRUE(dialogs.errors().isEmpty()) << errors().toStdString();
}

// On a proposal dated after today a schedule generated without a date typed starts on the
// proposal's own date instead of being refused.
TEST_P(InstallmentSchedule, TheGeneratorRefusesBeforeTouchingTheScheduleAndStartsOnALaterProposalsDate) {
    dateProposal(day(20, 12, 2026));
    open(kind);
    for (const char* count : {"", "0"}) {
        dialogs.clearShown();
        countEdit().setText(count);
        EXPECT_FALSE(runHandler([&] { area().generate(); }));
        EXPECT_EQ(dialogs.errors(), QStringList{"Número de parcelas deve ser maior que zero."});
        EXPECT_TRUE(screen->hasFocus(&countEdit()));
    }
    dialogs.clearShown();
    EXPECT_FALSE(generate(6, day(19, 12, 2026)));
    EXPECT_EQ(dialogs.errors(), QStringList{kBeforeProposal});
    EXPECT_EQ(QList<int>({schedule().recordCount(), schedule().changeCount(), calls.count(setMethod())}),
              QList<int>({storedCount, 0, 0}));

    ASSERT_TRUE(generate(2, QDate())) << errors().toStdString();
    EXPECT_EQ(shown(stored()), QStringLiteral("20/12/2026 %1 20/01/2027 %1").arg(base / 2));
}

// A schedule that does not add up stops Confirmar and the leaving of the grid, kept to be
// corrected. Cancelar with the focus on the grid asks, and gives up the whole unsent schedule
// (the reload after it must not send a half-edited one); elsewhere it is the screen's own.
TEST_P(InstallmentSchedule, AScheduleThatDoesNotAddUpStaysPendingAndCancelarOnTheGridGivesItUp) {
    open(kind);
    ASSERT_TRUE(focusWidget(grid()));
    EXPECT_EQ(screen->activeTable(), &schedule());
    ClientTable& s = schedule();
    const QString v = valueField();
    const auto plus10 = [v](ClientTable& t) { t[v].setAsFloat(t[v].asFloat() + 10); };
    const qint64 before = sum(stored());
    ASSERT_TRUE(change(1, plus10));
    ASSERT_TRUE(runHandler([&] { s.setRecNo(2); s.edit(); s[v].setAsFloat(1); }));
    dialogs.expectConfirm(false);
    runHandler([&] { screen->sbtCancelarClick(); });
    EXPECT_TRUE(s.isEditing() && s.changeCount() == 1) << "answered No, the edits stay";
    dialogs.expectConfirm(true);
    EXPECT_TRUE(runHandler([&] { screen->sbtCancelarClick(); })) << errors().toStdString();
    EXPECT_EQ(dialogs.questions().size(), 2);
    EXPECT_TRUE(!s.isEditing() && s.changeCount() == 0 && calls.count(setMethod()) == 0 && sum(stored()) == before);
    // On the generator, with the schedule still the buttons' table and nothing edited.
    ASSERT_TRUE(focusWidget(countEdit()));
    ASSERT_EQ(screen->activeTable(), &s);
    dialogs.clearShown();
    EXPECT_TRUE(runHandler([&] { screen->sbtCancelarClick(); }));
    EXPECT_TRUE(dialogs.questions().isEmpty()) << "nothing to give up, nothing asked";

    ASSERT_TRUE(focusWidget(grid()));
    ASSERT_TRUE(change(2, plus10));
    ASSERT_EQ(s.changeCount(), 1);
    EXPECT_FALSE(runHandler([&] { screen->sbtConfirmarClick(); }));
    EXPECT_EQ(dialogs.errors(), QStringList{mismatch()});
    EXPECT_TRUE(calls.count(setMethod()) == 0 && s.changeCount() == 1 && s.isEditing()) << "kept to be corrected";
    EXPECT_EQ(grid().selectedField()->fieldName(), v);
    EXPECT_EQ(sum(stored()), before);
    // Leaving the grid runs the same check: the focus stays.
    dialogs.clearShown();
    EXPECT_FALSE(focusWidget(countEdit()));
    EXPECT_EQ(dialogs.errors(), QStringList{mismatch()});
    // Corrected, Confirmar sends it.
    dialogs.clearShown();
    ASSERT_TRUE(runHandler([&] { s[v].setAsFloat(s[v].asFloat() - 10); }));
    EXPECT_TRUE(runHandler([&] { screen->sbtConfirmarClick(); }));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << errors().toStdString();
    EXPECT_TRUE(calls.count(setMethod()) == 1 && s.changeCount() == 0);
}

TEST_P(InstallmentSchedule, DueDatesAreCheckedAgainstTheServerTheProposalAndEachOtherAndADeleteIsSentAtOnce) {
    open(kind);
    ClientTable& s = schedule();
    // A day the owner already has on the server; before the proposal's date (its own day is fine).
    for (const auto& [row, due, message] : {std::tuple{2, day(26, 12, 2026), QStringLiteral("Data vencimento já cadastrada.")},
                                            {1, day(25, 11, 2026), kBeforeProposal}}) {
        dialogs.clearShown();
        EXPECT_FALSE(change(row, dueOn(due)));
        EXPECT_EQ(dialogs.errors(), QStringList{message});
        EXPECT_EQ(grid().selectedField()->fieldName(), dueField());
        runHandler([&] { s.cancel(); });
    }
    dialogs.clearShown();
    EXPECT_TRUE(change(1, dueOn(day(26, 11, 2026))));

    // Two installments moved to one new day pass one by one and stop Confirmar.
    EXPECT_TRUE(change(2, dueOn(day(5, 5, 2027))) && change(3, dueOn(day(5, 5, 2027))));
    ASSERT_TRUE(focusWidget(grid()));
    const int sent = calls.size();
    EXPECT_FALSE(runHandler([&] { screen->sbtConfirmarClick(); }));
    EXPECT_EQ(dialogs.errors(), QStringList{"Datas de vencimento não podem ser iguais."});
    EXPECT_EQ(calls.size(), sent) << "nothing is sent, the list is not reloaded";
    EXPECT_FALSE(widget<ClientTable>(line() ? "cdsAux" : "cdsAuxVencServ").filtered()) << "its copy left unfiltered";
    EXPECT_EQ(s.changeCount(), 3) << "the edited schedule is kept";
    EXPECT_EQ(grid().selectedField()->fieldName(), dueField());
    runHandler([&] { s.cancelUpdates(); });

    // A new installment needs its date and its value; zero is a value.
    dialogs.clearShown();
    EXPECT_FALSE(runHandler([&] { s.append(); s.post(); }));
    EXPECT_FALSE(runHandler([&] { dueOn(day(7, 7, 2027))(s); s.post(); }));
    EXPECT_EQ(dialogs.errors(), (QStringList{"Data vencimento deve ser informada.", "Valor deve ser informado."}));
    EXPECT_TRUE(runHandler([&] { s[valueField()].setAsFloat(0); s.post(); }));
    EXPECT_EQ(s[line() ? "CDLINPPROP" : "NRPROPOSFAS"].asString(), number(line() ? 3 : 2)) << "the row's owner";
    runHandler([&] { s.cancelUpdates(); });

    // A user's delete is sent at once.
    ASSERT_TRUE(focusWidget(grid()));
    EXPECT_TRUE(screen->mnuIncluir->enabled() && screen->mnuAlterar->enabled() && screen->mnuExcluir->enabled());
    EXPECT_FALSE(screen->mnuConfirmar->enabled());
    ASSERT_TRUE(runHandler([&] { schedule().last(); }));
    dialogs.expectConfirm(true);
    ASSERT_TRUE(runHandler([&] { screen->sbtExcluirClick(); }));
    EXPECT_EQ(calls.count(setMethod()), 1);
    EXPECT_EQ(stored().size(), storedCount - 1);
    EXPECT_EQ(schedule().changeCount(), 0);
    // The line shows what its installments must reach (three carry no interest), the
    // package what they add up to.
    EXPECT_EQ(totalEdit().value(), line() ? 9500.0 : 5152.0);
}

// The resplit after the base total changed: whole cents adding up to the new total, each
// installment keeping its share; a schedule of zeros has none and is split equally.
// Line: (1000 − 33,33) × 10 = 9.666,70; × 1,015 = 9.811,70 cut, with 4.000,00 on the second.
// Package: 10.000,005 over 1.000,01 + 2.000,00 + 4.727,99.
TEST_P(InstallmentSchedule, TheResplitKeepsSharesAndASumOfNothingIsSplitEqually) {
    if (line())
        testServer().db().exec("UPDATE LINPPROP SET VRDESLICUSOPROP = 33.33 WHERE NRPROPOSFAS = :N AND CDLINPPROP = :L",
                               {{"N", number(2)}, {"L", number(3)}});
    else
        testServer().db().exec("UPDATE PROPOSTAFAS SET VRPACOTESERV = 10000.005 WHERE NRPROPOSFAS = :N", {{"N", number(2)}});
    const qint64 total = line() ? 981170 : 1000000;
    open(kind);
    const QString v = valueField();
    const auto valued = [v](double x) { return [v, x](ClientTable& t) { t[v].setAsFloat(x); }; };
    using Typed = QList<std::pair<int, double>>;
    for (const auto& [r, x] : line() ? Typed{{2, 4000}} : Typed{{1, 1000.01}, {2, 2000}, {3, 4727.99}})
        ASSERT_TRUE(change(r, valued(x)));
    const std::vector<qint64> before = shownCents();
    ASSERT_TRUE(runHandler([&] { area().spread(false); }));
    const std::vector<qint64> after = shownCents();
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(std::accumulate(after.begin(), after.end(), qint64(0)), total);
    for (size_t i = 0; i + 1 < after.size(); ++i)
        if (before[i] != before[i + 1]) {
            EXPECT_EQ(before[i] < before[i + 1], after[i] < after[i + 1]) << "the larger keeps the larger share " << i;
        }
    EXPECT_TRUE(area().addsUp(false));

    for (int r = 1; r <= schedule().rowCount(); ++r) ASSERT_TRUE(change(r, valued(0)));
    ASSERT_TRUE(runHandler([&] { area().spread(false); }));
    const std::vector<qint64> equal = shownCents();
    const qint64 share = total / qint64(equal.size());
    EXPECT_EQ(equal.front(), total - share * qint64(equal.size() - 1)) << "the cents left on the first";
    for (size_t i = 1; i < equal.size(); ++i) EXPECT_EQ(equal[i], share);
    ASSERT_TRUE(runHandler([&] { area().confirmSchedule(); }));
    EXPECT_EQ(sum(stored()), total) << "the server takes it against the new total";
}

INSTANTIATE_TEST_SUITE_P(LineAndPackage, InstallmentSchedule, ::testing::Values(Schedule::Line, Schedule::Package),
                         [](const ::testing::TestParamInfo<Schedule>& info) {
                             return info.param == Schedule::Line ? "Line" : "Package";
                         });

// What only the service package's installments do: they follow the charging type and the
// package value the server keeps with the services (proposal 2: 7.728,00 in three
// installments of 2.576,00 from 26/12/2026).
class ServiceInstallments : public ScheduleFixture {
protected:
    TRadioButton& radio(const char* name) { return widget<TRadioButton>(name); }
    // Shows the page again, as the user comes back to it.
    void showAgain() { ASSERT_TRUE(menu(screen->menus().mnuProposta) && menu(screen->menus().mnuServico)); }
};

TEST_F(ServiceInstallments, SwitchingToHourlyAsksAndTakesOneCall) {
    openPackage();
    ClientTable& services = *screen->area<ServicesArea>().cdsServico;
    ASSERT_TRUE(radio("rbtVrPacote").isChecked() && radio("rbtVrHora").isEnabled());

    // Declined: still a package, nothing sent, the edit the click started dropped.
    dialogs.expectConfirm(false);
    clickButton(radio("rbtVrHora"));
    EXPECT_TRUE(dialogs.questions().size() == 1 && dialogs.questions().value(0).endsWith("no sistema. \nDeseja continuar?"));
    EXPECT_TRUE(!calls.contains("SetTipoCobrServ") && radio("rbtVrPacote").isChecked() &&
                screen->hasFocus(&radio("rbtVrHora")));
    EXPECT_EQ(services.state(), DataSetState::Browse);

    // Accepted: one call, the package and its schedule gone with it.
    dialogs.expectConfirm(true);
    clickButton(radio("rbtVrHora"));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << errors().toStdString();
    EXPECT_EQ(calls.methods().filter("Set"), QStringList{"SetTipoCobrServ"});
    EXPECT_EQ(calls.firstArgs("SetTipoCobrServ"), (QVariantList{"H", number(2), "01"}));
    EXPECT_EQ(schedule().recordCount() + screen->proposal().changeCount(), 0);
    EXPECT_EQ(screen->proposal()["IDTIPOCOBRSERV"].asString(), "H");
    EXPECT_EQ(services.state(), DataSetState::Browse);
    EXPECT_FALSE(widget<TSpeedButton>("sbtGeraParcPacote").isEnabled()) << "no schedule by the hour";

    // Back to package: the server prices it and gives it its first installment.
    calls.clear();
    clickButton(radio("rbtVrPacote"));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << errors().toStdString();
    EXPECT_EQ(calls.methods().filter("Set"), QStringList{"SetTipoCobrServ"});
    EXPECT_DOUBLE_EQ(screen->proposal()["VRPACOTESERV"].asFloat(), 7728.0);
    EXPECT_EQ(schedule().recordCount(), 1);
    EXPECT_EQ(services.state(), DataSetState::Browse);
}

TEST_F(ServiceInstallments, APackageWithoutScheduleOrValueGetsThemWhenThePageIsShownAndNoneIsOfferedWhenAcceptedOrHourly) {
    // Proposal 12 is charged by package; the server adds its mandatory services with their
    // package value and its schedule in the same call (an approval right after finds it).
    openPackage(12);
    ASSERT_EQ(screen->area<ServicesArea>().cdsServico->recordCount(), 0);
    ASSERT_EQ(screen->net().callChecked("InsereServicoAuto", {number(12), "01", QString(), "T"}).toInt(), 2);
    calls.clear();
    showAgain();
    EXPECT_TRUE(dialogs.errors().isEmpty()) << errors().toStdString();
    // 40 h × 150,00 + 16 h × 120,00 in one installment.
    EXPECT_DOUBLE_EQ(screen->proposal()["VRPACOTESERV"].asFloat(), 7920.0);
    EXPECT_EQ(shown(storedOfPackage(12)), "06/12/2026 792000");
    EXPECT_EQ(calls.count("SetProposta"), 0);

    // Shown again: established, nothing more to do; not even when installments another user
    // left do not add up (nothing is re-spread behind the user's back).
    for (bool other : {false, true}) {
        if (other)
            testServer().db().exec("UPDATE VENCSERVPROP SET VRVENCSERVPROP = 1000 WHERE NRPROPOSFAS = :N", {{"N", number(12)}});
        calls.clear();
        showAgain();
        EXPECT_EQ(calls.count("SetServico") + calls.count("SetVencServ"), 0) << other;
    }
    EXPECT_EQ(sum(storedOfPackage(12)), 100000);

    // A service stored without its package value: the value goes with the service.
    testServer().db().exec("INSERT INTO SERVPROP (NRPROPOSFAS, NRVERPROPFAS, NRSERVPROP, CDTIPOSERV, IDTIPOCOBRPROP, "
                           "VRPEACHEPROP, QTSERVPROP, VRHORAPROP, VRDEHORAPROP, VRPEHORAPROP) VALUES (:N, '01', '001', "
                           "'003', 'P', 1, 10, 180, 180, 0)", {{"N", number(3)}});
    calls.clear();
    ASSERT_TRUE(select(3));
    showAgain();
    EXPECT_TRUE(dialogs.errors().isEmpty()) << errors().toStdString();
    EXPECT_EQ(calls.methods().filter("Set"), QStringList{"SetServico"});
    EXPECT_DOUBLE_EQ(testServer().db().scalar("SELECT VRPACOTESERV FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N",
                                              {{"N", number(3)}}).toDouble(), 1800.0);
    EXPECT_EQ(shown(storedOfPackage(3)), "06/12/2026 180000");

    // An accepted proposal by the hour offers no schedule.
    ASSERT_TRUE(select(11));
    EXPECT_EQ(schedule().recordCount(), 0);
    EXPECT_FALSE(radio("rbtVrPacote").isEnabled() || widget<TSpeedButton>("sbtGeraParcPacote").isEnabled() ||
                 screen->mnuIncluir->enabled());
    // Another proposal's installments are not left on the grid.
    ASSERT_TRUE(select(2));
    ASSERT_EQ(schedule().recordCount(), 3);
    EXPECT_TRUE(select(5) && schedule().recordCount() == 0);
}

// What only a product line's licence installments do: a schedule per line, the line's first
// installment, the keys the count takes, and a send the server refuses.
class LineInstallments : public ScheduleFixture {};

TEST_F(LineInstallments, TheShortcutSkipsOnlyTheSameLinesScheduleWhenItAddsUp) {
    openLine("2002");
    // Line 2002 gets a schedule of its own, starting after line 2001's.
    ASSERT_TRUE(generate(3, day(10, 1, 2027)));
    ASSERT_EQ(calls.count("SetVencimento"), 1);

    // Asked for its own count from line 2001's first date: regenerated.
    ASSERT_TRUE(generate(3, day(26, 12, 2026)));
    EXPECT_EQ(calls.count("SetVencimento"), 2) << "another line's first date is not this line's";
    EXPECT_EQ(storedOfLine(4).first().due, day(26, 12, 2026));

    // Same count and date, but the stored values no longer add up: regenerated.
    testServer().db().exec("UPDATE VENCLINPPROP SET VRVELUSOPEDP = VRVELUSOPEDP + 1 WHERE CDLINPPROP = :L", {{"L", number(4)}});
    ASSERT_TRUE(runHandler([&] { lineArea().loadForCurrentLine(); }));
    ASSERT_EQ(sum(storedOfLine(4)), 130100 + 300);
    ASSERT_TRUE(generate(3, day(26, 12, 2026)));
    EXPECT_EQ(calls.count("SetVencimento"), 3);
    EXPECT_EQ(sum(storedOfLine(4)), 130100);
    EXPECT_TRUE(dialogs.errors().isEmpty()) << errors().toStdString();
}

TEST_F(LineInstallments, ARefusedSendKeepsTheNewScheduleUntilConfirmarSendsItAgainAndTheKeysTheCountTakes) {
    openLine("2001");
    // The keys the count takes.
    TNumberEdit& count = countEdit();
    const auto typed = [&](const QString& keys) { count.clear(); type(*screen, "nedParcelas", keys); return count.text(); };
    EXPECT_EQ(QStringList({typed("123"), typed("99"), typed("100")}), QStringList({"12", "99", "10"}));
    count.selectAll();
    typeText(count, "5");
    EXPECT_EQ(count.text(), "5") << "a digit over the selection replaces it";

    // Another user removes the last installment meanwhile.
    server::Database& db = testServer().db();
    const QString last = "FROM VENCLINPPROP WHERE CDLINPPROP = :L AND DTVELUSOPEDP = "
                         "(SELECT MAX(DTVELUSOPEDP) FROM VENCLINPPROP WHERE CDLINPPROP = :L)";
    const Packet gone = db.query("SELECT * " + last, {{"L", number(3)}});
    ASSERT_EQ(gone.rows.size(), 1);
    db.exec("DELETE " + last, {{"L", number(3)}});
    EXPECT_FALSE(generate(6, day(15, 1, 2027)));
    EXPECT_EQ(dialogs.errors(), QStringList{"Registro alterado ou excluído por outro usuário."});
    EXPECT_EQ(storedOfLine(3).size(), 3) << "nothing of the new schedule was written";
    EXPECT_EQ(QList<int>({schedule().recordCount(), schedule().changeCount()}), QList<int>({6, 10}))
        << "four deletes and six inserts wait";
    EXPECT_EQ(screen->activeTable(), &schedule());
    EXPECT_TRUE(screen->mnuConfirmar->enabled() && screen->mnuCancelar->enabled() &&
                !screen->statusBar()->currentMessage().isEmpty());

    // The other user's row is back: Confirmar sends the kept schedule.
    QVariantMap row;
    for (int c = 0; c < gone.fields.size(); ++c) row.insert(gone.fields[c].name, gone.rows[0][c]);
    db.exec("INSERT INTO VENCLINPPROP (" + row.keys().join(',') + ") VALUES (:" + row.keys().join(",:") + ")", row);
    dialogs.clearShown();
    EXPECT_TRUE(runHandler([&] { screen->sbtConfirmarClick(); }));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << errors().toStdString();
    EXPECT_TRUE(storedOfLine(3).size() == 6 && calls.count("SetVencimento") == 2);
    EXPECT_EQ(sum(storedOfLine(3)), 964250);
}

// A line's first installment waits for the schedule's confirmation and is the whole total
// whatever was typed; on a proposal dated after today it starts on the proposal's own date,
// as a generation without a date typed does, instead of a date the checks refuse.
TEST_F(LineInstallments, TheFirstInstallmentOfALineWaitsForConfirmaVencAndFallsOnTheProposalsDate) {
    for (const QDate& dated : {day(26, 11, 2026), day(20, 12, 2026)}) {
        SCOPED_TRACE(dated.toString().toStdString());
        const QDate due = dated > day(6, 12, 2026) ? dated : day(6, 12, 2026);  // else today
        testServer().db().exec("DELETE FROM VENCLINPPROP WHERE CDLINPPROP = :L", {{"L", number(4)}});
        dateProposal(dated);
        openLine("2002");
        ASSERT_EQ(schedule().recordCount(), 0);
        EXPECT_EQ(firstDate().date(), due) << "where a generation would start";
        ASSERT_TRUE(runHandler([&] { lineArea().addFirstInstallment(); })) << errors().toStdString();
        EXPECT_TRUE(schedule().recordCount() == 1 && calls.count("SetVencimento") == 0);
        EXPECT_EQ(schedule()["DTVELUSOPEDP"].asDateTime().date().toString("dd/MM/yyyy ") +
                      QString::number(cents(schedule()["VRVELUSOPEDP"].asFloat())), shown({{due, 130100}}));
        ASSERT_TRUE(change(1, [](ClientTable& s) { s["VRVELUSOPEDP"].setAsFloat(1000); }));
        ASSERT_TRUE(runHandler([&] { lineArea().confirmSchedule(); })) << errors().toStdString();
        EXPECT_EQ(shown(storedOfLine(4)), shown({{due, 130100}}));
        Cli_cot05000::releaseAll();
    }
}

}  // namespace
