#include "client_table.h"
#include "client_table_impl.h"

namespace cot {

// Reads of fields go to `row` (a display row) while the view lives; the cursor,
// the state and the events are untouched.
ClientTable::RowView::RowView(const ClientTable& table, int row)
    : table_(table), previous_(table.d->readRow) {
    table.d->readRow = row < 0 ? -2 : row;  // -2: a row that does not exist
}

ClientTable::RowView::~RowView() { table_.d->readRow = previous_; }

}  // namespace cot
