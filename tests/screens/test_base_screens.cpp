// Base screens: the maintenance buttons of the grid-and-form screen follow dtsPadrao,
// confirmations guard delete and cancel, dialogs preview their keys, filter option sets
// survive a round trip, the report launcher fills only the parameters a report declares,
// and host modules opened by name (the list module COT00900, the errors of a bad call).
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include "data/client_table.h"
#include "data/data_source.h"
#include "screens/dados_ger_rel.h"
#include "screens/filtro_padrao.h"
#include "screens/padrao_grid.h"
#include "screens/roti_geral.h"
#include "services/load_bpl.h"
#include "services/session.h"
#include "support/screen_fixture.h"
#include "ui/buttons.h"
#include "ui/db_grid.h"
#include "ui/menus.h"
#include "ui/page_control.h"

using namespace cot;
using namespace cot::testing;

namespace {

std::unique_ptr<ClientTable> table(const QString& name, const QStringList& codes) {
    auto t = std::make_unique<ClientTable>(name);
    Packet p;
    p.fields = {{"CODIGO", FieldType::String, 6}, {"NOME", FieldType::String, 30}};
    for (const QString& c : codes) p.rows << QVariantList{c, "Nome " + c};
    t->setData(p);
    return t;
}

// A screen over two tables: proposals in the list grid, items in a grid of the form page.
// Each grid points dtsPadrao at its table when it takes the focus.
class TfrmTeste : public TfrmPadraoGrid {
public:
    TfrmTeste() : TfrmPadraoGrid(Options{"TST001", "Teste", "tshCadastro", "Cadastro", {}}) {
        cdsProposta = table("cdsProposta", {"000001", "000002", "000003"});
        cdsItem = table("cdsItem", {"A1"});
        dtsItem = new DataSource("dtsItem", this);
        dtsItem->setDataSet(cdsItem.get());
        auto* layout = new QVBoxLayout(formPage());
        dbgItem = new TDBGrid("dbgItem", formPage());
        dbgItem->setDataSource(dtsItem);
        layout->addWidget(dbgItem);
        dbgItem->onEnter = [this] { setActiveTable(cdsItem.get()); };
        dbgPadrao->onEnter = [this] { setActiveTable(cdsProposta.get()); };
        setActiveTable(cdsProposta.get());
        setNavigatorCaption(cdsProposta.get(), "NOME");
    }
    std::unique_ptr<ClientTable> cdsProposta, cdsItem;
    DataSource* dtsItem;
    TDBGrid* dbgItem;
};

class BaseScreens : public ScreenFixture {
protected:
    bool wantsServer() const override { return false; }
};

QString errorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const UserError& e) {
        return e.text();
    }
    return {};
}

}  // namespace

TEST_F(BaseScreens, MaintenanceButtonsActOnTheTableOfTheFocusedGrid) {
    TfrmTeste screen;
    showAndActivate(screen);
    EXPECT_EQ(screen.lblNavegador->text(), "Nome 000001");

    screen.pgcPadrao->setActivePage(screen.formPage());
    ASSERT_TRUE(focus(screen, "dbgItem"));
    EXPECT_EQ(screen.activeTable(), screen.cdsItem.get());
    click(screen, "sbtIncluir");
    EXPECT_EQ(std::pair(screen.cdsItem->state(), screen.cdsProposta->state()), std::pair(DataSetState::Insert, DataSetState::Browse));
    // While inserting only cancel and confirm are offered, on the menu and the toolbar alike.
    EXPECT_FALSE(screen.mnuIncluir->enabled() || screen.sbtExcluir->isEnabled());
    EXPECT_TRUE(screen.sbtConfirmar->isEnabled());
    screen.cdsItem->fieldByName("CODIGO").setAsString("B2");
    click(screen, "sbtConfirmar");
    EXPECT_EQ(screen.cdsItem->state(), DataSetState::Browse);
    EXPECT_EQ(QList<int>({screen.cdsItem->recordCount(), screen.cdsProposta->recordCount()}), QList<int>({2, 3}));

    screen.pgcPadrao->setActivePage(screen.tshPadrao);
    ASSERT_TRUE(focus(screen, "dbgPadrao"));
    EXPECT_EQ(screen.activeTable(), screen.cdsProposta.get());
    click(screen, "sbtAlterar");
    EXPECT_EQ(std::pair(screen.cdsItem->state(), screen.cdsProposta->state()), std::pair(DataSetState::Browse, DataSetState::Edit));
    click(screen, "sbtConfirmar");
    EXPECT_TRUE(dialogs.allTexts().isEmpty());
}

TEST_F(BaseScreens, DeleteAndCancelAnsweredNoKeepTheRowAndTheEdits) {
    TfrmTeste screen;
    showAndActivate(screen);
    auto& proposals = *screen.cdsProposta;

    dialogs.expectConfirm(false);
    click(screen, "sbtExcluir");
    EXPECT_EQ(proposals.recordCount(), 3);
    dialogs.expectConfirm(true);
    click(screen, "sbtExcluir");
    EXPECT_EQ(proposals.recordCount(), 2);
    EXPECT_EQ(dialogs.questions(), QStringList(2, msgMensagensPadroes().Msg("ConfExcl")));

    click(screen, "sbtAlterar");
    proposals.fieldByName("NOME").setAsString("Alterado");
    dialogs.expectConfirm(false);
    click(screen, "sbtCancelar");
    EXPECT_EQ(std::pair(proposals.state(), proposals.fieldByName("NOME").asString()), std::pair(DataSetState::Edit, QString("Alterado")));
    EXPECT_EQ(dialogs.questions().last(), msgMensagensPadroes().Msg("Canc"));
    dialogs.expectConfirm(true);
    click(screen, "sbtCancelar");
    EXPECT_EQ(std::pair(proposals.state(), proposals.fieldByName("NOME").asString()), std::pair(DataSetState::Browse, QString("Nome 000002")));
}

namespace {

class TfrmDialogoTeste : public TfrmRotiGeral {
public:
    TfrmDialogoTeste() : TfrmRotiGeral("TST002", "Diálogo") {
        auto* layout = new QVBoxLayout(panPrincipal);
        edtPrimeiro = new QLineEdit(panPrincipal);
        edtPrimeiro->setObjectName("edtPrimeiro");
        edtSegundo = new QLineEdit(panPrincipal);
        edtSegundo->setObjectName("edtSegundo");
        layout->addWidget(edtPrimeiro);
        layout->addWidget(edtSegundo);
    }
    void FormClose(CloseAction& action) override {
        ++closes;
        action = refuseClose ? CloseAction::caNone : CloseAction::caHide;
    }
    QLineEdit *edtPrimeiro, *edtSegundo;
    bool refuseClose = false;
    int closes = 0;
};

}  // namespace

TEST_F(BaseScreens, RoutineDialogEnterMovesOnEscapeCancelsAndCloseCanBeRefused) {
    TfrmDialogoTeste dialog;
    bool movedOn = false;
    runner.expect([&](QWidget& w) {
        focus(w, "edtPrimeiro");
        press(w, "edtPrimeiro", Qt::Key_Return);
        movedOn = dialog.edtSegundo->hasFocus();
        press(w, "edtSegundo", Qt::Key_Escape);
    }, "frmTST002");
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
    EXPECT_TRUE(movedOn);
    EXPECT_EQ(dialog.closes, 1);

    dialog.refuseClose = true;
    bool stillOpen = false;
    runner.expect([&](QWidget& w) {
        click(w, "sbtConfirma");
        stillOpen = w.isVisible();
        dialog.refuseClose = false;
        click(w, "sbtConfirma");
    });
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_TRUE(stillOpen);
}

TEST_F(BaseScreens, FailedCreationDestroysTheScreenAndPassesTheErrorOn) {
    struct Failing : TfrmPadraoSimples {
        void FormCreate() override { throw UserError("Servidor indisponível."); }
    };
    EXPECT_THROW(createForm<Failing>(), UserError);
}

namespace {

class TfrmFiltroTeste : public TfrmFiltroPadrao {
public:
    TfrmFiltroTeste() : TfrmFiltroPadrao("TST003", "Filtro") {
        auto* layout = new QVBoxLayout(grbFiltroPadrao);
        ckbTodas = new TCheckBox("ckbTodas", grbFiltroPadrao, "Todas");
        ckbVencidas = new TCheckBox("ckbVencidas", grbFiltroPadrao, "Vencidas");
        edtReferencia = new QLineEdit(grbFiltroPadrao);
        edtReferencia->setObjectName("edtReferencia");
        layout->addWidget(ckbTodas);
        layout->addWidget(ckbVencidas);
        layout->addWidget(edtReferencia);
        // Checking "Todas" unchecks the individual box, as filters do.
        ckbTodas->onClick = [this] { if (ckbTodas->isChecked()) ckbVencidas->setChecked(false); };
        ckbVencidas->onClick = [this] { if (ckbVencidas->isChecked()) ckbTodas->setChecked(false); };
    }
    void btfLoadOpcClick() override {
        seenBeforeLoad = variable("stCliente");
        TfrmFiltroPadrao::btfLoadOpcClick();
    }
    TCheckBox *ckbTodas, *ckbVencidas;
    QLineEdit* edtReferencia;
    QString seenBeforeLoad;
};

}  // namespace

TEST_F(BaseScreens, FilterOptionSetsRoundTripControlsAndVariablesPerOperator) {
    QTemporaryDir dir;
    Session::instance().setOperator("VENDEDOR", "Vendedor");
    TfrmFiltroTeste filter;
    filter.setSettingsStore(SettingsStore(dir.path()));
    filter.refreshOptionSets();

    filter.ckbVencidas->setChecked(true);
    filter.edtReferencia->setText("Filial Sul");
    filter.setVariable("stCliente", "'000001','000007'");
    filter.cbbOpcoes->setEditText("Vencidas do Sul");
    filter.btfSaveOpcClick();

    filter.ckbTodas->setChecked(true);
    filter.edtReferencia->clear();
    filter.Variaveis.clear();
    filter.cbbOpcoes->setCurrentIndex(filter.cbbOpcoes->findText("Vencidas do Sul"));
    filter.btfLoadOpcClick();
    EXPECT_EQ(filter.seenBeforeLoad, "'000001','000007'");  // chosen set read before the base load
    EXPECT_TRUE(filter.ckbVencidas->isChecked() && !filter.ckbTodas->isChecked());
    EXPECT_EQ(filter.edtReferencia->text(), "Filial Sul");

    // Another operator does not see the set; loading an unknown name says so and changes nothing.
    Session::instance().setOperator("GERENTE", "Gerente");
    EXPECT_TRUE(filter.optionSets().isEmpty());
    filter.cbbOpcoes->setEditText("Vencidas do Sul");
    EXPECT_FALSE(runHandler([&] { filter.btfLoadOpcClick(); }));
    EXPECT_EQ(dialogs.errors(), QStringList{"Opção Vencidas do Sul não encontrada."});
}

TEST_F(BaseScreens, ReportLauncherListsByCodeAndFillsOnlyDeclaredParameters) {
    ReportStore::instance().clear();
    ReportStore::instance().registerReport({"COT050", "Proposta de Contratação - Locação", {"P_NRPROPOSFAS"},
                                            "<h1>Proposta {{P_NRPROPOSFAS}}</h1><p>{{P_CDFILIAL}}</p>", {}});
    ReportStore::instance().registerReport({"OUTRO", "Outro", {}, "x", {}});
    TfrmDadosGerRel launcher("COT05001", "Relatório", "COT050");
    ReportParams asked;
    launcher.rpddPadrao.onBeforeGetQueryParams = [&](ReportParams& params) {
        for (const char* name : {"P_CDFILIAL", "P_NRPROPOSFAS", "P_NRVERPROPFAS"})
            if (ParamListHas(params, name)) setParamText(params, name, name == QString("P_NRPROPOSFAS") ? "<12>" : "0001");
        asked = params;
    };
    launcher.fillReportList();
    EXPECT_EQ(launcher.reportTitles(), QStringList{"Proposta de Contratação - Locação"});
    ASSERT_NE(launcher.currentReport(), nullptr);

    const QString html = launcher.rpddPadrao.html(*launcher.currentReport());
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(html.contains("Proposta &lt;12&gt;"));  // values are escaped into the layout
    EXPECT_TRUE(html.contains("{{P_CDFILIAL}}"));       // undeclared parameters are left alone

    QTemporaryDir dir;
    launcher.rpddPadrao.writePdf(*launcher.currentReport(), dir.filePath("proposta.pdf"));
    QFile file(dir.filePath("proposta.pdf"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5).startsWith("%PDF"));
    EXPECT_THROW(launcher.rpddPadrao.writePdf(*launcher.currentReport(), dir.filePath("nao/existe/x.pdf")), UserError);
    ReportStore::instance().clear();
}

TEST_F(BaseScreens, LoadBplListModuleShowsTheVisibleFieldsOfTheTableUnderTheMessage) {
    ClientTable systems("cdsValidaSistProd");
    Packet p;
    p.fields = {{"SGSISTEMA", FieldType::String, 3}, {"NMSISTEMA", FieldType::String, 40}, {"IDTECNOSIST", FieldType::String, 3}};
    p.rows = {{"FAT", "Faturamento", "WEB"}, {"EST", "Estoque", "WEB"}};
    systems.setData(p);
    systems.fieldByName("IDTECNOSIST").visible = false;
    systems.last();

    QString message;
    QStringList headers, firstRow;
    int rows = -1;
    runner.expect([&](QWidget& w) {
        message = findAs<QLabel>(w, "lblMensagem")->text();
        auto* view = findAs<QTableView>(w, "dbgLista");
        rows = view->model()->rowCount();
        for (int c = 0; c < view->model()->columnCount(); ++c) {
            headers << view->model()->headerData(c, Qt::Horizontal).toString();
            firstRow << view->model()->index(0, c).data().toString();
        }
        click(w, "btnOk");
    }, "frmCOT00900");
    const QString text = "Os seguintes sistemas não estão cadastrados para o produto comercial informado:";
    LoadBPL("COT00900", {tableReference(systems), text, true});
    EXPECT_EQ(message, text);
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(headers, (QStringList{"SGSISTEMA", "NMSISTEMA"}));
    EXPECT_EQ(firstRow, (QStringList{"FAT", "Faturamento"}));
    EXPECT_EQ(systems.recNo(), 2);  // listing does not move the caller's table
}

TEST_F(BaseScreens, LoadBplBadCallsGiveClearErrors) {
    EXPECT_EQ(errorOf([] { LoadBPL("Pkg_inexistente", {}); }), "Módulo Pkg_inexistente não encontrado.");
    EXPECT_EQ(errorOf([] { LoadBPL("../../lib/x", {}); }), "Nome de módulo inválido: ../../lib/x.");
    EXPECT_EQ(errorOf([] { LoadBPL("COT00900", {}); }), "Parâmetros inválidos para o módulo COT00900.");
    // Text that looks like a number is not a table reference.
    EXPECT_EQ(errorOf([] { LoadBPL("COT00900", {QString("12345"), "x", true}); }),
              "Parâmetros inválidos para o módulo COT00900.");
    EXPECT_EQ(tableFromReference(QVariant()), nullptr);
    EXPECT_TRUE(runner.shown().isEmpty());
}
