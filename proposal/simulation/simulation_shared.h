#pragma once
// Pieces the two grids of the simulation page share: their total edits and the order check.
#include <QString>
#include <QVariantList>

class QHBoxLayout;
class QWidget;

namespace cot {

class ClientTable;
class TNumberEdit;
class AreaHost;

namespace simulation_shared {

// Orders of simulations and of their lines are kept this wide.
inline constexpr int kOrderWidth = 3;

// A read-only money total with its caption, added to `row`.
TNumberEdit* addTotal(QHBoxLayout& row, QWidget* parent, const char* name, const char* caption);

// The order of the row being edited in `t`: kept three digits wide, required when `report`,
// and unique as the server's `method` answers for `args` followed by the order (any row in
// `answer` means taken). Throws with the catalogue's message; the caller takes the focus.
void checkOrder(AreaHost& host, ClientTable& t, const QString& field, bool report,
                ClientTable& answer, const QString& method, QVariantList args);

}  // namespace simulation_shared
}  // namespace cot
