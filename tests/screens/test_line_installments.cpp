// Licence installments of a product line on the proposal screen: the generator, the sum
// check, the due-date checks and how the schedule reaches the server.
//
// Demo proposal 2 (26/11/2026, contract M): line 2001 = (1000 − 50) × 10 = 9.500,00 in four
// installments from 26/12/2026; line 2002 = 650,50 × 2 = 1.301,00 in three. Interest 1,5 %.
#include <gtest/gtest.h>

#include <QLabel>
#include <QStatusBar>
#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>
#include <vector>

#include "rpc/rpc_values.h"
#include "screens/proposal_fixture.h"
#include "ui/buttons.h"
#include "ui/date_edit.h"
#include "ui/db_grid.h"
#include "ui/number_edit.h"

using namespace cot;
using namespace cot::testing;

namespace {

const QString kValueTotal = QStringLiteral(
    "Os valores dos vencimentos somados não podem ser diferentes do valor total da licença de uso. Valor Total (%1).");

qint64 cents(double v) { return std::llround(v * 100); }
QDate day(int d, int m, int y) { return QDate(y, m, d); }

class LineInstallments : public ProposalFixture {
protected:
    struct Stored {
        QDate due;
        qint64 cents;
    };

    LineInstallmentsArea& area() { return screen->area<LineInstallmentsArea>(); }
    ClientTable& schedule() { return *area().cdsVenc_Valor; }

    // Proposal 2's line form on the line `code`, recording every call the screen makes.
    void openLine(const QString& code) {
        openScreen();
        ASSERT_TRUE(select(2));
        ASSERT_TRUE(menu(screen->menus().mnuLinnProdForm));
        ClientTable& lines = *screen->area<ProductLineArea>().cdsLinProd;
        ASSERT_TRUE(runHandler([&] {
            ASSERT_TRUE(lines.locate(QStringLiteral("CDLINPPROPINFOR"), code));
            area().loadForCurrentLine();
        }));
        calls.clear();
        screen->net().setCallObserver([this](const QString& m, const QVariantList& a) { calls.push_back({m, a}); });
    }
    int callsOf(const QString& method) const {
        int n = 0;
        for (const auto& c : calls) n += c.first == method;
        return n;
    }

    bool generate(int count, const QDate& from) {
        area().nedParcelas->setText(count ? QString::number(count) : QString());
        area().depDataVenc->setDate(from);
        return runHandler([&] { area().sbtGerarParcelasClick(); });
    }

    // What the database holds for a line of proposal 2 (2001 is key 3, 2002 key 4).
    QList<Stored> stored(int line) {
        const Packet p = testServer().db().query(
            QStringLiteral("SELECT DTVELUSOPEDP, VRVELUSOPEDP FROM VENCLINPPROP WHERE NRPROPOSFAS = :N "
                           "AND NRVERPROPFAS = '01' AND CDLINPPROP = :L ORDER BY DTVELUSOPEDP"),
            {{"N", number(2)}, {"L", number(line)}},
            {{"DTVELUSOPEDP", FieldType::DateTime}, {"VRVELUSOPEDP", FieldType::Float}});
        QList<Stored> out;
        for (int r = 0; r < p.rows.size(); ++r)
            out.append({p.value(r, "DTVELUSOPEDP").toDateTime().date(), cents(p.value(r, "VRVELUSOPEDP").toDouble())});
        return out;
    }
    // The stored last due date of a line, as the database writes it.
    QVariant lastDue(int line) {
        return testServer().db().scalar(
            QStringLiteral("SELECT MAX(DTVELUSOPEDP) FROM VENCLINPPROP WHERE NRPROPOSFAS = :N AND CDLINPPROP = :L"),
            {{"N", number(2)}, {"L", number(line)}});
    }
    static qint64 sum(const QList<Stored>& rows) {
        return std::accumulate(rows.begin(), rows.end(), qint64(0), [](qint64 s, const Stored& r) { return s + r.cents; });
    }

    // Changes the current row of the schedule as a user would, through the table.
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

TEST_F(LineInstallments, RegeneratingSendsDeletesAndInsertsAsOneDeltaThatAddsUp) {
    openLine("2001");
    ASSERT_EQ(stored(3).size(), 4);
    area().nedParcelas->setText("12");
    area().depDataVenc->setDate(day(15, 1, 2027));
    ASSERT_TRUE(runHandler([&] { area().sbtGerarParcelas->click(); }));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();

    ASSERT_EQ(callsOf("SetVencimento"), 1) << "the old schedule is never deleted on its own";
    const Delta sent = std::find_if(calls.begin(), calls.end(), [](const auto& c) {
                           return c.first == "SetVencimento";
                       })->second.value(0).value<Delta>();
    int deletes = 0, inserts = 0;
    for (const RowChange& c : sent.changes) (c.op == ChangeOp::Delete ? deletes : inserts)++;
    EXPECT_EQ(deletes, 4);
    EXPECT_EQ(inserts, 12);

    const QList<Stored> rows = stored(3);
    ASSERT_EQ(rows.size(), 12);
    // 9.500,00 × 1,015 = 9.642,50: twelve of 803,54 and the two cents left on the first.
    EXPECT_EQ(sum(rows), 964250);
    EXPECT_EQ(rows.first().cents, 80356);
    for (int i = 1; i < 12; ++i) EXPECT_EQ(rows[i].cents, 80354) << i;
    EXPECT_EQ(rows[11].due, day(15, 12, 2027));
    EXPECT_EQ(schedule().changeCount(), 0);
    EXPECT_NEAR(area().nedVrTotal->value(), 9642.50, 0.001);
}

TEST_F(LineInstallments, MonthEndStartsAndTheInterestThreshold) {
    openLine("2001");
    // The last day of a shorter month stands in for the 31st, and the 31st comes back.
    for (int year : {2027, 2028}) {
        ASSERT_TRUE(generate(3, day(31, 1, year)));
        const QList<Stored> rows = stored(3);
        ASSERT_EQ(rows.size(), 3);
        EXPECT_EQ(rows[1].due, day(QDate::isLeapYear(year) ? 29 : 28, 2, year));
        EXPECT_EQ(rows[2].due, day(31, 3, year));
    }

    // Up to three installments carry no interest; four do.
    ASSERT_TRUE(generate(1, day(10, 1, 2027)));
    ASSERT_EQ(stored(3).size(), 1);
    EXPECT_EQ(stored(3).first().cents, 950000);
    ASSERT_TRUE(generate(3, day(10, 1, 2027)));
    EXPECT_EQ(sum(stored(3)), 950000);
    EXPECT_EQ(stored(3).first().cents, 316668);
    EXPECT_NEAR(area().nedVrTotal->value(), 9500.00, 0.001);
    EXPECT_TRUE(area().lblJurosVencimento->text().isEmpty());
    ASSERT_TRUE(generate(4, day(10, 1, 2027)));
    EXPECT_EQ(sum(stored(3)), 964250);
    EXPECT_NEAR(area().nedVrTotal->value(), 9642.50, 0.001);
    EXPECT_EQ(area().lblJurosVencimento->text(), "inclui juros de 1,50% (4 ou mais parcelas)");
    EXPECT_EQ(callsOf("SetVencimento"), 5);
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
}

TEST_F(LineInstallments, TheShortcutSkipsOnlyTheSameLinesScheduleWhenItAddsUp) {
    openLine("2002");
    // Line 2002 gets a schedule of its own, starting after line 2001's.
    ASSERT_TRUE(generate(3, day(10, 1, 2027)));
    ASSERT_EQ(callsOf("SetVencimento"), 1);

    // Asked for its own count from line 2001's first date: regenerated.
    ASSERT_TRUE(generate(3, day(26, 12, 2026)));
    EXPECT_EQ(callsOf("SetVencimento"), 2) << "another line's first date is not this line's";
    EXPECT_EQ(stored(4).first().due, day(26, 12, 2026));

    // The same again: nothing to do.
    ASSERT_TRUE(generate(3, day(26, 12, 2026)));
    EXPECT_EQ(callsOf("SetVencimento"), 2);
    EXPECT_EQ(schedule().changeCount(), 0);

    // Same count and date, but the stored values no longer add up: regenerated.
    testServer().db().exec("UPDATE VENCLINPPROP SET VRVELUSOPEDP = VRVELUSOPEDP + 1 WHERE NRPROPOSFAS = :N "
                           "AND CDLINPPROP = :L AND DTVELUSOPEDP = :D",
                           {{"N", number(2)}, {"L", number(4)}, {"D", lastDue(4)}});
    ASSERT_TRUE(runHandler([&] { area().loadForCurrentLine(); }));
    ASSERT_EQ(sum(stored(4)), 130100 + 100);
    ASSERT_TRUE(generate(3, day(26, 12, 2026)));
    EXPECT_EQ(callsOf("SetVencimento"), 3);
    EXPECT_EQ(sum(stored(4)), 130100);
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
}

TEST_F(LineInstallments, AScheduleThatDoesNotAddUpIsRefusedAndStaysPending) {
    openLine("2001");
    ASSERT_TRUE(focusWidget(*area().dbgVencimento));
    EXPECT_EQ(screen->activeTable(), &schedule());
    const qint64 before = sum(stored(3));
    ASSERT_TRUE(change(2, [](ClientTable& s) { s["VRVELUSOPEDP"].setAsFloat(s["VRVELUSOPEDP"].asFloat() + 10); }));
    ASSERT_EQ(schedule().changeCount(), 1);

    EXPECT_FALSE(runHandler([&] { screen->sbtConfirmarClick(); }));
    EXPECT_EQ(dialogs.errors(), QStringList{kValueTotal.arg("9642,50")});
    EXPECT_EQ(callsOf("SetVencimento"), 0);
    EXPECT_EQ(schedule().changeCount(), 1) << "kept to be corrected";
    EXPECT_TRUE(schedule().isEditing());
    EXPECT_EQ(area().dbgVencimento->selectedField()->fieldName(), "VRVELUSOPEDP");
    EXPECT_EQ(sum(stored(3)), before);

    // Leaving the grid runs the same check: the focus stays.
    dialogs.clearShown();
    EXPECT_FALSE(focusWidget(*area().nedParcelas));
    EXPECT_EQ(dialogs.errors(), QStringList{kValueTotal.arg("9642,50")});

    // Corrected, Confirmar sends it.
    dialogs.clearShown();
    ASSERT_TRUE(runHandler([&] { schedule()["VRVELUSOPEDP"].setAsFloat(schedule()["VRVELUSOPEDP"].asFloat() - 10); }));
    EXPECT_TRUE(runHandler([&] { screen->sbtConfirmarClick(); }));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    EXPECT_EQ(callsOf("SetVencimento"), 1);
    EXPECT_EQ(schedule().changeCount(), 0);
}

TEST_F(LineInstallments, DueDatesAreCheckedAgainstTheLineAndTheProposal) {
    openLine("2001");
    ClientTable& s = schedule();
    const auto due = [](const QDate& d) {
        return [d](ClientTable& t) { t["DTVELUSOPEDP"].setAsDateTime(QDateTime(d, QTime(0, 0))); };
    };
    // A day the line already has on the server.
    EXPECT_FALSE(change(2, due(day(26, 12, 2026))));
    EXPECT_EQ(dialogs.errors(), QStringList{"Data vencimento já cadastrada."});
    EXPECT_EQ(area().dbgVencimento->selectedField()->fieldName(), "DTVELUSOPEDP");
    runHandler([&] { s.cancel(); });

    // Before the proposal's date; its own day is fine.
    dialogs.clearShown();
    EXPECT_FALSE(change(1, due(day(25, 11, 2026))));
    EXPECT_EQ(dialogs.errors(), QStringList{
        "Data de Vencimento não podererá ser inferior à data de cadastramento da Proposta."});
    runHandler([&] { s.cancel(); });
    dialogs.clearShown();
    EXPECT_TRUE(change(1, due(day(26, 11, 2026))));

    // Two installments moved to one new day pass one by one and stop Confirmar.
    EXPECT_TRUE(change(2, due(day(5, 5, 2027))));
    EXPECT_TRUE(change(3, due(day(5, 5, 2027))));
    ASSERT_TRUE(focusWidget(*area().dbgVencimento));
    EXPECT_FALSE(runHandler([&] { screen->sbtConfirmarClick(); }));
    EXPECT_EQ(dialogs.errors(), QStringList{"Datas de vencimento não podem ser iguais."});
    EXPECT_EQ(callsOf("SetVencimento"), 0);
    runHandler([&] { s.cancelUpdates(); });

    // A new installment needs its date and its value; zero is a value.
    dialogs.clearShown();
    EXPECT_FALSE(runHandler([&] { s.append(); s.post(); }));
    EXPECT_FALSE(runHandler([&] { due(day(7, 7, 2027))(s); s.post(); }));
    EXPECT_EQ(dialogs.errors(), (QStringList{"Data vencimento deve ser informada.", "Valor deve ser informado."}));
    EXPECT_TRUE(runHandler([&] { s["VRVELUSOPEDP"].setAsFloat(0); s.post(); }));
    EXPECT_EQ(s["CDLINPPROP"].asString(), number(3)) << "the row belongs to the current line";
    runHandler([&] { s.cancelUpdates(); });
}

TEST_F(LineInstallments, TheGeneratorRefusesBeforeTouchingTheSchedule) {
    openLine("2001");
    for (const char* count : {"", "0"}) {
        dialogs.clearShown();
        area().nedParcelas->setText(count);
        EXPECT_FALSE(runHandler([&] { area().sbtGerarParcelasClick(); }));
        EXPECT_EQ(dialogs.errors(), QStringList{"Número de parcelas deve ser maior que zero."});
        EXPECT_TRUE(screen->hasFocus(area().nedParcelas));
    }
    dialogs.clearShown();
    EXPECT_FALSE(generate(6, day(20, 11, 2026)));
    EXPECT_EQ(dialogs.errors(), QStringList{
        "Data de Vencimento não podererá ser inferior à data de cadastramento da Proposta."});
    EXPECT_EQ(schedule().recordCount(), 4);
    EXPECT_EQ(schedule().changeCount(), 0);
    EXPECT_EQ(callsOf("SetVencimento"), 0);
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
    EXPECT_EQ(stored(3).size(), 3) << "nothing of the new schedule was written";
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
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    EXPECT_EQ(stored(3).size(), 6);
    EXPECT_EQ(sum(stored(3)), 964250);
    EXPECT_EQ(callsOf("SetVencimento"), 2);
}

TEST_F(LineInstallments, AUsersDeleteIsSentAtOnce) {
    openLine("2001");
    ASSERT_TRUE(focusWidget(*area().dbgVencimento));
    for (TMenuItem* e : {screen->mnuIncluir, screen->mnuAlterar, screen->mnuExcluir})
        EXPECT_TRUE(e->enabled()) << e->objectName().toStdString();
    EXPECT_FALSE(screen->mnuConfirmar->enabled());
    ASSERT_TRUE(runHandler([&] { schedule().last(); }));
    dialogs.expectConfirm(true);
    ASSERT_TRUE(runHandler([&] { screen->sbtExcluirClick(); }));
    EXPECT_EQ(callsOf("SetVencimento"), 1);
    EXPECT_EQ(stored(3).size(), 3);
    EXPECT_EQ(schedule().changeCount(), 0);
}

TEST_F(LineInstallments, TheResplitKeepsSharesAndAddsUpToTheNewTotal) {
    // The line's discount changed: (1000 − 33,33) × 10 = 9.666,70; × 1,015 = 9.811,70 cut.
    testServer().db().exec("UPDATE LINPPROP SET VRDESLICUSOPROP = 33.33 WHERE NRPROPOSFAS = :N AND CDLINPPROP = :L",
                           {{"N", number(2)}, {"L", number(3)}});
    openLine("2001");
    ASSERT_TRUE(change(2, [](ClientTable& s) { s["VRVELUSOPEDP"].setAsFloat(4000); }));
    ASSERT_TRUE(runHandler([&] { area().Rateia_Vencimento(false); }));
    ClientTable& s = schedule();
    qint64 total = 0;
    std::vector<qint64> values;
    for (int r = 0; r < s.rowCount(); ++r) {
        ClientTable::RowView view(s, r);
        const double v = s["VRVELUSOPEDP"].asFloat();
        EXPECT_DOUBLE_EQ(v, cents(v) / 100.0) << "whole cents";
        values.push_back(cents(v));
        total += cents(v);
    }
    EXPECT_EQ(total, 981170);
    EXPECT_GT(values[1], values[2]) << "the larger installment keeps the larger share";
    EXPECT_TRUE(area().Vd_Valor(false));

    // A schedule of zeros has no shares: split equally, the cents left on the first.
    for (int r = 1; r <= 4; ++r) ASSERT_TRUE(change(r, [](ClientTable& t) { t["VRVELUSOPEDP"].setAsFloat(0); }));
    ASSERT_TRUE(runHandler([&] { area().Rateia_Vencimento(false); }));
    s.first();
    EXPECT_EQ(cents(s["VRVELUSOPEDP"].asFloat()), 245294);
    s.last();
    EXPECT_EQ(cents(s["VRVELUSOPEDP"].asFloat()), 245292);
    ASSERT_TRUE(runHandler([&] { area().Confirma_Venc(); }));
    EXPECT_EQ(sum(stored(3)), 981170) << "the server takes it against the new total";
}

TEST_F(LineInstallments, TheFirstInstallmentOfALineWaitsForConfirmaVenc) {
    testServer().db().exec("DELETE FROM VENCLINPPROP WHERE NRPROPOSFAS = :N AND CDLINPPROP = :L",
                           {{"N", number(2)}, {"L", number(4)}});
    openLine("2002");
    ASSERT_EQ(schedule().recordCount(), 0);
    ASSERT_TRUE(runHandler([&] { area().addFirstInstallment(); }));
    EXPECT_EQ(schedule().recordCount(), 1);
    EXPECT_EQ(schedule()["DTVELUSOPEDP"].asDateTime().date(), day(6, 12, 2026)) << "today";
    EXPECT_EQ(cents(schedule()["VRVELUSOPEDP"].asFloat()), 130100);
    EXPECT_EQ(callsOf("SetVencimento"), 0);
    // A single installment is the total, whatever was typed.
    ASSERT_TRUE(change(1, [](ClientTable& s) { s["VRVELUSOPEDP"].setAsFloat(1000); }));
    ASSERT_TRUE(runHandler([&] { area().Confirma_Venc(); }));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    ASSERT_EQ(stored(4).size(), 1);
    EXPECT_EQ(stored(4).first().cents, 130100);
}

// A proposal dated after today: the line's first installment and a schedule generated
// without a date typed start on the proposal's own date, as the package's do, instead of
// a date the checks then refuse.
TEST_F(LineInstallments, AProposalDatedLaterStartsTheScheduleOnItsOwnDate) {
    testServer().db().exec("DELETE FROM VENCLINPPROP WHERE NRPROPOSFAS = :N AND CDLINPPROP = :L",
                           {{"N", number(2)}, {"L", number(4)}});
    testServer().db().exec("UPDATE PROPOSTAFAS SET DTPROPOSFAS = :D WHERE NRPROPOSFAS = :N",
                           {{"D", QDateTime(day(20, 12, 2026), QTime(0, 0))}, {"N", number(2)}});
    openLine("2002");
    ASSERT_TRUE(runHandler([&] { area().addFirstInstallment(); })) << dialogs.errors().join(u'|').toStdString();
    ASSERT_TRUE(runHandler([&] { area().Confirma_Venc(); })) << dialogs.errors().join(u'|').toStdString();
    ASSERT_EQ(stored(4).size(), 1);
    EXPECT_EQ(stored(4).first().due, day(20, 12, 2026));

    ASSERT_TRUE(generate(2, QDate())) << dialogs.errors().join(u'|').toStdString();
    const QList<Stored> rows = stored(4);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].due, day(20, 12, 2026));
    EXPECT_EQ(rows[1].due, day(20, 1, 2027));
    EXPECT_EQ(sum(rows), 130100);
}

TEST_F(LineInstallments, KeysTheGridAndTheCountTake) {
    openLine("2001");
    TDBGrid& grid = *area().dbgVencimento;
    ASSERT_TRUE(focusWidget(grid));
    ASSERT_TRUE(grid.setSelectedField("VRVELUSOPEDP"));
    typeText(grid, "a1/2,3,4");
    ASSERT_TRUE(grid.editorMode());
    EXPECT_EQ(grid.inplaceEditor()->text(), "12,34") << "letters, slashes and a second comma are dropped";
    pressKey(grid, Qt::Key_Escape);
    pressKey(grid, Qt::Key_Escape);

    TNumberEdit& count = *area().nedParcelas;
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
