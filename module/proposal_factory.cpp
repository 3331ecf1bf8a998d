#include <QApplication>
#include <QMainWindow>
#include <QPointer>

#include "dialogs/filter_reload.h"
#include "module/module_factories.h"
#include "proposal/screen/proposal_screen.h"
#include "ui/screen.h"

namespace cot::Cli_cot05000 {

namespace {

// The host's main window, parent of the module's screens (none in tests).
QWidget* hostMainWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(w) && w->isVisible() && !qobject_cast<TfrmPropostaComercial*>(w)) return w;
    return nullptr;
}

// What the module's factory built and keeps while the module is loaded.
struct Built {
    QPointer<TfrmPropostaComercial> screen;  // deleted with its window when closed
    ListFilter filter;
};

// Left to the process's end like the module's code: its widgets may not go after the
// application object.
Built& built() {
    static auto* b = new Built;
    return *b;
}

}  // namespace

TfrmPropostaComercial* proposalScreen() {
    TfrmPropostaComercial* screen = built().screen.data();
    return screen && !screen->closed() ? screen : nullptr;
}

void CriaProposta() {
    HourGlass hourGlass;
    TfrmPropostaComercial* screen = proposalScreen();
    if (!screen) {
        screen = createForm<TfrmPropostaComercial>(hostMainWindow());
        screen->setWindowFlag(Qt::Window, true);
        screen->shareListFilter(built().filter);
        built().screen = screen;
    }
    screen->showMaximized();
    screen->raise();
    screen->activateWindow();
}

void releaseAll() {
    delete built().screen.data();
    built().filter.freeDialog();
}

}  // namespace cot::Cli_cot05000
