// The proposal screen as a set of areas: every enabled entry does something, and a child
// table whose save the server refuses keeps its rows until a second Confirmar sends them.

#include <QStatusBar>
#include <algorithm>

#include "screens/areas_cases.h"

using namespace cot;
using namespace cot::testing;

namespace {

// The entries that open a window of their own (menu entries and their buttons).
const std::vector<const char*> kModal{"Filtro",   "Copiar",     "ModoProc",        "MododeProcessamento1",
                                      "Imprimir", "EnviarCliente", "mnuPerdida", "CompararVersoes",
                                      "Historico", "Painel",    "Exportar"};

class ProposalAreas : public ProposalFixture {
protected:
    // What a user can see change after pressing something: the pages shown, the buttons'
    // table, its state and changes, the dialogs, calls and windows, the screen itself.
    std::vector<qintptr> snapshot() {
        ClientTable* t = screen->activeTable();
        const ProposalPages& p = screen->pages();
        return {qintptr(screen->pgcPadrao->activePage()), qintptr(p.pgcDados->activePage()),
                qintptr(p.pgcDadosCont->activePage()),   qintptr(p.pgcServicoGeral->activePage()),
                qintptr(t),                              t ? qintptr(t->state()) : -1,
                t && t->active() ? t->changeCount() : 0, qintptr(dialogs.shown().size()),
                screen->net().calls(),                   qintptr(runner.shown().size()), screen->isVisible()};
    }

    // Every enabled entry of the screen: menu entries with their toolbar buttons.
    struct Action { QString name; std::function<bool()> press; };
    QList<Action> enabledActions() {
        QList<Action> out;
        std::function<void(TMenuItem*)> walk = [&](TMenuItem* m) {
            for (int i = 0; i < m->count(); ++i) {
                TMenuItem* item = m->item(i);
                if (item->count() > 0) walk(item);
                else if (item->enabled() && item->visible() && !item->isSeparator())
                    out.append({item->objectName(), [item] { return item->click(); }});
            }
        };
        for (int i = 0; i < screen->mnuMenu->count(); ++i) walk(screen->mnuMenu->item(i));
        for (TSpeedButton* b : screen->panBotoes->findChildren<TSpeedButton*>())
            if (b->isEnabled() && b->isVisible()) out.append({b->objectName(), [this, b] { return runHandler([b] { b->click(); }); }});
        return out;
    }
};

TEST_F(ProposalAreas, EveryEnabledEntryOnEveryPageDoesSomething) {
    openOn(1);
    const ProposalMenus& m = screen->menus();
    struct Place {
        const char* name;
        TMenuItem* entry;
        bool edit;  // with the page's table being edited
    };
    const QList<Place> places{{"lista", m.mnuProposta, false},        {"grade", m.mnuLinpProdGrade, false},
                              {"formulário", m.mnuLinnProdForm, false}, {"serviço", m.mnuServico, false},
                              {"simulação", m.mnuSimulacao, false},     {"texto", m.mnuTexto, false},
                              {"observação", m.mnuObserv, false},       {"observação", m.mnuObserv, true},
                              {"cabeçalho", m.mnuProposta, true}};
    int pressed = 0;
    QString last;  // the entry pressed before, named when the next arrival fails
    for (const Place& place : places) {
        const auto arrive = [&] {
            dialogs.clearAnswers();
            // Whatever the last entry left being edited (the focus, which a busy window may move,
            // decides which table the buttons point at, so look at every one).
            for (ClientTable* t : screen->findChildren<ClientTable*>()) if (t->isEditing()) t->cancel();
            if (!screen->isVisible()) showAndActivate(*screen);
            ASSERT_TRUE(select(1)) << "after " << last.toStdString();
            ASSERT_TRUE(menu(place.entry));
            if (!place.edit) return;
            if (place.entry == m.mnuProposta) screen->showPage(screen->pages().tshProposta);
            ASSERT_TRUE(runHandler([&] { screen->sbtAlterarClick(); }));
            ASSERT_TRUE(screen->activeTable()->isEditing()) << place.name;
        };
        arrive();
        const QList<Action> actions = enabledActions();
        for (const Action& action : actions) {
            if (action.name == QLatin1String("sbtFechar")) continue;  // closes the screen
            if (action.name == place.entry->objectName()) continue;   // the page already shown
            arrive();
            // Questions and dialogs are answered No / Cancel, so nothing is destroyed.
            const auto named = [&](const char* end) { return action.name.endsWith(QLatin1String(end)); };
            if (named("Procurar")) dialogs.expectFind([](ClientTable&) { return false; });
            else if (named("Excluir") || named("Cancelar") || named("RegeraTexto")) dialogs.expectConfirm(false);
            else if (std::any_of(kModal.begin(), kModal.end(), named)) runner.expectCancel();
            const auto before = snapshot();
            action.press();
            last = action.name;
            EXPECT_FALSE(snapshot() == before) << place.name << (place.edit ? " (editando)" : "") << ": " << action.name.toStdString()
                << " is enabled and did nothing observable";
            ++pressed;
            runner.clear();
        }
    }
    EXPECT_GT(pressed, 40);
    dialogs.clearAnswers();
    // Fechar asking about an edit under way: ProposalScreen.OneScreenAtATimeAndANewOneAfterClosing.
}

// An entry not yet built is off (saying why) and an accepted proposal is not approved again.
TEST_F(ProposalAreas, AnEntryNotYetBuiltIsOffAndARefusedSaveKeepsTheRowsAndTheChangeLogUntilASecondConfirmOrACancel) {
    openOn(2);
    EXPECT_FALSE(screen->menus().Comisso1->enabled() || screen->menus().sbtcomissao->isEnabled());
    EXPECT_FALSE(screen->menus().Comisso1->action()->statusTip().isEmpty()) << "a disabled entry says why";
    // An accepted proposal cannot be approved again.
    ASSERT_TRUE(select(1));
    EXPECT_FALSE(screen->menus().mnuAprovacao->enabled() || screen->menus().sbtAprovacao->isEnabled());

    ASSERT_TRUE(menu(screen->menus().mnuObserv));
    ClientTable& obs = *screen->activeTable();  // the observation page works on the observation
    ASSERT_EQ(obs.recordCount(), 1);
    const QString original = obs["TXOBSPROPFAS"].asString();
    const auto onServer = [&](const QString& sql) {
        return testServer().db().scalar(sql + " FROM OBSPROPFAS WHERE NRPROPOSFAS = :N", {{"N", number(1)}});
    };
    const auto serverText = [&] { return onServer("SELECT TXOBSPROPFAS").toString(); };
    const auto setServerText = [&](const QString& text) {
        testServer().db().exec("UPDATE OBSPROPFAS SET TXOBSPROPFAS = :T WHERE NRPROPOSFAS = :N", {{"T", text}, {"N", number(1)}});
    };
    const auto confirm = [&] { return runHandler([&] { screen->sbtConfirmarClick(); }); };
    setServerText("<p>Outro usuário.</p>");  // another user changes the observation meanwhile

    ASSERT_TRUE(runHandler([&] { screen->sbtAlterarClick(); }));
    obs["TXOBSPROPFAS"].setAsString("<p>Prazo de entrega: 30 dias.</p>");
    EXPECT_FALSE(confirm());
    EXPECT_EQ(dialogs.errors(), QStringList{"Registro alterado ou excluído por outro usuário."});
    EXPECT_EQ(obs.changeCount(), 1) << "the change log is kept for the next try";
    EXPECT_EQ(obs["TXOBSPROPFAS"].asString(), "<p>Prazo de entrega: 30 dias.</p>");
    EXPECT_EQ(serverText(), "<p>Outro usuário.</p>") << "nothing was written";
    // The pending change stays visible.
    EXPECT_TRUE(screen->mnuConfirmar->enabled() && screen->mnuCancelar->enabled() && !screen->statusBar()->currentMessage().isEmpty());

    // Reloading the page does not throw the pending rows away: it tries to send them first.
    dialogs.clearShown();
    EXPECT_FALSE(runHandler([&] { screen->cdsPropostaAfterScroll(); }));
    EXPECT_EQ(obs["TXOBSPROPFAS"].asString(), "<p>Prazo de entrega: 30 dias.</p>");

    // The other user's change is undone; a second Confirmar sends the kept change.
    setServerText(original);
    dialogs.clearShown();
    EXPECT_TRUE(confirm() && dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    EXPECT_EQ(obs.changeCount(), 0);
    EXPECT_EQ(serverText(), "<p>Prazo de entrega: 30 dias.</p>");
    EXPECT_FALSE(screen->mnuConfirmar->enabled());
    EXPECT_EQ(screen->NR(), number(1)) << "the proposal kept current on the list read again";

    // Cancelar gives up a refused change and shows the server's rows.
    testServer().db().exec("DELETE FROM OBSPROPFAS WHERE NRPROPOSFAS = :N", {{"N", number(1)}});
    ASSERT_TRUE(runHandler([&] { screen->sbtAlterarClick(); }));
    obs["TXOBSPROPFAS"].setAsString("<p>Outra.</p>");
    EXPECT_FALSE(confirm());
    ASSERT_EQ(obs.changeCount(), 1);
    dialogs.expectConfirm(true);
    EXPECT_TRUE(runHandler([&] { screen->sbtCancelarClick(); }));
    EXPECT_EQ(obs.changeCount(), 0);
    EXPECT_EQ(obs.recordCount(), 0) << "reloaded: the server has no observation any more";

    // With none, Alterar inserts one; emptied, it is removed.
    for (const char* text : {"<p>Nova observação.</p>", "<p>  </p>"}) {
        ASSERT_TRUE(menu(screen->menus().mnuObserv));
        ASSERT_TRUE(runHandler([&] { screen->sbtAlterarClick(); }));
        ASSERT_TRUE(obs.isEditing());
        EXPECT_EQ(obs["NRPROPOSFAS"].asString(), number(1));
        obs["TXOBSPROPFAS"].setAsString(QString::fromUtf8(text));
        ASSERT_TRUE(confirm()) << dialogs.allTexts().join(u'|').toStdString();
        EXPECT_EQ(onServer("SELECT COUNT(*)").toInt(), QString(text).contains("Nova") ? 1 : 0) << "an observation of blanks is not kept";
    }
}

}  // namespace
