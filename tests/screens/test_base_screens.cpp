// Base screens: the maintenance buttons of the grid-and-form screen follow dtsPadrao,
// confirmations guard delete and cancel, dialogs preview their keys, filter option sets
// survive a round trip, and host modules opened by name (the list module COT00900, the errors of a bad call).
#include <QComboBox>
#include <QTableView>
#include <QTemporaryDir>

#include "data/client_table.h"
#include "data/data_source.h"
#include "screens/filtro_padrao.h"
#include "screens/padrao_grid.h"
#include "screens/roti_geral.h"
#include "services/load_bpl.h"
#include "services/session.h"
#include "support/screen_fixture.h"
#include "support/user_error_text.h"
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
        dbgItem = new TDBGrid("dbgItem", formPage());
        dbgItem->setDataSource(dtsItem);
        (new QVBoxLayout(formPage()))->addWidget(dbgItem);
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

}  // namespace

TEST_F(BaseScreens, MaintenanceButtonsActOnTheTableOfTheFocusedGridAndNoToAQuestionKeepsTheRowAndTheEdits) {
    TfrmTeste screen;
    showAndActivate(screen);
    EXPECT_EQ(screen.lblNavegador->text(), "Nome 000001");

    screen.pgcPadrao->setActivePage(screen.formPage());
    ASSERT_TRUE(focus(screen, "dbgItem"));
    EXPECT_EQ(screen.activeTable(), screen.cdsItem.get());
    click(screen, "sbtIncluir");
    EXPECT_EQ(std::pair(screen.cdsItem->state(), screen.cdsProposta->state()), std::pair(DataSetState::Insert, DataSetState::Browse));
    // While inserting only cancel and confirm are offered, on the menu and the toolbar alike.
    EXPECT_TRUE(!screen.mnuIncluir->enabled() && !screen.sbtExcluir->isEnabled() && screen.sbtConfirmar->isEnabled());
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

    // Delete and cancel answered No keep the row and the edits.
    auto& proposals = *screen.cdsProposta;

    const auto state = [&] { return std::pair(proposals.state(), proposals.fieldByName("NOME").asString()); };
    for (const bool yes : {false, true}) {
        dialogs.expectConfirm(yes);
        click(screen, "sbtExcluir");
        EXPECT_EQ(proposals.recordCount(), yes ? 2 : 3);
    }
    click(screen, "sbtAlterar");
    proposals.fieldByName("NOME").setAsString("Alterado");
    dialogs.expectConfirm(false);
    click(screen, "sbtCancelar");
    EXPECT_EQ(state(), std::pair(DataSetState::Edit, QString("Alterado")));
    dialogs.expectConfirm(true);
    click(screen, "sbtCancelar");
    EXPECT_EQ(state(), std::pair(DataSetState::Browse, QString("Nome 000002")));
    EXPECT_EQ(dialogs.questions(), QStringList({msgMensagensPadroes().Msg("ConfExcl"), msgMensagensPadroes().Msg("ConfExcl"),
                                                msgMensagensPadroes().Msg("Canc"), msgMensagensPadroes().Msg("Canc")}));
}

namespace {

class TfrmDialogoTeste : public TfrmRotiGeral {
public:
    TfrmDialogoTeste() : TfrmRotiGeral("TST002", "Diálogo") {
        auto* layout = new QVBoxLayout(panPrincipal);
        for (QLineEdit** edit : {&edtPrimeiro, &edtSegundo}) layout->addWidget(*edit = new QLineEdit(panPrincipal));
        edtPrimeiro->setObjectName("edtPrimeiro");
        edtSegundo->setObjectName("edtSegundo");
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
    EXPECT_TRUE(movedOn && dialog.closes == 1);

    dialog.refuseClose = true;
    bool stillOpen = false;
    runner.expect([&](QWidget& w) {
        click(w, "sbtConfirma");
        stillOpen = w.isVisible();
        dialog.refuseClose = false;
        click(w, "sbtConfirma");
    });
    EXPECT_TRUE(dialog.ShowModal() == mrOk && stillOpen);
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
        for (QWidget* w : std::initializer_list<QWidget*>{ckbTodas, ckbVencidas, edtReferencia}) layout->addWidget(w);
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

TEST_F(BaseScreens, LoadBplListModuleShowsTheVisibleFieldsOfTheTableUnderTheMessageAndBadCallsGiveClearErrors) {
    ClientTable systems("cdsValidaSistProd");
    Packet p;
    p.fields = {{"SGSISTEMA", FieldType::String, 3}, {"NMSISTEMA", FieldType::String, 40}, {"IDTECNOSIST", FieldType::String, 3}};
    p.rows = {{"FAT", "Faturamento", "WEB"}, {"EST", "Estoque", "WEB"}};
    systems.setData(p);
    systems.fieldByName("IDTECNOSIST").visible = false;
    systems.last();

    // The message, the row count, the headers and the first row.
    QStringList shown;
    runner.expect([&](QWidget& w) {
        const QAbstractItemModel* model = findAs<QTableView>(w, "dbgLista")->model();
        shown << findAs<QLabel>(w, "lblMensagem")->text() << QString::number(model->rowCount());
        for (int c = 0; c < model->columnCount(); ++c) shown << model->headerData(c, Qt::Horizontal).toString();
        for (int c = 0; c < model->columnCount(); ++c) shown << model->index(0, c).data().toString();
        click(w, "btnOk");
    }, "frmCOT00900");
    const QString text = "Os seguintes sistemas não estão cadastrados para o produto comercial informado:";
    LoadBPL("COT00900", {tableReference(systems), text, true});
    EXPECT_EQ(shown, QStringList({text, "2", "SGSISTEMA", "NMSISTEMA", "FAT", "Faturamento"}));
    EXPECT_EQ(systems.recNo(), 2);  // listing does not move the caller's table

    // Bad calls give clear errors and show nothing.
    // Text that looks like a number is not a table reference.
    EXPECT_EQ(QStringList({userErrorOf([] { LoadBPL("Pkg_inexistente", {}); }), userErrorOf([] { LoadBPL("../../lib/x", {}); }),
                           userErrorOf([] { LoadBPL("COT00900", {}); }),
                           userErrorOf([] { LoadBPL("COT00900", {QString("12345"), "x", true}); })}),
              QStringList({"Módulo Pkg_inexistente não encontrado.", "Nome de módulo inválido: ../../lib/x.",
                           "Parâmetros inválidos para o módulo COT00900.", "Parâmetros inválidos para o módulo COT00900."}));
    EXPECT_EQ(tableFromReference(QVariant()), nullptr);
    EXPECT_EQ(runner.shown().size(), 1) << "only the list above";
}
