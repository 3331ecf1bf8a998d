#include <QApplication>
#include <QMainWindow>

#include "module/module_factories.h"
#include "proposal/screen/cli_cot05000.h"
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

}  // namespace

void CriaProposta() {
    HourGlass hourGlass;
    if (!boIdCriado || !frmPropostaComercial) {
        auto* screen = createForm<TfrmPropostaComercial>(hostMainWindow());
        screen->setWindowFlag(Qt::Window, true);
        frmPropostaComercial = screen;
        boIdCriado = true;
    }
    TfrmPropostaComercial* screen = frmPropostaComercial;
    screen->showMaximized();
    screen->raise();
    screen->activateWindow();
}

}  // namespace cot::Cli_cot05000
