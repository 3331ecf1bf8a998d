#include "main_window.h"

#include <QLabel>
#include <QStatusBar>
#include <QVBoxLayout>

#include "screens/change_password_dialog.h"
#include "services/load_bpl.h"
#include "services/session.h"
#include "ui/event_boundary.h"
#include "ui/menus.h"
#include "ui/screen.h"

namespace cot::shell {

MainWindow::MainWindow(const QList<ModuleEntry>& modules, QWidget* parent) : QMainWindow(parent) {
    setObjectName("frmPrincipal");
    setWindowTitle(QStringLiteral("Sistema Comercial"));
    mnuPrincipal = new TMainMenu("mnuPrincipal", this);
    setMenuBar(mnuPrincipal->bar());
    QHash<QString, TMenuItem*> groups;
    int n = 0;
    for (const ModuleEntry& entry : modules) {
        TMenuItem*& group = groups[entry.menu];
        if (!group) group = mnuPrincipal->add(QStringLiteral("mnu") + entry.menu, QLatin1Char('&') + entry.menu);
        TMenuItem* item = group->add(QStringLiteral("mnuModulo%1").arg(++n), entry.caption);
        const QString module = entry.module;
        item->onClick = [this, module] { openModule(module); };
    }
    TMenuItem* system = mnuPrincipal->add("mnuSistema", QStringLiteral("&Sistema"));
    TMenuItem* password = system->add("mnuAlterarSenha", QStringLiteral("&Alterar senha..."));
    password->onClick = [this] {
        TfrmAlteraSenha dialog(this);
        dialog.ShowModal();
    };
    TMenuItem* quit = system->add("mnuSair", QStringLiteral("Sai&r"));
    quit->onClick = [this] { close(); };

    auto* central = new QWidget(this);
    central->setObjectName("panFundo");
    auto* layout = new QVBoxLayout(central);
    auto* welcome = new QLabel(QStringLiteral("Escolha um módulo no menu."), central);
    welcome->setObjectName("lblBemVindo");
    welcome->setAlignment(Qt::AlignCenter);
    layout->addWidget(welcome);
    setCentralWidget(central);

    lblSessao = new QLabel(this);
    lblSessao->setObjectName("lblSessao");
    statusBar()->addWidget(lblSessao, 1);
    refreshStatus();
    resize(1024, 700);
}

void MainWindow::refreshStatus() {
    lblSessao->setText(QStringLiteral("Operador: %1 - %2   Filial: %3   Servidor: %4:%5")
                           .arg(Session::instance().operatorCode(), Session::instance().operatorName(), Session::instance().branch(), Session::instance().serverHost())
                           .arg(Session::instance().serverPort()));
}

bool MainWindow::openModule(const QString& module) {
    return runHandler([&] {
        HourGlass busy;
        LoadBPL(module, {});
    });
}

}  // namespace cot::shell
