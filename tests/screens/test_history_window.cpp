// The history window of a proposal version: what a save through the screen leaves there,
// newest first with its words and dates, the table filter and the captions it offers,
// and a screen whose changes are still unsent when the window opens.
#include <QComboBox>
#include <QScrollBar>

#include "base/clock.h"
#include "dialogs/history/history_dialog.h"
#include "dialogs/history/history_launch.h"
#include "screens/header_fixture.h"
#include "screens/list_cases.h"
#include "ui/buttons.h"
#include "ui/db_grid.h"
#include "ui/menus.h"
#include "ui/db_grid_model.h"
#include "ui/edits.h"

using namespace cot;
using namespace cot::testing;

namespace {

class HistoryWindow : public HeaderFixture {
protected:
    void selectProposal(int n) {
        ASSERT_TRUE(runHandler([&] {
            ASSERT_TRUE(screen->proposal().locate(QStringLiteral("NRPROPOSFAS;NRVERPROPFAS"), {seedNumber(n), "01"}));
        }));
    }
    // Opens the window over the screen; `look` sees it while it is up.
    void openHistory(const std::function<void(TfrmHistoricoProposta&)>& look) {
        ASSERT_TRUE(whileShown<TfrmHistoricoProposta>(runner, "frmHistoricoProposta", look, [&] { openProposalHistory(*screen); }))
            << dialogs.errors().join("; ").toStdString();
    }
    void changeReference(const QString& text) {
        ClientTable& t = screen->proposal();
        ASSERT_TRUE(runHandler([&] {
            t.edit();
            t["DSREFEPROPOSFAS"].setAsString(text);
            t.post();
        })) << dialogs.errors().join("; ").toStdString();
    }
    // A row written straight into the history, as the server would have written it.
    void storeHistory(int n, const QDateTime& at, const QString& table, const QString& op, const QString& field,
                      const QString& key = {}, const QString& method = QStringLiteral("SetSimulacao")) {
        static int seq = 1000;
        testServer().db().exec(
            QStringLiteral("INSERT INTO HISTPROP (NRPROPOSFAS, NRVERPROPFAS, DTHIST, NRSEQHIST, CDOPERADOR, NMMETODO, "
                           "NMTABELA, DSCHAVE, IDOPERHIST, NMCAMPO, VLANTERIOR, VLNOVO) VALUES (:N, '01', :D, :S, "
                           "'VENDEDOR', :M, :T, :K, :O, :F, NULL, 'x')"),
            {{"N", seedNumber(n)}, {"D", at}, {"S", ++seq}, {"M", method}, {"T", orNull(table)}, {"K", orNull(key)},
             {"O", op}, {"F", orNull(field)}});
    }
    static QVariant orNull(const QString& s) { return s.isEmpty() ? QVariant() : QVariant(s); }
    static QStringList comboItems(const TfrmHistoricoProposta& d) {
        QStringList out;
        for (int i = 0; i < d.cbbTabela->count(); ++i) out << d.cbbTabela->itemText(i);
        return out;
    }
    // What a grid column shows on every row, top to bottom.
    static QStringList shown(const TfrmHistoricoProposta& d, const QString& field) {
        const int column = IndiceCol(d.dbgHistorico, field);
        EXPECT_GE(column, 0) << field.toStdString();
        QStringList out;
        const auto* model = d.dbgHistorico->model();
        for (int r = 0; r < model->rowCount(); ++r) out << model->index(r, column).data().toString();
        return out;
    }
    static void choose(TfrmHistoricoProposta& d, const QString& caption) {
        const int at = d.cbbTabela->findText(caption);
        ASSERT_GE(at, 0) << caption.toStdString();
        d.cbbTabela->setCurrentIndex(at);
    }
};

TEST_F(HistoryWindow, SavesAreListedNewestFirstInWordsAndTheFilterNarrowsThemUnlessTheServerRefuses) {
    selectProposal(1);
    const QString before = screen->proposal()["DSREFEPROPOSFAS"].asString();
    changeReference(QStringLiteral("Referência intermediária"));
    Clock::setCurrent(std::make_shared<FixedClock>(QDateTime(QDate(2026, 12, 6), QTime(10, 5, 30))));
    changeReference(QStringLiteral("Referência nova"));
    const int stored = scalar("SELECT COUNT(*) FROM HISTPROP WHERE NRPROPOSFAS = '" + seedNumber(1) + "'").toInt();

    openHistory([&](TfrmHistoricoProposta& d) {
        ASSERT_EQ(d.cdsHistorico->recordCount(), stored);
        EXPECT_EQ(QStringList({d.windowTitle(), d.dbgHistorico->column(0)->caption(), d.lblQuantidade->caption()}),
                  QStringList({"Histórico da Proposta 1/01", "Data/hora", QStringLiteral("%1 alterações").arg(stored)}));

        // Every row of the second save comes before every row of the first.
        const QStringList dates = shown(d, "DTHIST");
        const int firstOfEarlier = int(dates.indexOf("06/12/2026 10:00:00"));
        ASSERT_GT(firstOfEarlier, 0);
        EXPECT_EQ(dates.lastIndexOf("06/12/2026 10:05:30"), firstOfEarlier - 1);
        EXPECT_EQ(dates.count("06/12/2026 10:05:30") + dates.count("06/12/2026 10:00:00"), stored);
        // The reference's two changes, newest first, with what it was and became.
        const QStringList fields = shown(d, "NMCAMPO"), was = shown(d, "VLANTERIOR"), now = shown(d, "VLNOVO");
        const QStringList ops = shown(d, "IDOPERHIST"), tables = shown(d, "NMTABELA"), methods = shown(d, "NMMETODO");
        QList<int> reference;
        for (int r = 0; r < fields.size(); ++r) if (fields[r] == "Referência") reference << r;
        ASSERT_EQ(reference.size(), 2);
        EXPECT_LT(reference[0], firstOfEarlier);
        EXPECT_EQ(QStringList({was[reference[0]], now[reference[0]], was[reference[1]]}),
                  QStringList({"Referência intermediária", "Referência nova", before}));
        for (const int r : reference)
            EXPECT_EQ(QStringList({ops[r], tables[r], methods[r]}), QStringList({"Alteração", "Proposta", "Proposta gravada"}));
        EXPECT_EQ(shown(d, "CDOPERADOR"), QStringList(stored, "VENDEDOR"));
        // A method row: the word, what the method did, no table nor field.
        const int methodRows = int(ops.count("Método"));
        for (int r = 0; r < ops.size(); ++r)
            if (ops[r] == "Método") {
                EXPECT_TRUE(!methods[r].isEmpty() && tables[r].isEmpty() && fields[r].isEmpty()) << r;
            }
        EXPECT_FALSE(d.dbgHistorico->showEditor()) << "read-only";

        // Only tables with rows are offered; the method rows have none.
        EXPECT_EQ(comboItems(d), QStringList({"(todas)", "Proposta"}));
        choose(d, "Proposta");
        EXPECT_TRUE(d.cdsHistorico->recordCount() == stored - methodRows && !shown(d, "IDOPERHIST").contains("Método"));
        choose(d, "(todas)");
        EXPECT_EQ(d.cdsHistorico->recordCount(), stored);

        // A filter the server refuses to read shows why and leaves the combo on the rows
        // shown: another branch's proposal now, this operator may no longer read it.
        testServer().db().exec(QStringLiteral("UPDATE PROPOSTAFAS SET CDFILIAL = '9999' WHERE NRPROPOSFAS = :N"),
                               {{"N", seedNumber(1)}});
        choose(d, "Proposta");
        EXPECT_EQ(dialogs.errors().size(), 1);
        EXPECT_TRUE(d.cbbTabela->currentText() == "(todas)" && d.cdsHistorico->recordCount() == stored);
    });
}

TEST_F(HistoryWindow, OneCaptionCoversBothSimulationTablesInTheServersOrderAndNoHistoryNoRows) {
    const QDate day(2026, 12, 1);
    const QString key = "NRPROPOSFAS=" + seedNumber(3) + "; ";
    storeHistory(3, QDateTime(day, QTime(9, 0)), "SIMULAPROP", "I", "NMSIMULAPROP");
    storeHistory(3, QDateTime(day, QTime(9, 5)), "OBSPROPFAS", "A", "TXOBSPROPFAS", key + "NRVERPROPFAS=01", "SetObs");
    storeHistory(3, QDateTime(day, QTime(9, 10)), "SIMULALINP", "E", "QTUTILSIMULINP");
    storeHistory(3, QDateTime(day, QTime(9, 10)), "SIMULAPROP", "A", "NMSIMULAPROP", key + "NRSIMULAPROP=2; NRVERPROPFAS=01");
    storeHistory(3, QDateTime(day, QTime(9, 20)), "TABELANOVA", "I", "CAMPO");
    selectProposal(4);  // a version without history shows no rows
    openHistory([&](TfrmHistoricoProposta& d) {
        EXPECT_TRUE(d.cdsHistorico->isEmpty());
        EXPECT_EQ(QStringList({d.lblQuantidade->caption(), comboItems(d).join(u'|')}), QStringList({"0 alterações", "(todas)"}));
    });
    selectProposal(3);

    openHistory([&](TfrmHistoricoProposta& d) {
        EXPECT_EQ(comboItems(d), QStringList({"(todas)", "Observação", "Simulação", "TABELANOVA"}));
        EXPECT_EQ(shown(d, "NMTABELA"), QStringList({"TABELANOVA", "Simulação", "Simulação", "Observação", "Simulação"}));
        // The row as the server names it (the simulation gone, by the name its history kept);
        // the version's own rows need no name.
        EXPECT_EQ(shown(d, "DSCHAVE"), QStringList({"", "x", "", "", ""}));
        choose(d, "Simulação");
        EXPECT_EQ(d.chosenTables(), QStringList({"SIMULAPROP", "SIMULALINP"})) << "in the order met";
        // Same instant: the later written first, as the server orders them.
        EXPECT_EQ(shown(d, "NMCAMPO") + shown(d, "IDOPERHIST") + QStringList{shown(d, "DTHIST").last()},
                  QStringList({"Nome da simulação", "Quantidade", "Nome da simulação", "Alteração", "Exclusão", "Inclusão",
                               "01/12/2026 09:00:00"}));
        choose(d, "TABELANOVA");
        EXPECT_EQ(d.lblQuantidade->caption(), "1 alteração");
    });
}

// A change the screen still holds (its send refused earlier, say) is sent before the
// history is read, so the window lists it.
TEST_F(HistoryWindow, ChangesNotYetSentAreSentFirstAndListed) {
    selectProposal(1);
    ASSERT_TRUE(screen->menus().mnuObserv->click());
    auto* obs = screen->findChild<ClientTable*>(QStringLiteral("cdsObs"));
    ASSERT_NE(obs, nullptr);
    ASSERT_TRUE(obs->active() && obs->recordCount() == 1);
    const ClientTable::Event send = obs->afterPost;
    obs->afterPost = nullptr;
    ASSERT_TRUE(runHandler([&] {
        obs->edit();
        (*obs)["TXOBSPROPFAS"].setAsString(QStringLiteral("<p>Ainda não enviada.</p>"));
        obs->post();
    }));
    obs->afterPost = send;
    ASSERT_EQ(obs->changeCount(), 1);

    openHistory([&](TfrmHistoricoProposta& d) {
        EXPECT_EQ(comboItems(d) + QStringList({shown(d, "NMTABELA").first(), shown(d, "VLNOVO").first()}),
                  QStringList({"(todas)", "Observação", "Observação", "<p>Ainda não enviada.</p>"}));
    });
    EXPECT_EQ(obs->changeCount(), 0);
}

// A long history comes a page at a time: the grid's end, or "Mais…", reads the next one
// below the rows shown, until the last; the row the user is on stays his.
TEST_F(HistoryWindow, ALongHistoryIsReadAPageAtATime) {
    const int stored = 2 * TfrmHistoricoProposta::kPageRows + 5;
    const QDateTime start(QDate(2026, 11, 1), QTime(8, 0));
    for (int i = 0; i < stored; ++i) storeHistory(3, start.addSecs(i), "OBSPROPFAS", "A", QStringLiteral("F%1").arg(i));
    selectProposal(3);

    openHistory([&](TfrmHistoricoProposta& d) {
        const int page = TfrmHistoricoProposta::kPageRows;
        ASSERT_EQ(d.cdsHistorico->recordCount(), page);
        EXPECT_EQ(d.lblQuantidade->caption(), QStringLiteral("%1 alterações (há mais)").arg(page));
        EXPECT_TRUE(d.btnMais->isEnabled());

        QScrollBar* bar = d.dbgHistorico->verticalScrollBar();
        ASSERT_GT(bar->maximum(), 0);
        bar->setValue(bar->maximum());
        ASSERT_EQ(d.cdsHistorico->recordCount(), 2 * page);

        d.cdsHistorico->setRecNo(7);
        d.btnMais->click();
        EXPECT_EQ(QList<int>({d.cdsHistorico->recordCount(), d.cdsHistorico->recNo()}), QList<int>({stored, 7}));
        EXPECT_FALSE(d.btnMais->isEnabled());
        EXPECT_EQ(d.lblQuantidade->caption(), QStringLiteral("%1 alterações").arg(stored));
        QStringList fields = shown(d, "NMCAMPO");
        EXPECT_EQ(fields.first() + fields.last(), QStringLiteral("F%1F0").arg(stored - 1));
        EXPECT_EQ(fields.removeDuplicates(), 0);
    });
}

}  // namespace
