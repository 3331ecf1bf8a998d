#pragma once
#include <QString>
#include <functional>

namespace cot {

// Every event handler of every control runs through here, so no exception ever
// reaches Qt's event loop:
//   Abort            → silent (whoever raised it already told the user);
//   UserError        → its text shown as an error;
//   std::exception   → "Erro: <what>";
//   anything else    → "Erro inesperado.".
// Returns false when the handler failed, so callers can undo what the event did
// (keep the focus, keep the grid column, refuse the page change...).
bool runHandler(const std::function<void()>& handler);

// Shows an error through the dialogs service, or the log when none is installed.
void showHandlerError(const QString& text);

}  // namespace cot
