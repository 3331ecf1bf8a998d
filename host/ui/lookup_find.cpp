#include "lookup_find.h"

#include "data/client_table.h"
#include "data/text_fold.h"

namespace cot {

bool findRow(ClientTable& table, const QString& fieldName, const QString& text) {
    const QString wanted = text.trimmed();
    if (wanted.isEmpty() || !table.active() || table.isEmpty()) return false;
    Field& field = table.fieldByName(fieldName);
    // Texts are compared without accents and case ("joao" finds "João"); other fields
    // by their shown text, ignoring case.
    const bool textField = field.dataType() == FieldType::String || field.dataType() == FieldType::FixedString ||
                           field.dataType() == FieldType::Memo;
    const QString folded = foldedText(wanted);
    const int count = table.rowCount();
    const int start = qMax(0, table.currentRow());
    // Rows are read in place; the cursor moves once, to the row found.
    for (int step = 1; step <= count; ++step) {
        const int row = (start + step) % count;
        bool match = false;
        table.withRow(row, [&] {
            match = textField ? foldedText(field.displayText()).contains(folded)
                              : field.displayText().contains(wanted, Qt::CaseInsensitive);
        });
        if (match) {
            table.setRecNo(row + 1);
            return true;
        }
    }
    return false;
}

}  // namespace cot
