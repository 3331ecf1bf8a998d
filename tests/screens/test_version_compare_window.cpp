// The "Comparar Versões" window over the proposal screen: the versions it offers and
// compares first, the rows and totals it shows being the server's, another pair compared
// on request, a refusal that leaves the grid as it was, the rows' colours, and a number
// with one version only.

#include <QImage>
#include <QSet>

#include "dialogs/compare/version_compare_launch.h"
#include "dialogs/compare/version_compare_window.h"
#include "screens/list_cases.h"
#include "screens/proposal_fixture.h"
#include "ui/db_grid.h"
#include "ui/edits.h"

using namespace cot;
using namespace cot::testing;

namespace {

class VersionCompareWindow : public ProposalFixture {
protected:
    // The server's own rows for the pair, without the totals.
    Packet serverRows(const QString& first, const QString& second) {
        Packet p = testServer().connection().getPacket("GetComparacaoVersoes", {number(6), first, second});
        Packet out;
        out.fields = p.fields;
        for (const QVariantList& row : p.rows) if (row.value(p.indexOf("IDMUDANCA")).toString() != "T") out.rows << row;
        return out;
    }
    static QString pair(TfrmComparaVersoes& w) {
        return w.cbbVersao1->currentData().toString() + u'/' + w.cbbVersao2->currentData().toString();
    }
    static QStringList gridColumn(TfrmComparaVersoes& w, const QString& field) { return column(w.cdsDiferencas->data(), field); }
    // Opens the window on demo proposal 6 at `version` and runs `check` on it.
    void openOn(const QString& version, const std::function<void(TfrmComparaVersoes&)>& check) {
        if (!screen) openScreen();
        ASSERT_TRUE(select(6, version));
        EXPECT_TRUE(whileShown<TfrmComparaVersoes>(runner, "frmComparaVersoes", check, [&] { openVersionCompare(*screen); }));
    }
};

TEST_F(VersionCompareWindow, OpensOnTheCurrentVersionAgainstThePreviousOrTheFirstAgainstTheNext) {
    openOn("02", [&](TfrmComparaVersoes& w) {
        // The three versions of the number in the list.
        EXPECT_EQ(QStringList({w.windowTitle(), QString::number(w.cbbVersao1->count()), pair(w)}),
                  QStringList({"Comparar Versões", "3", "01/02"}));

        const Packet expected = serverRows("01", "02");
        ASSERT_GT(expected.rows.size(), 0);
        EXPECT_EQ(gridColumn(w, "DSITEM") + gridColumn(w, "VLVERSAO2"), column(expected, "DSITEM") + column(expected, "VLVERSAO2"));
        EXPECT_TRUE(gridColumn(w, "DSMUDANCA").contains("Alterado"));
        EXPECT_EQ(w.dbgDiferencas->column(4)->title + w.dbgDiferencas->column(5)->title, "Versão 01Versão 02");
        EXPECT_TRUE(w.lblTotal1->caption().startsWith("Versão 01: licença de uso ") && w.lblTotal2->caption().contains("mensal 520,00"))
            << (w.lblTotal1->caption() + " / " + w.lblTotal2->caption()).toStdString();

        // Another pair on request, typed as a user picks from the boxes: the oldest against
        // the newest.
        type(w, "cbbVersao1", "01");
        type(w, "cbbVersao2", "03");
        EXPECT_EQ(pair(w), "01/03");
        ASSERT_TRUE(runHandler([&] { w.sbtCompararClick(); }));
        EXPECT_EQ(gridColumn(w, "DSITEM"), column(serverRows("01", "03"), "DSITEM"));
        EXPECT_EQ(w.dbgDiferencas->column(5)->title + u'|' + w.lblTotal2->caption().left(11), "Versão 03|Versão 03: ");

        // The same version twice: the server's refusal, and the grid keeps what it showed.
        const int shown = w.cdsDiferencas->recordCount();
        w.cbbVersao2->setCurrentIndex(0);
        runHandler([&] { w.sbtCompararClick(); });
        EXPECT_TRUE(dialogs.errors() == QStringList{"Escolha duas versões diferentes."} && w.cdsDiferencas->recordCount() == shown)
            << dialogs.errors().join(u'|').toStdString();
    });

    // The first version is compared with the next; rows take their change's colour.
    openOn("01", [&](TfrmComparaVersoes& w) {
        EXPECT_EQ(pair(w), "01/02");
        const QStringList changes = gridColumn(w, "IDMUDANCA");
        // Row 0 is the current (selected) row; the others are painted in their change's colour.
        w.resize(1000, 600);
        const QImage picture = w.dbgDiferencas->viewport()->grab().toImage();
        int checked = 0;
        for (int r = 1; r < changes.size() && checked < 3; ++r) {
            const QRect cell = w.dbgDiferencas->visualRect(w.dbgDiferencas->model()->index(r, 0));
            if (!picture.rect().contains(cell.topLeft() + QPoint(1, 1))) break;
            EXPECT_EQ(picture.pixelColor(cell.topLeft() + QPoint(1, 1)), TfrmComparaVersoes::changeColour(changes[r]))
                << "row " << r << " " << changes[r].toStdString();
            ++checked;
        }
        EXPECT_GT(checked, 0);
    });
    EXPECT_EQ(TfrmComparaVersoes::changeText("I") + u'|' + TfrmComparaVersoes::changeText("E"), "Incluído|Excluído");
    EXPECT_EQ(QSet<QRgb>({TfrmComparaVersoes::changeColour("I").rgb(), TfrmComparaVersoes::changeColour("E").rgb(),
                          TfrmComparaVersoes::changeColour("A").rgb()}).size(), 3);

    // A number with one version opens nothing.
    ASSERT_TRUE(select(2));
    ASSERT_TRUE(runHandler([&] { openVersionCompare(*screen); }));
    EXPECT_EQ(dialogs.informations(), QStringList{"A proposta tem uma só versão."});
    EXPECT_EQ(runner.shown().size(), 2) << "only the windows of proposal 6";
}

}  // namespace
