#pragma once
#include <QString>

namespace cot {

class ClientTable;
class DataSource;

// The host's searches over a table. Each one shows its window through the dialogs
// service (Dialogs::pick / pickMany / find), so tests answer them with scripted dialogs.

namespace Pesquisa {
// `captionAndMessage` is "caption|empty-list message". Shows the visible fields of the
// source's table with a type-to-filter box; true when the user picked a row, and the
// table is left on it. An empty (or closed) table shows the empty-list message and
// returns false. With `pickSingleRow`, a table of exactly one row is picked without
// showing the list.
bool Pesquisar(DataSource& source, const QString& captionAndMessage, bool pickSingleRow = false);
// Same search; kept as a separate entry because screens name it so.
bool Pesquisar_Plus(DataSource& source, const QString& captionAndMessage, bool pickSingleRow = false);
}  // namespace Pesquisa

namespace Pesqlista {
// Several rows with a mark column. `keyTitleMessage` is "KEYFIELD|title|empty-list message".
// Returns the selection text of the key field's values (format in data/selection_text.h:
// 'code1','code2'); "" when cancelled, when nothing was marked or when the table is
// empty (the empty-list message is shown then).
QString PesquisaLista(DataSource& source, const QString& keyTitleMessage);
QString PesquisaLista(DataSource& source, const QString& keyField, const QString& titleAndMessage);
}  // namespace Pesqlista

namespace Procurar {
// Find dialog: a column and a text; moves to the next row whose column contains it. The
// column offered first is `startField` (when the table shows it).
bool Procura(ClientTable& table, const QString& startField = {});
}  // namespace Procurar

}  // namespace cot
