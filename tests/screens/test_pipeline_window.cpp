// The "Painel de Propostas" window over the proposal screen: the figures it shows being the
// server's, the chart's months and statuses, a bar or a status row listing exactly those
// proposals on the screen, the filter criteria a click sets, and the salesperson box.

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QStackedBarSeries>
#include <QTest>

#include "dialogs/pipeline/pipeline_launch.h"
#include "dialogs/pipeline/pipeline_window.h"
#include "screens/list_cases.h"
#include "screens/proposal_fixture.h"
#include "ui/date_edit.h"
#include "ui/db_grid.h"
#include "ui/edits.h"

using namespace cot;
using namespace cot::testing;

namespace {

class PipelineWindow : public ProposalFixture {
protected:
    // The server's reply for the window's default period and every salesperson.
    Packet serverFigures() { return screen->net().getPacket("GetPainelPropostas", {"0001", "01/01/2026", "06/12/2026", ""}); }
    static Packet group(const Packet& p, const QString& name) {
        Packet out{p.fields, {}};
        for (const QVariantList& row : p.rows)
            if (row.value(p.indexOf("NMGRUPO")).toString() == name) out.rows << row;
        return out;
    }
    // The distinct values of a field (a date as `format`) over the rows the list shows.
    QStringList shownValues(const char* field, const QString& format = {}) {
        QStringList out;
        ClientTable& t = screen->proposal();
        for (int r = 0; r < t.rowCount(); ++r)
            t.withRow(r, [&] { out << (format.isEmpty() ? t[field].asString() : t[field].asDateTime().toString(format)); });
        out.removeDuplicates();
        return out;
    }
    void openOn(const std::function<void(TfrmPainelPropostas&)>& check) {
        if (!screen) openScreen();
        ASSERT_TRUE(whileShown<TfrmPainelPropostas>(runner, "frmPainelPropostas", check, [&] { openPipeline(*screen); }));
        EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    }
    // A double click on row `row` of a grid of the window.
    static void doubleClick(TDBGrid& grid, int row) {
        QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(grid.model()->index(row, 1)).center());
        processEvents();
    }
};

TEST_F(PipelineWindow, ShowsTheServersFiguresAndAMonthlyChartAndABarOrARowListsItsProposals) {
    signInAs("GERENTE");
    QString month;
    int expectedCount = -1;
    openOn([&](TfrmPainelPropostas& w) {
        EXPECT_EQ(QStringList({w.windowTitle(), w.edtDe->text(), w.edtAte->text(), w.cbbVendedor->itemText(0)}),
                  QStringList({"Painel de Propostas", "01/01/2026", "06/12/2026", "Todos"}));
        EXPECT_FALSE(w.cbbVendedor->isHidden()) << "the manager chooses among the salespeople";

        const Packet figures = serverFigures();
        const Packet statuses = group(figures, "SITUACAO");
        ASSERT_EQ(statuses.rows.size(), 7);
        for (const char* field : {"DSCHAVE", "QTPROPOSTAS", "VRTOTAL"})
            EXPECT_EQ(column(w.cdsSituacao->data(), field), column(statuses, field)) << field;
        const Packet sellers = group(figures, "VENDEDOR");
        ASSERT_GT(sellers.rows.size(), 0);
        for (const char* field : {"DSCHAVE", "QTPROPOSTAS"}) EXPECT_EQ(column(w.cdsVendedor->data(), field), column(sellers, field));
        EXPECT_EQ(w.cbbVendedor->count(), sellers.rows.size() + 1);
        EXPECT_TRUE(w.lblConversao->caption().startsWith("Conversão: ") &&
                    w.lblDiasDecisao->caption().startsWith("Tempo médio até a decisão: "));

        // One category per month of the period, one set per status in the server's order.
        const Packet months = group(figures, "MES");
        ASSERT_EQ(months.rows.size(), 12);
        auto* axis = qobject_cast<QBarCategoryAxis*>(w.chvMeses->chart()->axes(Qt::Horizontal).value(0));
        ASSERT_NE(axis, nullptr);
        EXPECT_EQ(axis->categories(), column(months, "DSCHAVE"));
        EXPECT_EQ(axis->categories().first(), "jan/2026");
        const QList<QBarSet*> sets = w.serMeses->barSets();
        QStringList labels;
        for (QBarSet* s : sets) labels << s->label();
        ASSERT_EQ(labels, column(statuses, "DSCHAVE"));
        EXPECT_EQ(sets[2]->color(), TfrmPainelPropostas::statusColour("X"));

        // Each segment is the server's count for the month and status.
        const Packet cells = group(figures, "MES_SITUACAO");
        for (int r = 0; r < cells.rows.size(); ++r) {
            const QStringList key = cells.value(r, "CDCHAVE").toString().split('|');
            const int m = int(w.months.indexOf(key[0])), s = int(TfrmPainelPropostas::statusCodes().indexOf(key[1]));
            ASSERT_TRUE(m >= 0 && s >= 0) << key.join('|').toStdString();
            EXPECT_EQ(sets[s]->at(m), cells.value(r, "QTPROPOSTAS").toDouble()) << key.join('|').toStdString();
            if (key[1] == "X" && month.isEmpty()) { month = key[0]; expectedCount = cells.value(r, "QTPROPOSTAS").toInt(); }
        }
        ASSERT_FALSE(month.isEmpty()) << "the demo data has expired proposals";
        emit sets[2]->clicked(int(w.months.indexOf(month)));
        EXPECT_FALSE(w.isVisible()) << "the window closes on a click";
    });
    EXPECT_EQ(shownValues("IDSITUACAO") + shownValues("DTPROPOSFAS", "yyyy-MM"), QStringList({"X", month}));
    EXPECT_EQ(listNumbers().size(), expectedCount) << "the list holds what the bar counted";

    // A double click on a status row lists the proposals of its row.
    int expired = -1;
    openOn([&](TfrmPainelPropostas& w) {
        ASSERT_TRUE(w.cdsSituacao->locate("CDCHAVE", QVariant("X")));
        expired = (*w.cdsSituacao)["QTPROPOSTAS"].asInteger();
        doubleClick(*w.dbgSituacao, w.cdsSituacao->currentRow());
    });
    EXPECT_GT(expired, 0);
    EXPECT_EQ(shownValues("IDSITUACAO") + shownValues("DTPROPOSFAS", "yyyy"), QStringList({"X", "2026"}));

    // A salesperson's row lists the versions counted for him; the filter keeps him as its
    // salesperson criterion.
    QString seller;
    int counted = -1;
    openOn([&](TfrmPainelPropostas& w) {
        ClientTable& sellers = *w.cdsVendedor;
        for (sellers.first(); !sellers.eof(); sellers.next())
            if (!sellers["CDCHAVE"].asString().isEmpty()) break;
        ASSERT_FALSE(sellers.eof());
        seller = sellers["CDCHAVE"].asString();
        counted = sellers["QTPROPOSTAS"].asInteger();
        doubleClick(*w.dbgVendedor, sellers.currentRow());
        EXPECT_FALSE(w.isVisible());
    });
    EXPECT_EQ(listNumbers().size(), counted);
    ASSERT_TRUE(screen->listFilter().dialog());
    EXPECT_EQ(screen->listFilter().dialog()->edtVendedor->text(), seller);
}

// ASSIST's group does not see the whole branch: his own proposals are all there is.
TEST_F(PipelineWindow, ASalespersonHasNoSalespersonBox) {
    signInAs("ASSIST");
    openOn([&](TfrmPainelPropostas& w) {
        EXPECT_TRUE(w.cbbVendedor->isHidden());
        const Packet own = group(serverFigures(), "SITUACAO");
        EXPECT_EQ(column(w.cdsSituacao->data(), "QTPROPOSTAS"), column(own, "QTPROPOSTAS"));
    });
}

// The criteria a click sets: the month within the period, each status's boxes and the
// client's decision, the salesperson as the list's last argument.
TEST(PipelineCriteria, MapsStatusesAndMonthsToTheFiltersFields) {
    const QDate from(2026, 1, 15), to(2026, 12, 6);
    const struct { PipelineDrill drill; QDate start, end; const char *boxes, *decision; } cases[] = {
        {{"X", "2026-12", from, to}, QDate(2026, 12, 1), to, "X", "N"},  // the month ends with the period
        {{"V", "2026-01", from, to}, from, QDate(2026, 1, 31), "V", "N"},  // and starts with it
        {{"E", {}, from, to}, from, to, "E", "N"},
        {{"R", {}, from, to}, from, to, "VEX", "R"},
        {{"A", {}, from, to}, from, to, "T", "T"},  // any approval date
        {{"S", {}, from, to}, from, to, "S", "T"},
        {{"P", {}, from, to}, from, to, "P", "T"},
        {{{}, {}, from, to, "GERENTE"}, from, to, "T", "T"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.drill.status.toStdString());
        const Cli_cot05002::TFILTRO f = pipelineCriteria(c.drill);
        const auto& s = f.DADOSSTATUS;
        QString boxes;
        for (const auto& [on, letter] : {std::pair{s.boTodas, 'T'}, {s.boValidas, 'V'}, {s.boAVencer, 'E'},
                                         {s.boVencidas, 'X'}, {s.boSubstituidas, 'S'}, {s.boPerdidas, 'P'}})
            if (on) boxes += QLatin1Char(letter);
        EXPECT_EQ(QList<QDate>({f.DATACADASTRO.dtInicial.date(), f.DATACADASTRO.dtFinal.date()}), QList<QDate>({c.start, c.end}));
        EXPECT_EQ(boxes, c.boxes);
        EXPECT_EQ(f.DADOSDECISAO.stDecisao, c.decision);
        EXPECT_EQ(f.DATAAPROVACAO.dtInicial.isValid(), c.drill.status == "A");
        const QVariantList args = Cli_cot05002::propostaAuxArguments(Cli_cot05002::filterArguments(f), "0001", "T");
        ASSERT_EQ(args.size(), 23);
        EXPECT_EQ(args.last().toString(), c.drill.seller.isEmpty() ? "T" : c.drill.seller);
    }

    EXPECT_EQ(QList<QDate>({TfrmPainelPropostas::defaultStart(QDate(2026, 12, 6)), TfrmPainelPropostas::defaultStart(QDate(2026, 3, 31))}),
              QList<QDate>({QDate(2026, 1, 1), QDate(2025, 4, 1)}));
    EXPECT_EQ(TfrmPainelPropostas::percentText(0.42) + '|' + TfrmPainelPropostas::daysText(12.5), "42,0 %|12,5");
    EXPECT_TRUE(TfrmPainelPropostas::percentText(QVariant()).isEmpty());
}

}  // namespace
