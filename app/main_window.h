#pragma once
#include <QMainWindow>

#include "module_registry.h"

class QLabel;

namespace cot {
class TMainMenu;
}

namespace cot::shell {

// The shell's main window: one menu per module group ("Comercial"), whose entries open
// their module through LoadBPL, and a status line with operator, branch and server.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(const QList<ModuleEntry>& modules, QWidget* parent = nullptr);
    void refreshStatus();
    // What choosing an entry does (also for tests): opens the module, errors shown.
    bool openModule(const QString& module);

    cot::TMainMenu* mnuPrincipal;
    QLabel* lblSessao;
};

}  // namespace cot::shell
