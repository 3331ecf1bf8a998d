#include "lookup_rows.h"

namespace cot {

LookupRows readLookupRows(ClientTable& table, const QStringList& skipFields, const QString& keyField) {
    LookupRows out;
    if (!table.active()) return out;
    QList<Field*> fields;
    for (int i = 0; i < table.fieldCount(); ++i) {
        Field& f = table.field(i);
        if (!f.visible || skipFields.contains(f.fieldName(), Qt::CaseInsensitive)) continue;
        fields << &f;
        out.fieldNames << f.fieldName();
        out.headers << f.label();
    }
    Field* key = keyField.isEmpty() ? nullptr : &table.fieldByName(keyField);

    // Rows are read in place: the cursor does not move and no table event runs.
    const int count = table.rowCount();
    out.cells.reserve(count);
    for (int row = 0; row < count; ++row) {
        table.withRow(row, [&] {
            QStringList cells;
            cells.reserve(fields.size());
            for (Field* f : fields) cells << f->displayText();
            out.cells << cells;
            if (key) out.keys << key->asString();
        });
    }
    out.currentRow = table.currentRow();
    return out;
}

LookupModel::LookupModel(LookupRows rows, bool checkColumn, QObject* parent)
    : QAbstractTableModel(parent), rows_(std::move(rows)), check_(checkColumn),
      checked_(rows_.rowCount(), false) {}

int LookupModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_.rowCount();
}

int LookupModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_.fieldNames.size() + (check_ ? 1 : 0);
}

QString LookupModel::text(int row, int column) const {
    const int c = column - (check_ ? 1 : 0);
    if (row < 0 || row >= rows_.rowCount() || c < 0 || c >= rows_.fieldNames.size()) return {};
    return rows_.cells[row][c];
}

QVariant LookupModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (check_ && index.column() == 0) {
        if (role == Qt::CheckStateRole) return checked_.value(index.row()) ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return text(index.row(), index.column());
    return {};
}

QVariant LookupModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    if (check_ && section == 0) return QString();
    return rows_.headers.value(section - (check_ ? 1 : 0));
}

Qt::ItemFlags LookupModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (check_ && index.column() == 0) f |= Qt::ItemIsUserCheckable;
    return f;
}

bool LookupModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!check_ || index.column() != 0 || role != Qt::CheckStateRole) return false;
    setChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

void LookupModel::setChecked(int row, bool on) {
    if (row < 0 || row >= checked_.size() || checked_[row] == on) return;
    checked_[row] = on;
    const QModelIndex i = index(row, 0);
    emit dataChanged(i, i, {Qt::CheckStateRole});
}

void LookupModel::setAllChecked(bool on) {
    if (checked_.isEmpty()) return;
    checked_.fill(on);
    emit dataChanged(index(0, 0), index(checked_.size() - 1, 0), {Qt::CheckStateRole});
}

QList<int> LookupModel::checkedRows() const {
    QList<int> out;
    for (int i = 0; i < checked_.size(); ++i)
        if (checked_[i]) out << i;
    return out;
}

int LookupModel::columnOf(const QString& fieldName) const {
    for (int i = 0; i < rows_.fieldNames.size(); ++i)
        if (rows_.fieldNames[i].compare(fieldName, Qt::CaseInsensitive) == 0) return i + (check_ ? 1 : 0);
    return -1;
}

}  // namespace cot
