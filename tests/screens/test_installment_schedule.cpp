// What a product line's licence installments and the service package's installments do
// alike: the generator, the spread of the base total, the checks of a row and of the whole
// schedule, and how the schedule reaches the server. What only one of them does is in
// test_line_installments.cpp and test_service_installments.cpp.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <vector>

#include "rpc/rpc_values.h"
#include "screens/schedule_fixture.h"
#include "server/storage/database.h"
#include "ui/menus.h"

using namespace cot;
using namespace cot::testing;

namespace {

// The figures of line 2001 and of proposal 2's package.
struct Figures {
    int storedCount;
    qint64 base, withInterest;  // of three / of four or more installments
    QString mismatch;           // the message of a schedule that does not add up (%1: total)
    QString storedTotal;        // what the stored schedule must add up to, as shown
    QString ownerField, ownerValue;
};

Figures figuresOf(Schedule k) {
    if (k == Schedule::Line)
        return {4, 950000, 964250,
                "Os valores dos vencimentos somados não podem ser diferentes do valor total da licença de uso. "
                "Valor Total (%1).",
                "9642,50", "CDLINPPROP", QStringLiteral("%1").arg(3, 20, 10, QChar(u'0'))};
    return {3, 772800, 784392,
            "Os valores dos vencimentos somados não podem ser diferentes do valor total do pacote de serviço. "
            "Valor Total (%1).",
            "7728,00", "NRPROPOSFAS", QStringLiteral("%1").arg(2, 20, 10, QChar(u'0'))};
}

const QString kBeforeProposal = "Data de Vencimento não podererá ser inferior à data de cadastramento da Proposta.";

class InstallmentSchedule : public ScheduleFixture, public ::testing::WithParamInterface<Schedule> {
protected:
    void SetUp() override {
        ScheduleFixture::SetUp();
        kind = GetParam();
        fig = figuresOf(kind);
    }
    void openIt() { open(GetParam()); }
    // Values of the shown installments, in cents.
    std::vector<qint64> shownCents() {
        std::vector<qint64> out;
        ClientTable& s = schedule();
        for (int r = 0; r < s.rowCount(); ++r) {
            ClientTable::RowView view(s, r);
            out.push_back(cents(s[valueField()].asFloat()));
        }
        return out;
    }
    Figures fig;
};

TEST_P(InstallmentSchedule, RegeneratingSendsDeletesAndInsertsAsOneDeltaThatAddsUp) {
    openIt();
    ASSERT_EQ(stored().size(), fig.storedCount);
    // Line: 9.500,00 × 1,015 = 9.642,50, twelve of 803,54 and the two cents left on the
    // first. Package: 7.728,00 × 1,015 = 7.843,92, four of 1.960,98.
    const int count = line() ? 12 : 4;
    ASSERT_TRUE(generate(count, day(15, 1, 2027))) << errors().toStdString();

    ASSERT_EQ(calls.count(setMethod()), 1) << "the old schedule is never deleted on its own";
    int deletes = 0, inserts = 0;
    for (const RowChange& c : calls.firstArgs(setMethod()).value(0).value<Delta>().changes)
        (c.op == ChangeOp::Delete ? deletes : inserts)++;
    EXPECT_EQ(deletes, fig.storedCount);
    EXPECT_EQ(inserts, count);

    const QList<Stored> rows = stored();
    ASSERT_EQ(rows.size(), count);
    EXPECT_EQ(sum(rows), fig.withInterest);
    EXPECT_EQ(rows.first().cents, line() ? 80356 : 196098);
    for (int i = 1; i < count; ++i) EXPECT_EQ(rows[i].cents, line() ? 80354 : 196098) << i;
    EXPECT_EQ(rows.last().due, line() ? day(15, 12, 2027) : day(15, 4, 2027));
    EXPECT_EQ(schedule().changeCount(), 0);
    EXPECT_EQ(schedule().recNo(), 1) << "shown from its first installment";
    EXPECT_EQ(totalEdit().value(), fig.withInterest / 100.0);
}

TEST_P(InstallmentSchedule, MonthEndsAndTheInterestThreshold) {
    openIt();
    // Tab goes from the count to the first date, past the total that is only shown.
    ASSERT_TRUE(focusWidget(countEdit()));
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(&countEdit(), &tab);
    QWidget* now = firstDate().window()->focusWidget();
    EXPECT_TRUE(firstDate().isAncestorOf(now) || now == &firstDate());

    // The last day of a shorter month stands in for the 31st, and the 31st comes back.
    for (int year : {2027, 2028}) {
        ASSERT_TRUE(generate(3, day(31, 1, year))) << errors().toStdString();
        const QList<Stored> rows = stored();
        ASSERT_EQ(rows.size(), 3);
        EXPECT_EQ(QList<QDate>({rows[1].due, rows[2].due}),
                  QList<QDate>({day(QDate::isLeapYear(year) ? 29 : 28, 2, year), day(31, 3, year)}));
    }
    // Up to three installments carry no interest; four do, and the panel says so.
    ASSERT_TRUE(generate(1, day(10, 1, 2027)));
    ASSERT_EQ(stored().size(), 1);
    EXPECT_EQ(stored().first().cents, fig.base);
    ASSERT_TRUE(generate(3, day(10, 1, 2027)));
    EXPECT_EQ(sum(stored()), fig.base);
    EXPECT_EQ(stored().first().cents, line() ? 316668 : 257600);
    EXPECT_EQ(totalEdit().value(), fig.base / 100.0);
    EXPECT_TRUE(note().text().isEmpty());
    ASSERT_TRUE(generate(4, day(10, 1, 2027)));
    EXPECT_EQ(sum(stored()), fig.withInterest);
    EXPECT_EQ(totalEdit().value(), fig.withInterest / 100.0);
    EXPECT_EQ(note().text(), "inclui juros de 1,50% (4 ou mais parcelas)");
    EXPECT_EQ(calls.count(setMethod()), 5);
    EXPECT_TRUE(dialogs.errors().isEmpty()) << errors().toStdString();
}

TEST_P(InstallmentSchedule, TheSameCountFromTheSameDateChangesNothing) {
    openIt();
    ASSERT_TRUE(generate(fig.storedCount, day(26, 12, 2026)));
    EXPECT_EQ(calls.count(setMethod()), 0);
    EXPECT_EQ(schedule().changeCount(), 0);
    ASSERT_TRUE(generate(fig.storedCount, day(27, 12, 2026)));
    EXPECT_EQ(calls.count(setMethod()), 1);
    EXPECT_EQ(stored().first().due, day(27, 12, 2026));
}

TEST_P(InstallmentSchedule, TheGeneratorRefusesBeforeTouchingTheSchedule) {
    openIt();
    for (const char* count : {"", "0"}) {
        dialogs.clearShown();
        countEdit().setText(count);
        EXPECT_FALSE(runHandler([&] { area().generate(); }));
        EXPECT_EQ(dialogs.errors(), QStringList{"Número de parcelas deve ser maior que zero."});
        EXPECT_TRUE(screen->hasFocus(&countEdit()));
    }
    dialogs.clearShown();
    EXPECT_FALSE(generate(6, day(20, 11, 2026)));
    EXPECT_EQ(dialogs.errors(), QStringList{kBeforeProposal});
    EXPECT_EQ(schedule().recordCount(), fig.storedCount);
    EXPECT_EQ(schedule().changeCount(), 0);
    EXPECT_EQ(calls.count(setMethod()), 0);
}

TEST_P(InstallmentSchedule, AScheduleThatDoesNotAddUpIsRefusedAndStaysPending) {
    openIt();
    ASSERT_TRUE(focusWidget(grid()));
    EXPECT_EQ(screen->activeTable(), &schedule());
    const qint64 before = sum(stored());
    const QString v = valueField();
    ASSERT_TRUE(change(2, [v](ClientTable& s) { s[v].setAsFloat(s[v].asFloat() + 10); }));
    ASSERT_EQ(schedule().changeCount(), 1);

    EXPECT_FALSE(runHandler([&] { screen->sbtConfirmarClick(); }));
    EXPECT_EQ(dialogs.errors(), QStringList{fig.mismatch.arg(fig.storedTotal)});
    EXPECT_EQ(calls.count(setMethod()), 0);
    EXPECT_EQ(schedule().changeCount(), 1) << "kept to be corrected";
    EXPECT_TRUE(schedule().isEditing());
    EXPECT_EQ(grid().selectedField()->fieldName(), v);
    EXPECT_EQ(sum(stored()), before);

    // Leaving the grid runs the same check: the focus stays.
    dialogs.clearShown();
    EXPECT_FALSE(focusWidget(countEdit()));
    EXPECT_EQ(dialogs.errors(), QStringList{fig.mismatch.arg(fig.storedTotal)});

    // Corrected, Confirmar sends it.
    dialogs.clearShown();
    ASSERT_TRUE(runHandler([&] { schedule()[v].setAsFloat(schedule()[v].asFloat() - 10); }));
    EXPECT_TRUE(runHandler([&] { screen->sbtConfirmarClick(); }));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << errors().toStdString();
    EXPECT_EQ(calls.count(setMethod()), 1);
    EXPECT_EQ(schedule().changeCount(), 0);
}

// Cancelar with the focus on the grid asks, and gives up the whole unsent schedule (the
// reload after it must not send a half-edited one); elsewhere it is the screen's own.
TEST_P(InstallmentSchedule, CancelarOnTheGridGivesUpTheUnsentScheduleElsewhereItIsTheScreens) {
    openIt();
    ASSERT_TRUE(focusWidget(grid()));
    const qint64 before = sum(stored());
    const QString v = valueField();
    ClientTable& s = schedule();
    ASSERT_TRUE(change(1, [v](ClientTable& t) { t[v].setAsFloat(t[v].asFloat() + 10); }));
    ASSERT_TRUE(runHandler([&] { s.setRecNo(2); s.edit(); s[v].setAsFloat(1); }));

    dialogs.expectConfirm(false);
    runHandler([&] { screen->sbtCancelarClick(); });
    EXPECT_TRUE(s.isEditing()) << "answered No, the edits stay";
    EXPECT_EQ(s.changeCount(), 1);

    dialogs.expectConfirm(true);
    EXPECT_TRUE(runHandler([&] { screen->sbtCancelarClick(); })) << errors().toStdString();
    EXPECT_EQ(dialogs.questions().size(), 2);
    EXPECT_FALSE(s.isEditing());
    EXPECT_EQ(s.changeCount(), 0);
    EXPECT_EQ(calls.count(setMethod()), 0);
    EXPECT_EQ(sum(stored()), before);

    // On the generator, with the schedule still the buttons' table and nothing edited.
    ASSERT_TRUE(focusWidget(countEdit()));
    ASSERT_EQ(screen->activeTable(), &s);
    dialogs.clearShown();
    EXPECT_TRUE(runHandler([&] { screen->sbtCancelarClick(); }));
    EXPECT_TRUE(dialogs.questions().isEmpty()) << "nothing to give up, nothing asked";
}

TEST_P(InstallmentSchedule, DueDatesAreCheckedAgainstTheServerTheProposalAndEachOther) {
    openIt();
    ClientTable& s = schedule();
    // A day the owner already has on the server.
    EXPECT_FALSE(change(2, dueOn(day(26, 12, 2026))));
    EXPECT_EQ(dialogs.errors(), QStringList{"Data vencimento já cadastrada."});
    EXPECT_EQ(grid().selectedField()->fieldName(), dueField());
    runHandler([&] { s.cancel(); });

    // Before the proposal's date; its own day is fine.
    dialogs.clearShown();
    EXPECT_FALSE(change(1, dueOn(day(25, 11, 2026))));
    EXPECT_EQ(dialogs.errors(), QStringList{kBeforeProposal});
    runHandler([&] { s.cancel(); });
    dialogs.clearShown();
    EXPECT_TRUE(change(1, dueOn(day(26, 11, 2026))));

    // Two installments moved to one new day pass one by one and stop Confirmar.
    EXPECT_TRUE(change(2, dueOn(day(5, 5, 2027))));
    EXPECT_TRUE(change(3, dueOn(day(5, 5, 2027))));
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
    EXPECT_EQ(s[fig.ownerField].asString(), fig.ownerValue) << "the row belongs to its owner";
    runHandler([&] { s.cancelUpdates(); });
}

TEST_P(InstallmentSchedule, AUsersDeleteIsSentAtOnce) {
    openIt();
    ASSERT_TRUE(focusWidget(grid()));
    for (TMenuItem* e : {screen->mnuIncluir, screen->mnuAlterar, screen->mnuExcluir})
        EXPECT_TRUE(e->enabled()) << e->objectName().toStdString();
    EXPECT_FALSE(screen->mnuConfirmar->enabled());
    ASSERT_TRUE(runHandler([&] { schedule().last(); }));
    dialogs.expectConfirm(true);
    ASSERT_TRUE(runHandler([&] { screen->sbtExcluirClick(); }));
    EXPECT_EQ(calls.count(setMethod()), 1);
    EXPECT_EQ(stored().size(), fig.storedCount - 1);
    EXPECT_EQ(schedule().changeCount(), 0);
    // The line shows what its installments must reach (three carry no interest), the
    // package what they add up to.
    EXPECT_EQ(totalEdit().value(), line() ? 9500.0 : 5152.0);
}

// The resplit after the base total changed: whole cents adding up to the new total, each
// installment keeping its share; a schedule of zeros has none and is split equally.
TEST_P(InstallmentSchedule, TheResplitKeepsSharesAndASumOfNothingIsSplitEqually) {
    server::Database& db = testServer().db();
    qint64 total = 0;
    if (line()) {
        // (1000 − 33,33) × 10 = 9.666,70; × 1,015 = 9.811,70 cut.
        db.exec("UPDATE LINPPROP SET VRDESLICUSOPROP = 33.33 WHERE NRPROPOSFAS = :N AND CDLINPPROP = :L",
                {{"N", number(2)}, {"L", number(3)}});
        total = 981170;
    } else {
        // 10.000,005 under a schedule of 1.000,01 + 2.000,00 + 4.727,99.
        const Packet dates = db.query("SELECT DTVENCSERVPROP FROM VENCSERVPROP WHERE NRPROPOSFAS = :N "
                                      "ORDER BY DTVENCSERVPROP", {{"N", number(2)}});
        ASSERT_EQ(dates.rows.size(), 3);
        const double before[] = {1000.01, 2000, 4727.99};
        for (int r = 0; r < 3; ++r)
            db.exec("UPDATE VENCSERVPROP SET VRVENCSERVPROP = :V WHERE NRPROPOSFAS = :N AND DTVENCSERVPROP = :D",
                    {{"V", before[r]}, {"N", number(2)}, {"D", dates.rows[r].value(0)}});
        db.exec("UPDATE PROPOSTAFAS SET VRPACOTESERV = 10000.005 WHERE NRPROPOSFAS = :N", {{"N", number(2)}});
        total = 1000000;
    }
    openIt();
    const QString v = valueField();
    if (line()) {
        ASSERT_TRUE(change(2, [v](ClientTable& s) { s[v].setAsFloat(4000); }));
    }
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

    for (int r = 1; r <= schedule().rowCount(); ++r) ASSERT_TRUE(change(r, [v](ClientTable& t) { t[v].setAsFloat(0); }));
    ASSERT_TRUE(runHandler([&] { area().spread(false); }));
    const std::vector<qint64> equal = shownCents();
    const qint64 share = total / qint64(equal.size());
    EXPECT_EQ(equal.front(), total - share * qint64(equal.size() - 1)) << "the cents left on the first";
    for (size_t i = 1; i < equal.size(); ++i) EXPECT_EQ(equal[i], share);
    ASSERT_TRUE(runHandler([&] { area().confirmSchedule(); }));
    EXPECT_EQ(sum(stored()), total) << "the server takes it against the new total";
}

// A proposal dated after today: a schedule generated without a date typed starts on the
// proposal's own date instead of being refused.
TEST_P(InstallmentSchedule, AProposalDatedLaterStartsTheScheduleOnItsOwnDate) {
    testServer().db().exec("UPDATE PROPOSTAFAS SET DTPROPOSFAS = :D WHERE NRPROPOSFAS = :N",
                           {{"D", midnightOf(day(20, 12, 2026))}, {"N", number(2)}});
    openIt();
    ASSERT_TRUE(generate(2, QDate())) << errors().toStdString();
    const QList<Stored> rows = stored();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(QList<QDate>({rows[0].due, rows[1].due}), QList<QDate>({day(20, 12, 2026), day(20, 1, 2027)}));
    EXPECT_EQ(sum(rows), fig.base);
}

INSTANTIATE_TEST_SUITE_P(LineAndPackage, InstallmentSchedule, ::testing::Values(Schedule::Line, Schedule::Package),
                         [](const ::testing::TestParamInfo<Schedule>& info) {
                             return info.param == Schedule::Line ? "Line" : "Package";
                         });

}  // namespace
