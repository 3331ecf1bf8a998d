// The desktop dialogs service and the host searches, driven through the scripted modal
// runner: real windows, real widgets, no blocking.
#include <gtest/gtest-spi.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QTableView>
#include <QTimer>

#include "base/errors.h"
#include "data/data_source.h"
#include "support/scripted_dialogs.h"
#include "support/scripted_modal_runner.h"
#include "support/screen_widgets.h"
#include "ui/busy_animation.h"
#include "ui/lookup.h"
#include "ui/lookup_button.h"
#include "ui/lookup_find.h"
#include "ui/lookup_windows.h"
#include "ui/qt_dialogs.h"

using namespace cot;
using namespace cot::testing;

namespace {

// Clients: code, name and a hidden document number; the current row is the first.
std::unique_ptr<ClientTable> clients(const QList<QStringList>& rows) {
    auto table = std::make_unique<ClientTable>("cdsCliente");
    Packet p;
    p.fields = {{"CDCLIENTE", FieldType::String, 6}, {"NMCLIENTE", FieldType::String, 30},
                {"NRINSJURCLIE", FieldType::String, 20}};
    for (const QStringList& r : rows) p.rows << QVariantList{r[0], r[1], r[2]};
    table->setData(p);
    table->fieldByName("NRINSJURCLIE").visible = false;
    table->fieldByName("NMCLIENTE").displayLabel = "Nome";
    return table;
}

const QList<QStringList> kThree{{"000001", "Alfa Sistemas", "111"}, {"000002", "Beta Comércio", "222"},
                                {"O'B", "Gama Serviços", "333"}};

class DialogsTest : public ::testing::Test {
protected:
    void SetUp() override { ensureApplication(); Dialogs::setCurrent(&dialogs); }
    void TearDown() override { Dialogs::setCurrent(nullptr); }
    QtDialogs dialogs;
    ScriptedModalRunner runner;
};

// Clicks a named button of the window handed to the action.
ScriptedModalRunner::Action click(const QString& name) {
    return [name](QWidget& w) { ASSERT_TRUE(clickButton(w, name)) << name.toStdString(); };
}

}  // namespace

TEST_F(DialogsTest, MessageBoxesOfferPortugueseButtonsAndMapTheAnswer) {
    QStringList captions;
    runner.expect([&](QWidget& w) {
        for (auto* b : w.findChildren<QAbstractButton*>()) captions << b->text();
        clickButton(w, "btnNao");
    });
    runner.expect(click("btnSim"));
    runner.expect([](QWidget& w) { w.close(); });  // closed without a choice: the most cautious button offered
    runner.expect(click("btnAlert1"));
    EXPECT_EQ(QList<int>({dialogs.messageDlg("Confirma?", DialogType::Confirmation, mbYes | mbNo),
                          dialogs.messageDlg("Confirma?", DialogType::Confirmation, mbYes | mbNo),
                          dialogs.messageDlg("Salvar?", DialogType::Confirmation, mbYes | mbNo | mbCancel),
                          dialogs.alert("Qual?", DialogType::Warning, {"Primeiro", "Segundo"})}),
              QList<int>({mrNo, mrYes, mrCancel, 1}));
    EXPECT_TRUE(captions.contains("Sim") && captions.contains("Não")) << captions.join(u'|').toStdString();
    EXPECT_EQ(runner.shown().size(), 4);
}

TEST_F(DialogsTest, PickLeavesTheTableOnTheFilteredRowPickManyQuotesTheMarkedCodesAndFindReportsAMiss) {
    auto table = clients(kThree);
    int visible = -1;
    runner.expect([&](QWidget& w) {
        auto& list = static_cast<LookupListWindow&>(w);
        EXPECT_EQ(list.model()->columnCount(), 2);  // the hidden document number is not listed
        typeText(*list.filterEdit(), "gama");
        visible = list.visibleRowCount();
        clickButton(w, "btnOk");
    }, "frmPesquisa");
    EXPECT_TRUE(dialogs.pick(*table, "Cliente", "Não há Cliente cadastrado."));
    EXPECT_EQ(QString::number(visible) + table->fieldByName("CDCLIENTE").asString(), "1O'B");

    runner.expectCancel();
    EXPECT_FALSE(dialogs.pick(*table, "Cliente", "vazio"));
    EXPECT_EQ(table->fieldByName("CDCLIENTE").asString(), "O'B");

    // A filter that hides every row: OK picks nothing and says so.
    runner.expect([](QWidget& w) { typeText(*static_cast<LookupListWindow&>(w).filterEdit(), "zzz"); clickButton(w, "btnOk"); });
    QString shownText;
    runner.expect([&](QWidget& w) { shownText = static_cast<QMessageBox&>(w).text(); clickButton(w, "btnOk"); });
    EXPECT_FALSE(dialogs.pick(*table, "Cliente", "Não há Cliente cadastrado."));
    EXPECT_EQ(shownText, "Não há Cliente cadastrado.");

    // Pick many returns the quoted codes of the marked rows.
    runner.expect([](QWidget& w) {
        auto& list = static_cast<LookupListWindow&>(w);
        list.selectRow(0);
        pressKey(*list.view(), Qt::Key_Space);  // marks the current row
        list.toggleRow(2);
        clickButton(w, "btnOk");
    }, "frmPesqLista");
    EXPECT_EQ(dialogs.pickMany(*table, "CDCLIENTE", "Cliente"), "'000001','O''B'");

    runner.expect([](QWidget& w) { EXPECT_TRUE(clickButton(w, "btnMarcarTodos") && clickButton(w, "btnCancelar")); });
    EXPECT_EQ(dialogs.pickMany(*table, "CDCLIENTE", "Cliente"), "");

    // Find moves to the next match and reports a miss.
    table->first();
    runner.expect([](QWidget& w) {
        auto& find = static_cast<FindWindow&>(w);
        find.setField("NMCLIENTE");
        typeText(*find.textEdit(), "COMÉRCIO");
        clickButton(w, "btnOk");
    }, "frmProcurar");
    EXPECT_TRUE(dialogs.find(*table) && table->fieldByName("CDCLIENTE").asString() == "000002");

    runner.expect([](QWidget& w) { typeText(*static_cast<FindWindow&>(w).textEdit(), "inexistente"); clickButton(w, "btnOk"); });
    runner.expect(click("btnOk"));  // "Registro não encontrado."
    EXPECT_FALSE(dialogs.find(*table));
    EXPECT_FALSE(findRow(*table, "NMCLIENTE", "   ")) << "blanks find nothing";
    EXPECT_EQ(table->fieldByName("CDCLIENTE").asString(), "000002");
}

// The host's searches and the search button: an empty table shows its text without a list;
// the button runs its before-search, picks, then runs its after-search only when a row was
// chosen, and a before-search that aborts ends the click silently.
TEST(HostSearches, EmptyTablesShowTheEmptyListTextAndTheButtonRunsItsHandlersAroundThePick) {
    ensureApplication();
    ScriptedDialogs dialogs;
    ScriptedDialogs::Scope scope(dialogs);
    auto table = clients({});
    DataSource source("dtsCliente");
    source.setDataSet(table.get());

    EXPECT_FALSE(Pesquisa::Pesquisar(source, "Serviço|Não existem serviços cadastrados"));
    EXPECT_EQ(Pesqlista::PesquisaLista(source, "CDCLIENTE|Cliente|Não há Cliente cadastrado."), "");
    EXPECT_EQ(dialogs.informations(), (QStringList{"Não existem serviços cadastrados", "Não há Cliente cadastrado."}));

    // With rows, the caption (not the message) titles the list and the key field is passed on.
    auto filled = clients(kThree);
    source.setDataSet(filled.get());
    dialogs.expectPickMany("'000002'");
    EXPECT_EQ(Pesqlista::PesquisaLista(source, "CDCLIENTE|Cliente|Não há Cliente cadastrado."), "'000002'");
    dialogs.expectPick([](ClientTable& t) { return t.locate("CDCLIENTE", "000002"); });
    EXPECT_TRUE(Pesquisa::Pesquisar_Plus(source, "Cliente|vazio"));
    EXPECT_EQ(filled->fieldByName("NMCLIENTE").asString(), "Beta Comércio");
    EXPECT_EQ(dialogs.shown().back().text, "Cliente");

    dialogs.clearShown();
    TBtnPesquisa button("btnPesqCliente", nullptr, "Cliente", "Não há Cliente cadastrado.");
    QStringList events;
    button.onBeforePesq = [&] {
        events << "before";
        table = clients(kThree);  // the list is filled just before it is shown
        source.setDataSet(table.get());
        button.dataSource = &source;
    };
    button.onAfterPesq = [&] { events << "after:" + table->fieldByName("CDCLIENTE").asString(); };
    dialogs.expectPick([](ClientTable& t) { return t.locate("NMCLIENTE", "Gama Serviços"); });
    button.click();
    dialogs.expectPick([](ClientTable&) { return false; });
    button.click();
    EXPECT_EQ(events, (QStringList{"before", "after:O'B", "before"}));
    button.onBeforePesq = [] { throw Abort(); };
    button.click();
    EXPECT_EQ(dialogs.shown().size(), 2u);
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST(ModalRunners, AnUnexpectedWindowFailsTheTestAndIsClosedAndTheRealRunnerReturnsOnClose) {
    ensureApplication();
    QDialog dialog;
    dialog.setObjectName("frmInesperado");
    int result = -1;
    EXPECT_NONFATAL_FAILURE({ result = ScriptedModalRunner().exec(dialog); }, "unexpected modal window: frmInesperado");
    EXPECT_TRUE(result == mrCancel && !dialog.isVisible());

    // The real runner returns when the window closes.
    QWidget window;
    QTimer::singleShot(0, &window, [&] { closeModal(window, mrOk); });
    EXPECT_TRUE(QtModalRunner().showModal(window) == mrOk && !window.isVisible());
}

// Nested activations show one busy window, hidden on every path out. A message shown while
// work runs is never under "Processando...": the busy window steps aside while the message
// is up and comes back for the rest of the work. A modal window already open when the work
// started (the screen doing it) keeps the busy window visible.
TEST_F(DialogsTest, NestedBusyActivationsShowOneWindowHiddenOnEveryPathOutAndNoMessageIsShownUnderIt) {
    ASSERT_EQ(busyDepth(), 0);
    try {
        BusyScope outer;
        { BusyScope inner; EXPECT_EQ(busyDepth(), 2); }
        EXPECT_TRUE(busyWindowVisible());
        throw std::runtime_error("falha no servidor");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(busyWindowVisible());
    Showavi::DeactiveShowAvi();  // an unmatched end never goes below zero
    Showavi::ActiveShowAvi();
    EXPECT_EQ(busyDepth(), 1);
    Showavi::DeactiveShowAvi();

    bool busyUnderMessage = true;
    runner.expect([&](QWidget& w) { busyUnderMessage = busyWindowVisible(); clickButton(w, "btnOk"); });
    {
        BusyScope busy;
        ASSERT_TRUE(busyWindowVisible());
        dialogs.information(QString::fromUtf8("Cópia realizada com sucesso."));
        EXPECT_TRUE(!busyUnderMessage && busyWindowVisible()) << "the work goes on";
    }
    EXPECT_FALSE(busyWindowVisible());

    // Work done from a modal window, with a question in the middle of it.
    QDialog screen;
    bool busyOverScreen = false, busyUnderQuestion = true;
    runner.expect([&](QWidget& w) {
        BusyScope busy;
        busyOverScreen = busyWindowVisible();
        runner.expect([&](QWidget& box) { busyUnderQuestion = busyWindowVisible(); clickButton(box, "btnSim"); });
        EXPECT_EQ(dialogs.messageDlg("Confirma?", DialogType::Confirmation, mbYes | mbNo), mrYes);
        EXPECT_TRUE(busyWindowVisible());
        w.close();
    });
    ModalRunner::current().exec(screen);
    EXPECT_TRUE(busyOverScreen && !busyUnderQuestion && !busyWindowVisible());
}
