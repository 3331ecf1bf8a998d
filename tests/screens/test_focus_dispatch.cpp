// Enter/exit events across nested containers, failing exits, the error boundary,
// page controls and menus.
#include <gtest/gtest.h>

#include <QVBoxLayout>

#include "base/errors.h"
#include "support/screen_widgets.h"
#include "support/scripted_dialogs.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/edits.h"
#include "ui/event_boundary.h"
#include "ui/focus_dispatcher.h"
#include "ui/menus.h"
#include "ui/page_control.h"
#include "ui/screen.h"

using namespace cot;
using namespace cot::testing;

namespace {

// panA { edtA1, grbInner { edtA2 } }, panB { edtB1 }
struct Form {
    // The application must exist before the first widget member.
    struct App { App() { ensureApplication(); } } app;
    QWidget window;
    TPanel* panA = new TPanel("panA", &window);
    TGroupBox* grbInner = new TGroupBox("grbInner", panA, "Interno");
    TPanel* panB = new TPanel("panB", &window);
    TEdit *edtA1 = new TEdit("edtA1", panA), *edtA2 = new TEdit("edtA2", grbInner), *edtB1 = new TEdit("edtB1", panB);
    QStringList log;
    ScriptedDialogs dialogs;
    ScriptedDialogs::Scope scope{dialogs};

    Form() {
        for (auto [box, parts] : {std::pair<QWidget*, QList<QWidget*>>{&window, {panA, panB}}, {panA, {edtA1, grbInner}},
                                  {grbInner, {edtA2}}, {panB, {edtB1}}})
            for (QWidget* w : parts) (box->layout() ? box->layout() : new QVBoxLayout(box))->addWidget(w);
        for (Control* c : std::initializer_list<Control*>{panA, grbInner, panB, edtA1, edtA2, edtB1}) {
            const QString n = c->name();
            c->onEnter = [this, n] { log << n + ".enter"; };
            c->onExit = [this, n] { log << n + ".exit"; };
        }
        showAndActivate(window);
    }
};

}  // namespace

// The events run in order across nested containers; another window's focus does not take
// the screen's control.
TEST(FocusDispatch, EnterAndExitRunAcrossNestedContainersInOrderAndADialogDoesNotTakeTheControl) {
    Form f;
    ASSERT_TRUE(focusWidget(*f.edtA1));
    focusWidget(*f.edtA2);
    focusWidget(*f.edtB1);
    EXPECT_EQ(f.log, QStringList({"panA.enter", "edtA1.enter", "edtA1.exit", "grbInner.enter", "edtA2.enter", "edtA2.exit",
                                  "grbInner.exit", "panA.exit", "panB.enter", "edtB1.enter"}));
    EXPECT_EQ(FocusDispatcher::activeControl(), f.edtB1);
    EXPECT_EQ(Screen::activeControl(), f.edtB1);

    QWidget dialog;
    auto* other = new TEdit("edtDialog", &dialog);
    (new QVBoxLayout(&dialog))->addWidget(other);
    f.log.clear();
    showAndActivate(dialog);
    focusWidget(*other);
    showAndActivate(f.window);
    focusWidget(*f.edtB1);
    EXPECT_FALSE(f.log.contains("edtB1.exit") || f.log.contains("edtB1.enter")) << f.log.join(u' ').toStdString();
}

// A failing exit is shown once, keeps the focus and runs no enter; once the handler accepts,
// the move happens (the containers were never left). A handler that focuses the offending
// field itself and aborts is silent, its exit not repeated; an enter moving the focus on
// does not nest.
TEST(FocusDispatch, FailingAbortingAndFocusMovingHandlers) {
    Form f;
    focusWidget(*f.edtA2);
    f.edtA2->onExit = [&] { f.log << "edtA2.exit"; throw UserError("Índice deve ser informado."); };
    f.log.clear();
    focusWidget(*f.edtB1);
    EXPECT_EQ(f.log, QStringList({"edtA2.exit"}));
    EXPECT_EQ(f.dialogs.errors(), QStringList({"Índice deve ser informado."}));
    EXPECT_EQ(f.window.focusWidget(), f.edtA2);
    f.edtA2->onExit = [&] { f.log << "edtA2.exit"; };
    f.log.clear();
    focusWidget(*f.edtB1);
    EXPECT_EQ(f.log, QStringList({"edtA2.exit", "grbInner.exit", "panA.exit", "panB.enter", "edtB1.enter"}));

    f.edtB1->onExit = [&] { f.log << "edtB1.exit"; f.edtA1->setFocus(); throw Abort(); };
    f.log.clear();
    focusWidget(*f.edtA2);
    EXPECT_EQ(f.dialogs.errors().size(), 1);
    EXPECT_EQ(f.window.focusWidget(), f.edtA1);
    EXPECT_EQ(f.log, QStringList({"edtB1.exit", "panB.exit", "panA.enter", "edtA1.enter"}));

    f.edtB1->onExit = [&] { f.log << "edtB1.exit"; };
    focusWidget(*f.edtB1);
    int enters = 0;
    // Skips itself, as screens do to reach the first editable field.
    f.edtA1->onEnter = [&] { ++enters; f.log << "edtA1.enter"; f.edtA2->setFocus(); };
    f.log.clear();
    focusWidget(*f.edtA1);
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(f.window.focusWidget(), f.edtA2);
    EXPECT_EQ(f.log, QStringList({"edtB1.exit", "panB.exit", "panA.enter", "edtA1.enter", "edtA1.exit",
                                  "grbInner.enter", "edtA2.enter"}));
}

TEST(Screen, ErrorBoundaryShowsErrorsSwallowsAbortsAndCatchesClicksBusyCursorAndChildEnabling) {
    ensureApplication();
    ScriptedDialogs dialogs;
    ScriptedDialogs::Scope scope(dialogs);
    EXPECT_TRUE(runHandler([] {}) && runHandler(nullptr));
    EXPECT_FALSE(runHandler([] { throw Abort(); }) || runHandler([] { throw UserError("Data inválida."); }) ||
                 runHandler([] { throw std::runtime_error("disco cheio"); }) || runHandler([] { throw 42; }));
    TButton button("btnOk", nullptr, "OK");
    button.onClick = [] { throw std::logic_error("falhou"); };
    button.click();
    EXPECT_EQ(dialogs.errors(), QStringList({"Data inválida.", "Erro: disco cheio", "Erro inesperado.", "Erro: falhou"}));

    // The cursor while busy; children enabled and disabled below a panel that stays enabled.
    { HourGlass busy; EXPECT_EQ(Screen::cursor(), -11); }
    EXPECT_EQ(Screen::cursor(), 0);

    TPanel panel("panVenc");
    auto* edit = new TEdit("edt", &panel);
    auto* deep = new TEdit("deep", new TPanel("inner", &panel));
    const auto enabled = [&] { return QList<bool>({panel.isEnabled(), edit->isEnabled(), deep->isEnabled()}); };
    SetChildEnabled(&panel, false);
    EXPECT_EQ(enabled(), QList<bool>({true, false, false}));
    SetChildEnabled(&panel, true);
    EXPECT_EQ(enabled(), QList<bool>({true, true, true}));
}

TEST(PageControlAndMenus, UserPageChangesAskFirstCodeChangesAreSilentAndEntriesHaveToolbarMirrorsAndPopups) {
    ensureApplication();
    TPageControl pgc("pgcPadrao");
    auto* list = new TTabSheet("tshPadrao", &pgc, "Proposta");
    auto* form = new TTabSheet("tshProposta", &pgc, "Formulário");
    auto* simulation = new TTabSheet("tshSimulaLinp", &pgc, "Simulação de linha de produto");
    simulation->setTabVisible(false);
    EXPECT_EQ(pgc.tabBar()->count(), 2);

    int changes = 0;
    bool allow = false;
    pgc.onChange = [&] { ++changes; };
    pgc.onChanging = [&](bool& ok) { ok = allow; };

    // The page shown and the count of change events after each step.
    const auto now = [&] { return std::pair{pgc.activePage(), changes}; };
    EXPECT_FALSE(pgc.selectByUser(form));
    EXPECT_EQ(now(), std::pair(list, 0));
    allow = true;
    EXPECT_TRUE(pgc.selectByUser(form));
    EXPECT_EQ(now(), std::pair(form, 1));

    // A page with a hidden tab is reached from code (a menu), without events.
    pgc.setActivePage(simulation);
    EXPECT_EQ(now(), std::pair(simulation, 1));
    EXPECT_EQ(pgc.activePageIndex(), 2);

    // Clicking the tab the bar still marks as current brings its page back.
    ASSERT_EQ(pgc.tabBar()->currentIndex(), 0);
    emit pgc.tabBar()->tabBarClicked(0);
    EXPECT_EQ(now(), std::pair(list, 2));
    pgc.tabBar()->setCurrentIndex(1);  // keyboard or click on another tab
    EXPECT_EQ(now(), std::pair(form, 3));

    // Menu entries, their toolbar mirror and a popup.
    QWidget window;
    TMainMenu menu("mnuMenu", &window);
    TMenuItem* filter = menu.add("mnuArquivo", "&Arquivo")->add("mnuFiltro", "&Filtrar");
    filter->setShortcut("Ctrl+L");
    int clicks = 0;
    filter->onClick = [&] { ++clicks; };
    EXPECT_TRUE(filter->shortcut() == QKeySequence("Ctrl+L") && menu.find("MNUFILTRO") == filter);

    TSpeedButton button("sbtFiltro", &window);
    button.mirror(filter);
    button.onClick = [&] { filter->click(); };
    filter->setEnabled(false);
    EXPECT_FALSE(button.isEnabled() || filter->click());
    filter->setEnabled(true);
    EXPECT_TRUE(button.isEnabled());
    button.click();
    filter->action()->trigger();
    EXPECT_EQ(clicks, 2);

    TPopupMenu popup("popAnexo", &window);
    QStringList chosen;
    for (const char* name : {"a.txt.zip", "b.zip", "-", "Remover Anexos..."}) {
        TMenuItem* item = popup.add(QString(), name);
        item->tag = popup.count() - 1;
        item->onClick = [&chosen, item] { chosen << QString::number(item->tag) + ":" + item->caption(); };
    }
    EXPECT_TRUE(popup.item(2)->isSeparator());
    popup.item(3)->click();
    EXPECT_EQ(chosen, QStringList({"3:Remover Anexos..."}));
    popup.clear();
    EXPECT_EQ(popup.count(), 0);
}
