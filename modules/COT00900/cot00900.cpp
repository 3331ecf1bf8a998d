// Entry of the list module: IniProc([table reference, message, modal]).
#include <QApplication>

#include "data/client_table.h"
#include "list_window.h"
#include "base/errors.h"
#include "services/load_bpl.h"
#include "ui/modal_runner.h"

namespace {

// The third element asks for a modal window (the usual case: the caller stops until the
// user has read the list); false leaves the window open beside the screen.
void showList(cot::ClientTable& table, const QString& message, bool modal) {
    cot::LookupRows rows = cot::readLookupRows(table);
    if (modal) {
        cot::cot00900::ListWindow window(message, std::move(rows), QApplication::activeWindow());
        cot::ModalRunner::current().exec(window);
        return;
    }
    auto* window = new cot::cot00900::ListWindow(message, std::move(rows), QApplication::activeWindow());
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

}  // namespace

extern "C" Q_DECL_EXPORT void IniProc(const QVariantList* params) {
    const auto invalid = [] { return cot::UserError(QStringLiteral("Parâmetros inválidos para o módulo COT00900.")); };
    if (!params || params->size() < 2) throw invalid();
    cot::ClientTable* table = cot::tableFromReference(params->at(0));
    if (!table || !table->active()) throw invalid();
    const bool modal = params->size() < 3 || params->at(2).toBool();
    showList(*table, params->at(1).toString(), modal);
}
