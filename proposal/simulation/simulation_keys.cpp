#include "proposal/simulation/simulation_keys.h"

#include "ui/db_grid_columns.h"

namespace cot::simulation_keys {

bool isColumn(const TColumn* column, const QString& field) {
    return column && column->fieldName.compare(field, Qt::CaseInsensitive) == 0;
}

void orderKey(QChar& key) {
    const char16_t c = key.unicode();
    if ((c >= u'0' && c <= u'9') || c == 8 || c == 9 || c == 13 || c == 27 || c == u' ') return;
    key = QChar();
}

void noRecordDelete(int& key, Qt::KeyboardModifiers modifiers) {
    if (key == Qt::Key_Delete && (modifiers & Qt::ControlModifier)) key = 0;
}

}  // namespace cot::simulation_keys
