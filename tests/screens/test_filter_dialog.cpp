// The proposal filter: the arguments it sends, its checks with their focus, the criteria
// it keeps between openings and the reload of the proposal list.

#include <QComboBox>
#include <QTemporaryDir>

#include "screens/list_cases.h"
#include "screens/proposal_fixture.h"
#include "services/session.h"
#include "ui/busy_animation.h"
#include "ui/buttons.h"
#include "ui/date_edit.h"
#include "ui/edits.h"
#include "ui/page_control.h"

using namespace cot;
using namespace cot::Cli_cot05002;
using namespace cot::testing;

namespace {

TEST(FilterArgumentsFromCriteria, StatusesContractsDatesAndTheirOrder) {
    TFILTRO f;  // as created: every status and every contract
    FilterArguments a = filterArguments(f);
    EXPECT_EQ(QStringList({a.stVencidas + a.stValida + a.stAvencer, a.stContrato, a.stCliente, a.stDataPro}),
              QStringList({"", "T", "T", "T"}));

    const auto statuses = [&f](const TDADOSSTATUS& boxes) {
        f.DADOSSTATUS = boxes;
        const FilterArguments s = filterArguments(f);
        return QStringList({s.stVencidas, s.stValida, s.stAvencer, s.stSubstituidas, s.stPerdidas});
    };
    // Every status is "Todas"; the validity ones alone leave superseded and lost out.
    EXPECT_EQ(statuses({false, true, true, true, true, true}), QStringList({"", "", "", "", ""}));
    EXPECT_EQ(statuses({false, true, true, true}), QStringList({"V", "VA", "AV", "", ""}));
    EXPECT_EQ(statuses({false, true, false, true, false, true}), QStringList({"V", "", "AV", "", "P"}));
    f.DADOSSTATUS = {};

    const auto contract = [](bool m, bool s, bool l) { return contractCode({false, m, s, l}); };
    EXPECT_EQ(QStringList({contract(1, 1, 1), contract(1, 0, 0), contract(0, 1, 0), contract(0, 0, 1), contract(1, 1, 0),
                           contract(1, 0, 1), contract(0, 1, 1)}),
              QStringList({"T", "M", "S", "L", "_M_S_", "_M_L_", "_L_S_"}));

    // A date group restricts only with its start date; a list only while "Lista" is chosen.
    const QDateTime from(QDate(2026, 11, 1), QTime()), to(QDate(2026, 11, 30), QTime());
    f.DATAVALIDADE = {from, to};
    f.DADOSCLIENTE = {true, "'A','B'"};
    f.DADOSPROSPECT = {false, "'X'"};
    f.DADOSREFERENCIA.stReferencia = "ERP";
    f.DADOSSTATUS = {false, false, false, false, true, false};
    f.DADOSDECISAO.stDecisao = "R";
    f.DADOSVENDEDOR.stVendedor = " GERENTE ";
    a = filterArguments(f);
    const QVariantList args = propostaAuxArguments(a, "0001", "VENDEDOR");
    ASSERT_EQ(args.size(), 23);
    QStringList texts;
    for (int i : {0, 1, 2, 7, 10, 11, 12, 13, 16, 17, 18, 19, 20, 21, 22}) texts << args[i].toString();
    EXPECT_EQ(texts, QStringList({"0001", "'A','B'", "T", "T", "T", "T", "", "", "VENDEDOR", "T", "ERP", "R", "S", "",
                                  "GERENTE"}));
    EXPECT_TRUE(args[3].isNull());
    EXPECT_EQ(QList<QDateTime>({args[8].toDateTime(), args[9].toDateTime()}), QList<QDateTime>({from, to}));
    f.DADOSDECISAO.stDecisao = "?";  // anything else restricts nothing
    EXPECT_EQ(filterArguments(f).stDecisao, "T");
}

class ProposalFilter : public ProposalFixture {
protected:
    TfrmFiltroPropComercial& filter() { return *screen->listFilter().dialog(); }
    // Opens the filter; `act` acts on the shown dialog and closes it.
    void show(std::function<void(TfrmFiltroPropComercial&)> act) {
        runner.expect([act](QWidget& w) { act(static_cast<TfrmFiltroPropComercial&>(w)); }, "frmFiltroPropComercial");
        EXPECT_TRUE(runHandler([&] { screen->sbtFiltroClick(); }));
    }
    // Opens the filter; `fill` acts on the shown dialog and then confirms it.
    void confirmWith(const std::function<void(TfrmFiltroPropComercial&)>& fill) {
        show([fill](TfrmFiltroPropComercial& f) { fill(f); clickButton(*f.sbtConfirma); });
    }
    // A confirmation the dialog refuses: `fill` acts on it, Confirm must show `error` with
    // the dialog still open and the focus on `focused` ("" when not checked); Cancel then
    // puts the last confirmed criteria back for the next case.
    struct Refusal { std::function<void(TfrmFiltroPropComercial&)> fill; QString error, focused; };
    void expectRefused(const Refusal& c) {
        dialogs.clearShown();
        QString focused;
        bool open = false;
        show([&](TfrmFiltroPropComercial& f) {
            c.fill(f);
            clickButton(*f.sbtConfirma);
            open = f.isVisible();
            if (QWidget* fw = f.focusWidget()) focused = fw->objectName();
            clickButton(*f.sbtCancel);
        });
        EXPECT_TRUE(open) << c.error.toStdString();
        EXPECT_EQ(dialogs.errors().value(0), c.error);
        EXPECT_EQ(c.focused.isEmpty() ? QString() : focused, c.focused) << c.error.toStdString();
    }
};

TEST_F(ProposalFilter, ChecksRunInOrderAndFocusTheOffendingControlAPartlyTypedDateIncludedAndEqualDatesPass) {
    openScreen();
    // Typed from the edit's start, the focus staying in it until Confirm.
    const auto typeDate = [&](TDateEditPlus* edit, const QString& text) { focusWidget(*edit); edit->home(false); typeText(*edit, text); };
    const QDate d1(2026, 11, 1), d2(2026, 11, 30);
    const Refusal cases[] = {
        {[&](auto& f) { f.depDataCadFin->setDate(d2); }, "Data inicial de cadastro deve ser informada.",
         "depDataCadIni"},
        {[&](auto& f) { f.depDataAprovIni->setDate(d1); }, "Data final de aprovação deve ser informada.",
         "depDataAprovFin"},
        // Missing dates of a later group come before an inverted period of an earlier one.
        {[&](auto& f) {
             f.depDataCadIni->setDate(d2);
             f.depDataCadFin->setDate(d1);
             f.depValidaFin->setDate(d1);
         },
         "Data inicial de validade deve ser informada.", "depValidaIni"},
        {[&](auto& f) {
             f.depValidaIni->setDate(d2);
             f.depValidaFin->setDate(d1);
         },
         "Data inicial de validade não pode ser maior que a data final.", "depValidaIni"},
        {[&](auto& f) { f.rbtListaCliente->setChecked(true); }, "Cliente deve ser informado.", "rbtListaCliente"},
        {[&](auto& f) { f.rbtListaContato->setChecked(true); }, "Contato deve ser informado", "rbtListaContato"},
        {[&](auto& f) { f.ckbTodas->setChecked(false); }, "Status deve ser informado", ""},
        {[&](auto& f) { f.ckbContTodas->setChecked(false); }, "Contrato deve ser informado.", ""},
        // A date typed in part, alone: not taken for an empty start date ("Data final ... deve ser informada").
        {[&](auto& f) { typeDate(f.depDataCadIni, "12/0"); }, "'12/0 /    ' não é uma data válida.", "depDataCadIni"},
        {[&](auto& f) {
             f.depDataAprovIni->setDate(d1);
             typeDate(f.depDataAprovFin, "3");
         },
         "'3 /  /    ' não é uma data válida.", "depDataAprovFin"},
        // Both ends: not dropped without a word; the one being typed in is refused first.
        {[&](auto& f) {
             f.depValidaIni->setText("01/12/20");
             typeDate(f.depValidaFin, "31/12/2");
         },
         "'31/12/2   ' não é uma data válida.", "depValidaFin"},
        {[&](auto& f) {
             typeDate(f.depValidaIni, "01/12/20");
             f.depValidaFin->setText("31/12/2");
         },
         "'01/12/20  ' não é uma data válida.", "depValidaIni"},
    };
    for (const Refusal& c : cases) expectRefused(c);
    EXPECT_EQ(listNumbers().size(), 14) << "nothing was ever confirmed";

    // An end date equal to the start is accepted.
    dialogs.clearShown();
    confirmWith([](TfrmFiltroPropComercial& f) {
        f.depDataCadIni->setDate(QDate(2026, 12, 4));
        f.depDataCadFin->setDate(QDate(2026, 12, 4));
    });
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    EXPECT_EQ(listNumbers(), QStringList{"5/01"}) << "the one proposal of 04/12/2026";
}

// The client's decision and the superseded and lost statuses reach the server as values.
TEST_F(ProposalFilter, TheClientsDecisionAndTheClosedStatusesNarrowTheList) {
    storeClosedVersions(testServer().db());
    openScreen();
    confirmWith([](TfrmFiltroPropComercial& f) { f.cbbDecisaoCliente->setCurrentText("Aceita pelo cliente"); });
    EXPECT_EQ(listNumbers(), QStringList({"6/03"}));
    EXPECT_EQ(filter().Filtro.DADOSDECISAO.stDecisao, "A");
    confirmWith([](TfrmFiltroPropComercial& f) {
        f.cbbDecisaoCliente->setCurrentText("Todas");
        f.ckbSubstituidas->click();
        f.ckbPerdidas->click();
    });
    EXPECT_FALSE(filter().ckbTodas->isChecked()) << "a status box clears \"Todas\"";
    EXPECT_EQ(listNumbers(), QStringList({"9/01", "6/02", "6/01"}));
}

// A reload needs no dialog before the filter is used and keeps the current proposal and
// version; an empty list closes the children.
TEST_F(ProposalFilter, ReloadKeepsTheCurrentProposalAndAnEmptyListClosesTheChildren) {
    openOn(6, "02");
    EXPECT_TRUE(runHandler([this] { Atualiza_Tela(*screen); }));
    EXPECT_EQ(screen->listFilter().dialog(), nullptr) << "no dialog is needed before the filter is used";
    EXPECT_EQ(QString::number(listNumbers().size()) + ' ' + screen->VER(), "14 02");
    confirmWith([](TfrmFiltroPropComercial& f) {
        f.ckbLuManut->setChecked(true);
        EXPECT_FALSE(f.ckbContTodas->isChecked()) << "a kind unchecks \"Todas\"";
    });
    EXPECT_TRUE(screen->filterUsed() && filter().argumentos.stContrato == "M");
    for (const QString& n : listNumbers()) EXPECT_FALSE(n.startsWith("3/") || n.startsWith("5/")) << n.toStdString();
    EXPECT_EQ(screen->NR() + ' ' + screen->VER(), number(6) + " 02");

    ASSERT_TRUE(menu(screen->menus().mnuTexto));
    confirmWith([](TfrmFiltroPropComercial& f) { f.edtReferencia->setText("nenhuma proposta assim"); });
    EXPECT_TRUE(screen->proposal().recordCount() == 0 && screen->pgcPadrao->activePage() == screen->tshPadrao);
    for (ProposalArea* area : std::initializer_list<ProposalArea*>{&screen->area<ProductLineArea>(), &screen->area<LineSystemsArea>(),
             &screen->area<LineInstallmentsArea>(), &screen->area<ServicesArea>(), &screen->area<TextsArea>()})
        for (ClientTable* t : area->tables())
        EXPECT_FALSE(t->active()) << t->name().toStdString();
}

// Changed and left without confirming (Cancel, or the window's own close button), nothing of
// it stays: not in the controls, not in the list, not in a later reload; a new proposal screen
// lists everything until the filter, which still holds the criteria, is shown again.
TEST_F(ProposalFilter, TheCriteriaSurviveBetweenOpeningsLeavingRestoresThemAndAFailedReloadKeepsTheList) {
    openScreen();
    confirmWith([](TfrmFiltroPropComercial& f) {
        f.ckbVencidas->setChecked(true);
        EXPECT_FALSE(f.ckbTodas->isChecked());
        f.edtReferencia->setText("a");
    });
    const QStringList listed = listNumbers();
    ASSERT_FALSE(listed.isEmpty());
    TfrmFiltroPropComercial* first = screen->listFilter().dialog();
    for (const bool closeButton : {false, true}) {
        show([closeButton](TfrmFiltroPropComercial& f) {
            EXPECT_TRUE(f.ckbVencidas->isChecked() && f.edtReferencia->text() == "a");
            f.ckbTodas->setChecked(true);
            EXPECT_FALSE(f.ckbVencidas->isChecked()) << "\"Todas\" unchecks the statuses";
            f.edtReferencia->setText("nenhuma proposta assim");
            if (closeButton) static_cast<QWidget&>(f).close();
            else clickButton(*f.sbtCancel);
        });
        EXPECT_FALSE(filter().isVisible());
        EXPECT_EQ(screen->listFilter().dialog(), first) << "created once";
        EXPECT_EQ(listNumbers(), listed);
    }
    EXPECT_TRUE(filter().ckbVencidas->isChecked() && !filter().ckbTodas->isChecked());
    EXPECT_TRUE(runHandler([this] { Atualiza_Tela(*screen); }));
    EXPECT_EQ(filter().argumentos.stReferencia, "a");
    EXPECT_EQ(listNumbers(), listed);

    delete Cli_cot05000::proposalScreen();
    openScreen();
    EXPECT_EQ(listNumbers().size(), 14);
    EXPECT_EQ(screen->listFilter().dialog(), first);
    confirmWith([](TfrmFiltroPropComercial& f) { EXPECT_TRUE(f.ckbVencidas->isChecked()); });
    EXPECT_EQ(listNumbers(), listed);

    // The server goes away: the error is shown, the list keeps its rows, the animation stops.
    Session::instance().setServer(QStringLiteral("127.0.0.1"), 1);
    screen->net().disconnect();
    EXPECT_FALSE(runHandler([this] { Atualiza_Tela(*screen); }));
    EXPECT_TRUE(dialogs.errors().size() == 1 && busyDepth() == 0);
    EXPECT_EQ(listNumbers(), listed);
}

TEST_F(ProposalFilter, ListButtonsFollowTheirRadiosTheSelectionIsSentAndSavedOptionSetsKeepIt) {
    openScreen();
    confirmWith([&](TfrmFiltroPropComercial& f) {
        EXPECT_FALSE(f.sbtListCliente->isEnabled());
        f.rbtListaCliente->setChecked(true);
        EXPECT_TRUE(f.sbtListCliente->isEnabled());
        dialogs.expectPickMany("'11222333000181'");
        clickButton(*f.sbtListCliente);
        EXPECT_EQ(f.stCliente, "'11222333000181'");
        EXPECT_FALSE(f.cdsCliente->fieldByName("NRINSJURCLIE").displayText().isEmpty());
    });
    EXPECT_EQ(filter().argumentos.stCliente, "'11222333000181'");
    QStringList numbers = listNumbers();
    numbers.sort();
    EXPECT_EQ(numbers, (QStringList{"1/01", "6/01", "6/02", "6/03"}));

    // "Todos" forgets the selection.
    confirmWith([](TfrmFiltroPropComercial& f) {
        f.rbtTodosCliente->setChecked(true);
        EXPECT_TRUE(f.stCliente.isEmpty() && !f.sbtListCliente->isEnabled());
    });
    EXPECT_EQ(listNumbers().size(), 14);

    // A saved option set keeps the selection texts.
    QTemporaryDir folder;
    confirmWith([&](TfrmFiltroPropComercial& f) {
        f.setSettingsStore(SettingsStore(folder.path()));
        f.rbtListaProspect->setChecked(true);
        dialogs.expectPickMany("'88999000000118'");
        clickButton(*f.sbtListProspect);
        f.cbbOpcoes->setEditText("Zeta");
        clickButton(*f.btfSaveOpc);

        f.rbtTodosProspect->setChecked(true);
        EXPECT_TRUE(f.stProspect.isEmpty());
        f.cbbOpcoes->setCurrentText("Zeta");
        clickButton(*f.btfLoadOpc);
        EXPECT_TRUE(f.rbtListaProspect->isChecked() && f.sbtListProspect->isEnabled());
        EXPECT_EQ(f.stProspect, "'88999000000118'");
    });
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    EXPECT_EQ(listNumbers(), QStringList{"7/01"}) << "the prospect's one proposal";
}

}  // namespace
