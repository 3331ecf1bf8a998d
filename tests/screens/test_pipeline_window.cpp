// The "Painel de Propostas" window over the proposal screen: the figures it shows being the
// server's, the chart's months and statuses, a bar or a status row listing exactly those
// proposals on the screen, the filter criteria a click sets, and the salesperson box.
#include <gtest/gtest.h>

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QStackedBarSeries>
#include <QTest>

#include "dialogs/pipeline/pipeline_drill.h"
#include "dialogs/pipeline/pipeline_launch.h"
#include "dialogs/pipeline/pipeline_window.h"
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
    Packet serverFigures() {
        return screen->net().getPacket("GetPainelPropostas", {"0001", "01/01/2026", "06/12/2026", ""});
    }
    static Packet group(const Packet& p, const QString& name) {
        Packet out;
        out.fields = p.fields;
        for (const QVariantList& row : p.rows)
            if (row.value(p.indexOf("NMGRUPO")).toString() == name) out.rows << row;
        return out;
    }
    static QStringList column(const Packet& p, const QString& field) {
        QStringList out;
        for (int r = 0; r < p.rows.size(); ++r) out << p.value(r, field).toString();
        return out;
    }
    // The versions of the whole list (as "n/vv", sorted) proposed in `month` ("yyyy-mm"; empty:
    // the default period) for which `counts` holds.
    QStringList listedWhere(const QString& month, const std::function<bool(const Packet&, int)>& counts) {
        const Packet list = screen->net().getPacket("GetProposta", {"0001", "T"});
        QStringList out;
        for (int r = 0; r < list.rows.size(); ++r) {
            const QDate proposed = list.value(r, "DTPROPOSFAS").toDateTime().date();
            const bool inPeriod = month.isEmpty() ? proposed >= QDate(2026, 1, 1) && proposed <= QDate(2026, 12, 6)
                                                  : proposed.toString("yyyy-MM") == month;
            if (inPeriod && counts(list, r))
                out << QString::number(list.value(r, "NRPROPOSFAS").toString().toLongLong()) + u'/' +
                           list.value(r, "NRVERPROPFAS").toString();
        }
        out.sort();
        return out;
    }
    // Those with status `status`, not declined by the client.
    QStringList listed(const QString& status, const QString& month) {
        return listedWhere(month, [&](const Packet& list, int r) {
            return list.value(r, "IDSITUACAO").toString() == status && list.value(r, "IDDECCLIENTE").toString() != "R";
        });
    }
    QStringList shownInList() const {
        QStringList out = listNumbers();
        out.sort();
        return out;
    }
    void openOn(const std::function<void(TfrmPainelPropostas&)>& check) {
        if (!screen) openScreen();
        bool ran = false;
        runner.expect(
            [&](QWidget& w) {
                ran = true;
                check(static_cast<TfrmPainelPropostas&>(w));
            },
            "frmPainelPropostas");
        ASSERT_TRUE(runHandler([&] { openPipeline(*screen); }));
        EXPECT_TRUE(ran);
        EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    }
};

TEST_F(PipelineWindow, ShowsTheServersFiguresAndAMonthlyChartAndABarListsItsProposals) {
    signInAs("GERENTE");
    QString month;
    int expectedCount = -1;
    openOn([&](TfrmPainelPropostas& w) {
        EXPECT_EQ(w.windowTitle(), "Painel de Propostas");
        EXPECT_EQ(w.edtDe->text(), "01/01/2026");
        EXPECT_EQ(w.edtAte->text(), "06/12/2026");
        EXPECT_FALSE(w.cbbVendedor->isHidden()) << "the manager chooses among the salespeople";
        EXPECT_EQ(w.cbbVendedor->itemText(0), "Todos");

        const Packet figures = serverFigures();
        const Packet statuses = group(figures, "SITUACAO");
        ASSERT_EQ(statuses.rows.size(), 7);
        for (const char* field : {"DSCHAVE", "QTPROPOSTAS", "VRTOTAL"})
            EXPECT_EQ(column(w.cdsSituacao->data(), field), column(statuses, field)) << field;
        const Packet sellers = group(figures, "VENDEDOR");
        ASSERT_GT(sellers.rows.size(), 0);
        EXPECT_EQ(column(w.cdsVendedor->data(), "DSCHAVE"), column(sellers, "DSCHAVE"));
        EXPECT_EQ(column(w.cdsVendedor->data(), "QTPROPOSTAS"), column(sellers, "QTPROPOSTAS"));
        EXPECT_EQ(w.cbbVendedor->count(), sellers.rows.size() + 1);
        EXPECT_TRUE(w.lblConversao->caption().startsWith("Conversão: ")) << w.lblConversao->caption().toStdString();
        EXPECT_TRUE(w.lblDiasDecisao->caption().startsWith("Tempo médio até a decisão: "));

        // One category per month of the period, one set per status in the server's order.
        const Packet months = group(figures, "MES");
        ASSERT_EQ(months.rows.size(), 12);
        auto* axis = qobject_cast<QBarCategoryAxis*>(w.chvMeses->chart()->axes(Qt::Horizontal).value(0));
        ASSERT_NE(axis, nullptr);
        EXPECT_EQ(axis->categories(), column(months, "DSCHAVE"));
        EXPECT_EQ(axis->categories().first(), "jan/2026");
        const QList<QBarSet*> sets = w.serMeses->barSets();
        ASSERT_EQ(sets.size(), 7);
        QStringList labels;
        for (QBarSet* s : sets) labels << s->label();
        EXPECT_EQ(labels, column(statuses, "DSCHAVE"));
        EXPECT_EQ(sets[2]->color(), TfrmPainelPropostas::statusColour("X"));

        // Each segment is the server's count for the month and status.
        const Packet cells = group(figures, "MES_SITUACAO");
        for (int r = 0; r < cells.rows.size(); ++r) {
            const QStringList key = cells.value(r, "CDCHAVE").toString().split('|');
            const int m = int(w.months.indexOf(key[0]));
            const int s = int(TfrmPainelPropostas::statusCodes().indexOf(key[1]));
            ASSERT_GE(m, 0);
            ASSERT_GE(s, 0);
            EXPECT_EQ(sets[s]->at(m), cells.value(r, "QTPROPOSTAS").toDouble()) << key.join('|').toStdString();
            if (key[1] == "X" && month.isEmpty()) {
                month = key[0];
                expectedCount = cells.value(r, "QTPROPOSTAS").toInt();
            }
        }
        ASSERT_FALSE(month.isEmpty()) << "the demo data has expired proposals";
        emit sets[2]->clicked(int(w.months.indexOf(month)));
        EXPECT_FALSE(w.isVisible()) << "the window closes on a click";
    });
    EXPECT_EQ(shownInList(), listed("X", month));
    EXPECT_EQ(shownInList().size(), expectedCount) << "the list holds what the bar counted";
}

TEST_F(PipelineWindow, ADoubleClickOnAStatusOrASalespersonListsTheProposalsOfItsRow) {
    signInAs("GERENTE");
    openOn([&](TfrmPainelPropostas& w) {
        ASSERT_TRUE(w.cdsSituacao->locate("CDCHAVE", QVariant("X")));
        TDBGrid& grid = *w.dbgSituacao;
        const QModelIndex cell = grid.model()->index(w.cdsSituacao->currentRow(), 1);
        QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(cell).center());
        processEvents();
    });
    const QStringList expected = listed("X", {});
    EXPECT_FALSE(expected.isEmpty());
    EXPECT_EQ(shownInList(), expected);

    // A salesperson's row lists the versions counted for him: requested by him, else
    // included by him; the filter keeps him as its salesperson criterion.
    QString seller;
    int counted = -1;
    openOn([&](TfrmPainelPropostas& w) {
        ClientTable& sellers = *w.cdsVendedor;
        for (sellers.first(); !sellers.eof(); sellers.next())
            if (!sellers["CDCHAVE"].asString().isEmpty()) break;
        ASSERT_FALSE(sellers.eof());
        seller = sellers["CDCHAVE"].asString();
        counted = sellers["QTPROPOSTAS"].asInteger();
        TDBGrid& grid = *w.dbgVendedor;
        const QModelIndex cell = grid.model()->index(sellers.currentRow(), 1);
        QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(cell).center());
        processEvents();
        EXPECT_FALSE(w.isVisible());
    });
    const QStringList his = listedWhere({}, [&](const Packet& list, int r) {
        const QString requester = list.value(r, "CDOPERSOLI").toString().trimmed();
        return (requester.isEmpty() ? list.value(r, "CDOPERINCL").toString() : requester) == seller;
    });
    EXPECT_EQ(shownInList(), his);
    EXPECT_EQ(his.size(), counted);
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

// The criteria a click sets: the month within the period, and each status's boxes.
TEST(PipelineCriteria, MapsStatusesAndMonthsToTheFiltersFields) {
    using Cli_cot05002::TFILTRO;
    const QDate from(2026, 1, 15), to(2026, 12, 6);
    TFILTRO f = pipelineCriteria({"X", "2026-12", from, to});
    EXPECT_EQ(f.DATACADASTRO.dtInicial.date(), QDate(2026, 12, 1));
    EXPECT_EQ(f.DATACADASTRO.dtFinal.date(), to) << "the month ends with the period";
    EXPECT_FALSE(f.DADOSSTATUS.boTodas);
    EXPECT_TRUE(f.DADOSSTATUS.boVencidas);
    EXPECT_FALSE(f.DADOSSTATUS.boValidas);
    EXPECT_EQ(f.DADOSDECISAO.stDecisao, "N");

    f = pipelineCriteria({"V", "2026-01", from, to});
    EXPECT_EQ(f.DATACADASTRO.dtInicial.date(), from) << "the month starts with the period";
    EXPECT_EQ(f.DATACADASTRO.dtFinal.date(), QDate(2026, 1, 31));

    f = pipelineCriteria({"R", {}, from, to});
    EXPECT_EQ(f.DATACADASTRO.dtInicial.date(), from);
    EXPECT_EQ(f.DATACADASTRO.dtFinal.date(), to);
    EXPECT_TRUE(f.DADOSSTATUS.boValidas && f.DADOSSTATUS.boAVencer && f.DADOSSTATUS.boVencidas);
    EXPECT_FALSE(f.DADOSSTATUS.boSubstituidas || f.DADOSSTATUS.boPerdidas);
    EXPECT_EQ(f.DADOSDECISAO.stDecisao, "R");

    f = pipelineCriteria({"A", {}, from, to});
    EXPECT_TRUE(f.DADOSSTATUS.boTodas);
    EXPECT_TRUE(f.DATAAPROVACAO.dtInicial.isValid()) << "accepted: any approval date";
    EXPECT_EQ(f.DADOSDECISAO.stDecisao, "T");

    f = pipelineCriteria({"S", {}, from, to});
    EXPECT_TRUE(f.DADOSSTATUS.boSubstituidas);
    EXPECT_EQ(f.DADOSDECISAO.stDecisao, "T");
    EXPECT_TRUE(f.DADOSVENDEDOR.stVendedor.isEmpty());
    EXPECT_EQ(Cli_cot05002::filterArguments(f).stVendedor, "T");

    f = pipelineCriteria({{}, {}, from, to, "GERENTE"});
    EXPECT_TRUE(f.DADOSSTATUS.boTodas);
    EXPECT_EQ(f.DADOSVENDEDOR.stVendedor, "GERENTE");
    const QVariantList args = Cli_cot05002::propostaAuxArguments(Cli_cot05002::filterArguments(f), "0001", "T");
    ASSERT_EQ(args.size(), 23);
    EXPECT_EQ(args.last().toString(), "GERENTE");

    EXPECT_EQ(TfrmPainelPropostas::defaultStart(QDate(2026, 12, 6)), QDate(2026, 1, 1));
    EXPECT_EQ(TfrmPainelPropostas::defaultStart(QDate(2026, 3, 31)), QDate(2025, 4, 1));
    EXPECT_EQ(TfrmPainelPropostas::percentText(0.42), "42,0 %");
    EXPECT_EQ(TfrmPainelPropostas::daysText(12.5), "12,5");
    EXPECT_TRUE(TfrmPainelPropostas::percentText(QVariant()).isEmpty());
}

}  // namespace
