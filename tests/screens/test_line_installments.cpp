// What only a product line's licence installments do: a schedule per line, the line's
// first installment, the keys the grid and the count take, and a send the server refuses.
// What they share with the package's is in test_installment_schedule.cpp.
#include <gtest/gtest.h>

#include <QStatusBar>

#include "rpc/rpc_values.h"
#include "screens/schedule_fixture.h"
#include "ui/buttons.h"
#include "ui/menus.h"

using namespace cot;
using namespace cot::testing;

namespace {

class LineInstallments : public ScheduleFixture {
protected:
    LineInstallmentsArea& area() { return lineArea(); }
    // The stored last due date of a line, as the database writes it.
    QVariant lastDue(int key) {
        return testServer().db().scalar(
            QStringLiteral("SELECT MAX(DTVELUSOPEDP) FROM VENCLINPPROP WHERE NRPROPOSFAS = :N AND CDLINPPROP = :L"),
            {{"N", number(2)}, {"L", number(key)}});
    }
    void dropLine2002() {
        testServer().db().exec("DELETE FROM VENCLINPPROP WHERE NRPROPOSFAS = :N AND CDLINPPROP = :L",
                               {{"N", number(2)}, {"L", number(4)}});
    }
};

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
    testServer().db().exec("UPDATE VENCLINPPROP SET VRVELUSOPEDP = VRVELUSOPEDP + 1 WHERE NRPROPOSFAS = :N "
                           "AND CDLINPPROP = :L AND DTVELUSOPEDP = :D",
                           {{"N", number(2)}, {"L", number(4)}, {"D", lastDue(4)}});
    ASSERT_TRUE(runHandler([&] { area().loadForCurrentLine(); }));
    ASSERT_EQ(sum(storedOfLine(4)), 130100 + 100);
    ASSERT_TRUE(generate(3, day(26, 12, 2026)));
    EXPECT_EQ(calls.count("SetVencimento"), 3);
    EXPECT_EQ(sum(storedOfLine(4)), 130100);
    EXPECT_TRUE(dialogs.errors().isEmpty()) << errors().toStdString();
}

TEST_F(LineInstallments, ARefusedSendKeepsTheNewScheduleUntilConfirmarSendsItAgain) {
    openLine("2001");
    // Another user removes the last installment meanwhile.
    const QVariantMap key{{"N", number(2)}, {"L", number(3)}, {"D", lastDue(3)}};
    const QString where = QStringLiteral(" WHERE NRPROPOSFAS = :N AND CDLINPPROP = :L AND DTVELUSOPEDP = :D");
    const Packet gone = testServer().db().query("SELECT * FROM VENCLINPPROP" + where, key);
    ASSERT_EQ(gone.rows.size(), 1);
    testServer().db().exec("DELETE FROM VENCLINPPROP" + where, key);

    EXPECT_FALSE(generate(6, day(15, 1, 2027)));
    EXPECT_EQ(dialogs.errors(), QStringList{"Registro alterado ou excluído por outro usuário."});
    EXPECT_EQ(storedOfLine(3).size(), 3) << "nothing of the new schedule was written";
    EXPECT_EQ(schedule().recordCount(), 6);
    EXPECT_EQ(schedule().changeCount(), 10) << "four deletes and six inserts wait";
    EXPECT_EQ(screen->activeTable(), &schedule());
    EXPECT_TRUE(screen->mnuConfirmar->enabled());
    EXPECT_TRUE(screen->mnuCancelar->enabled());
    EXPECT_FALSE(screen->statusBar()->currentMessage().isEmpty());

    // The other user's row is back: Confirmar sends the kept schedule.
    QVariantMap row;
    for (int c = 0; c < gone.fields.size(); ++c) row.insert(gone.fields[c].name, gone.rows[0][c]);
    QStringList names = row.keys(), marks;
    for (const QString& n : names) marks << u':' + n;
    testServer().db().exec("INSERT INTO VENCLINPPROP (" + names.join(',') + ") VALUES (" + marks.join(',') + ")", row);
    dialogs.clearShown();
    EXPECT_TRUE(runHandler([&] { screen->sbtConfirmarClick(); }));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << errors().toStdString();
    EXPECT_EQ(storedOfLine(3).size(), 6);
    EXPECT_EQ(sum(storedOfLine(3)), 964250);
    EXPECT_EQ(calls.count("SetVencimento"), 2);
}

TEST_F(LineInstallments, TheFirstInstallmentOfALineWaitsForConfirmaVenc) {
    dropLine2002();
    openLine("2002");
    ASSERT_EQ(schedule().recordCount(), 0);
    EXPECT_EQ(firstDate().date(), day(6, 12, 2026)) << "where a generation would start";
    ASSERT_TRUE(runHandler([&] { area().addFirstInstallment(); }));
    EXPECT_EQ(schedule().recordCount(), 1);
    EXPECT_EQ(schedule()["DTVELUSOPEDP"].asDateTime().date(), day(6, 12, 2026)) << "today";
    EXPECT_EQ(cents(schedule()["VRVELUSOPEDP"].asFloat()), 130100);
    EXPECT_EQ(calls.count("SetVencimento"), 0);
    // A single installment is the total, whatever was typed.
    ASSERT_TRUE(change(1, [](ClientTable& s) { s["VRVELUSOPEDP"].setAsFloat(1000); }));
    ASSERT_TRUE(runHandler([&] { area().confirmSchedule(); }));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << errors().toStdString();
    ASSERT_EQ(storedOfLine(4).size(), 1);
    EXPECT_EQ(storedOfLine(4).first().cents, 130100);
}

// A proposal dated after today: the line's first installment starts on the proposal's own
// date, as a generation without a date typed does, instead of a date the checks refuse.
TEST_F(LineInstallments, AProposalDatedLaterGivesTheFirstInstallmentItsOwnDate) {
    dropLine2002();
    testServer().db().exec("UPDATE PROPOSTAFAS SET DTPROPOSFAS = :D WHERE NRPROPOSFAS = :N",
                           {{"D", midnightOf(day(20, 12, 2026))}, {"N", number(2)}});
    openLine("2002");
    ASSERT_TRUE(runHandler([&] { area().addFirstInstallment(); })) << errors().toStdString();
    ASSERT_TRUE(runHandler([&] { area().confirmSchedule(); })) << errors().toStdString();
    ASSERT_EQ(storedOfLine(4).size(), 1);
    EXPECT_EQ(storedOfLine(4).first().due, day(20, 12, 2026));
}

TEST_F(LineInstallments, KeysTheGridAndTheCountTake) {
    openLine("2001");
    TDBGrid& installments = grid();
    ASSERT_TRUE(focusWidget(installments));
    ASSERT_TRUE(installments.setSelectedField("VRVELUSOPEDP"));
    typeText(installments, "a1/2,3,4");
    ASSERT_TRUE(installments.editorMode());
    EXPECT_EQ(installments.inplaceEditor()->text(), "12,34") << "letters, slashes and a second comma are dropped";
    pressKey(installments, Qt::Key_Escape);
    pressKey(installments, Qt::Key_Escape);

    TNumberEdit& count = countEdit();
    const auto typed = [&](const QString& keys) {
        count.clear();
        type(*screen, "nedParcelas", keys);
        return count.text();
    };
    EXPECT_EQ(typed("123"), "12");
    EXPECT_EQ(typed("99"), "99");
    EXPECT_EQ(typed("100"), "10");
    count.selectAll();
    typeText(count, "5");
    EXPECT_EQ(count.text(), "5") << "a digit over the selection replaces it";
}

}  // namespace
