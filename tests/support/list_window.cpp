#include "support/list_window.h"

#include <QLabel>
#include <QTableView>

#include "support/scripted_modal_runner.h"

namespace cot::testing {

void expectListWindow(::ScriptedModalRunner& runner, ListedWindow& out, int columns) {
    runner.expect(
        [&out, columns](QWidget& w) {
            if (auto* label = w.findChild<QLabel*>("lblMensagem")) out.message = label->text();
            auto* grid = w.findChild<QTableView*>("dbgLista");
            if (!grid) return;
            for (int r = 0; r < grid->model()->rowCount(); ++r) {
                QStringList cells;
                for (int c = 0; c < columns && c < grid->model()->columnCount(); ++c)
                    cells << grid->model()->index(r, c).data().toString();
                out.rows << cells.join(u' ');
            }
        },
        "frmCOT00900");
}

}  // namespace cot::testing
