#include "lookup_find.h"

#include "data/client_dataset.h"

namespace cot {

bool findRow(ClientDataSet& table, const QString& fieldName, const QString& text) {
    const QString wanted = text.trimmed();
    if (wanted.isEmpty() || !table.active() || table.isEmpty()) return false;
    Field& field = table.fieldByName(fieldName);
    const int count = table.recordCount();
    const int start = qMax(1, table.recNo());
    const Bookmark from = table.bookmark();

    table.disableControls();
    bool found = false;
    try {
        for (int step = 1; step <= count && !found; ++step) {
            table.setRecNo((start - 1 + step) % count + 1);
            found = field.displayText().contains(wanted, Qt::CaseInsensitive);
        }
        if (!found && table.bookmarkValid(from)) table.gotoBookmark(from);
    } catch (...) {
        table.enableControls();
        throw;
    }
    table.enableControls();
    return found;
}

}  // namespace cot
