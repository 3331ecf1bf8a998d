#include "event_boundary.h"

#include <QDebug>
#include <exception>

#include "base/dialogs.h"
#include "base/errors.h"

namespace cot {

void showHandlerError(const QString& text) {
    if (Dialogs::installed()) {
        try {
            Dialogs::current().error(text);
            return;
        } catch (...) {
            // A failing dialog must not break the boundary itself.
        }
    }
    qWarning().noquote() << text;
}

bool runHandler(const std::function<void()>& handler) {
    if (!handler) return true;
    try {
        handler();
        return true;
    } catch (const Abort&) {
    } catch (const UserError& e) {
        showHandlerError(e.text());
    } catch (const std::exception& e) {
        showHandlerError(QStringLiteral("Erro: ") + QString::fromUtf8(e.what()));
    } catch (...) {
        showHandlerError(QStringLiteral("Erro inesperado."));
    }
    return false;
}

}  // namespace cot
