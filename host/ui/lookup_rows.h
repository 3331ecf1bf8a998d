#pragma once
#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <QVector>

#include "data/client_table.h"

namespace cot {

// The visible columns and rows of a table as lookup windows show them, read once when
// the window opens (display texts through the fields' get-text handlers). Row i is the
// table's row i as ClientTable::withRow counts it, so a pick moves there with setRecNo(i + 1).
struct LookupRows {
    QStringList fieldNames;  // visible fields, in table order
    QStringList headers;     // their labels
    QList<QStringList> cells;
    QStringList keys;        // value of the key field per row (when one was asked for)
    int currentRow = -1;     // the row the table was on

    int rowCount() const { return cells.size(); }
};

// Reads every row without moving the cursor (no table events). `skipFields`
// are left out of the columns even when visible; `keyField` (optional) is read per row.
LookupRows readLookupRows(ClientTable& table, const QStringList& skipFields = {},
                          const QString& keyField = {});

// Read-only model over LookupRows, with an optional leading check column.
class LookupModel : public QAbstractTableModel {
    Q_OBJECT
public:
    LookupModel(LookupRows rows, bool checkColumn, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    const LookupRows& rows() const { return rows_; }
    bool hasCheckColumn() const { return check_; }
    bool isChecked(int row) const { return checked_.value(row); }
    void setChecked(int row, bool on);
    void setAllChecked(bool on);
    QList<int> checkedRows() const;
    // Column of the model that shows `fieldName` (-1 when hidden).
    int columnOf(const QString& fieldName) const;
    // Text shown in a row for a model column (the check column has none).
    QString text(int row, int column) const;

private:
    LookupRows rows_;
    bool check_;
    QVector<bool> checked_;
};

}  // namespace cot
