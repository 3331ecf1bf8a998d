#pragma once
#include <QAbstractTableModel>
#include <QList>
#include <QPointer>

#include "data/client_table.h"
#include "data/data_source.h"
#include "db_grid_columns.h"

namespace cot {

// Table model over a client table reached through a data source. Rows are the table's
// rows by position (filtered view), read in place without moving the cursor and
// without copying the table, so a grid over tens of thousands of rows stays fast.
class DataSetModel : public QAbstractTableModel, public DataLink {
    Q_OBJECT
public:
    explicit DataSetModel(QObject* parent = nullptr);
    ~DataSetModel() override;

    DataSource* dataSource() const { return source_; }
    void setDataSource(DataSource* source);
    ClientTable* dataSet() const;

    // Columns shown: the grid owns them; the model reads them.
    void setColumns(const QList<TColumn*>* columns);
    void columnsChanged();

    // Editable cells: the grid decides (options, read-only flags, field state).
    std::function<bool(const TColumn&)> cellEditable;
    // Called before the table changes under the view (to close an open editor).
    std::function<void()> beforeReset;
    // Called when the grid must write its pending editor text (post asks).
    std::function<void()> onUpdateRecord;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Writes typed text into the current row through Field::setText. Throws on refusal.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // Rows shown: the table's rows plus the one being inserted, which the table does
    // not count until it is posted.
    static int displayRowCount(const ClientTable* table);

    // Text of one cell (display text of its field on that row).
    QString cellText(int row, int column) const;

    // ----- sorting: the rows shown in the order of one field, the table and its cursor
    // untouched (a permutation of row positions). A reload or a change in the number of
    // rows sorts again; a row being inserted puts the table's order back.
    void sortBy(const QString& fieldName, Qt::SortOrder order);
    void clearSort();
    QString sortField() const { return sortField_; }  // empty: the table's order
    Qt::SortOrder sortOrder() const { return sortOrder_; }
    // The table's row shown at a view row, and the view row showing a table's row.
    int tableRow(int viewRow) const { return order_.isEmpty() ? viewRow : order_.value(viewRow, viewRow); }
    int viewRow(int tableRow) const { return position_.isEmpty() ? tableRow : position_.value(tableRow, tableRow); }

    // DataLink
    void refresh() override;
    void updateRecord() override;

signals:
    void currentRowMoved(int row);  // the table's cursor moved (0-based row, -1 when none)
    void tableChanged();            // another table, or the table reloaded: columns to resolve

private:
    void rebind();
    void sync();
    void resort();
    int currentViewRow() const;
    Field* fieldOf(int column) const;

    QPointer<DataSource> source_;
    QPointer<ClientTable> bound_;
    const QList<TColumn*>* columns_ = nullptr;
    QList<QMetaObject::Connection> tableConnections_;
    int rows_ = 0;
    QString sortField_;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    QList<int> order_;     // view row → table row; empty: the same
    QList<int> position_;  // table row → view row
};

}  // namespace cot
