#include "db_grid_model.h"

#include "data/field.h"
#include "db_grid_sort.h"

namespace cot {

QString TColumn::caption() const {
    if (!title.isEmpty()) return title;
    return field ? field->label() : fieldName;
}

namespace {

Qt::Alignment alignmentOf(const TColumn& c) {
    if (c.alignment) return c.alignment | Qt::AlignVCenter;
    if (!c.field) return Qt::AlignLeft | Qt::AlignVCenter;
    switch (c.field->alignment) {
    case FieldAlignment::Right: return Qt::AlignRight | Qt::AlignVCenter;
    case FieldAlignment::Center: return Qt::AlignHCenter | Qt::AlignVCenter;
    case FieldAlignment::Left: break;
    }
    const FieldType t = c.field->dataType();
    if (t == FieldType::Float || t == FieldType::Integer) return Qt::AlignRight | Qt::AlignVCenter;
    return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace

DataSetModel::DataSetModel(QObject* parent) : QAbstractTableModel(parent) {}

int DataSetModel::displayRowCount(const ClientTable* table) {
    if (!table || !table->active()) return 0;
    return table->recordCount() + (table->state() == DataSetState::Insert ? 1 : 0);
}

DataSetModel::~DataSetModel() {
    if (source_) source_->removeLink(this);
}

void DataSetModel::setDataSource(DataSource* source) {
    if (source_ == source) return;
    if (source_) source_->removeLink(this);
    source_ = source;
    // The source refreshes its links on every state and data change.
    if (source) source->addLink(this);
    refresh();
}

ClientTable* DataSetModel::dataSet() const { return source_ ? source_->dataSet() : nullptr; }

void DataSetModel::setColumns(const QList<TColumn*>* columns) {
    columns_ = columns;
    columnsChanged();
}

void DataSetModel::columnsChanged() {
    if (beforeReset) beforeReset();
    beginResetModel();
    ClientTable* ds = dataSet();
    rows_ = displayRowCount(ds);
    resort();
    endResetModel();
    emit currentRowMoved(currentViewRow());
}

int DataSetModel::currentViewRow() const {
    ClientTable* ds = dataSet();
    return ds && ds->active() && rows_ > 0 ? viewRow(ds->recNo() - 1) : -1;
}

void DataSetModel::resort() {
    order_.clear();
    position_.clear();
    ClientTable* ds = dataSet();
    Field* f = ds && !sortField_.isEmpty() ? ds->findField(sortField_) : nullptr;
    if (!f || !ds->active() || ds->state() == DataSetState::Insert) {
        sortField_.clear();
        return;
    }
    order_ = sortedRows(*ds, *f, sortOrder_);
    position_.resize(order_.size());
    for (int v = 0; v < order_.size(); ++v) position_[order_[v]] = v;
}

void DataSetModel::sortBy(const QString& fieldName, Qt::SortOrder order) {
    if (beforeReset) beforeReset();
    beginResetModel();
    sortField_ = fieldName;
    sortOrder_ = order;
    resort();
    endResetModel();
    emit currentRowMoved(currentViewRow());
}

void DataSetModel::clearSort() { sortBy(QString(), Qt::AscendingOrder); }

void DataSetModel::rebind() {
    for (const auto& c : tableConnections_) disconnect(c);
    tableConnections_.clear();
    bound_ = dataSet();
    if (bound_) {
        // A reloaded table may bring other fields: the grid resolves its columns again.
        tableConnections_ << connect(bound_, &ClientTable::dataSetChanged, this, [this] { emit tableChanged(); });
    }
    emit tableChanged();
}

void DataSetModel::refresh() {
    if (bound_ != dataSet()) {
        rebind();
        return;
    }
    sync();
}

void DataSetModel::updateRecord() {
    if (onUpdateRecord) onUpdateRecord();
}

void DataSetModel::sync() {
    ClientTable* ds = dataSet();
    if (ds != bound_) {
        rebind();
        return;
    }
    const bool active = ds && ds->active();
    const int rows = displayRowCount(ds);
    if (rows != rows_) {
        if (beforeReset) beforeReset();
        beginResetModel();
        rows_ = rows;
        resort();
        endResetModel();
    } else if (rows_ > 0 && columnCount() > 0) {
        emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1));
    }
    emit currentRowMoved(active && rows_ > 0 ? viewRow(ds->recNo() - 1) : -1);
}

int DataSetModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int DataSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !columns_ ? 0 : columns_->size();
}

Field* DataSetModel::fieldOf(int column) const {
    if (!columns_ || column < 0 || column >= columns_->size()) return nullptr;
    return columns_->at(column)->field;
}

QString DataSetModel::cellText(int row, int column) const {
    ClientTable* ds = dataSet();
    Field* f = fieldOf(column);
    if (!ds || !f || !ds->active() || row < 0 || row >= rows_) return {};
    ClientTable::RowView view(*ds, tableRow(row));
    return f->displayText();
}

QVariant DataSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    switch (role) {
    case Qt::DisplayRole: return cellText(index.row(), index.column());
    case Qt::EditRole: {
        ClientTable* ds = dataSet();
        Field* f = fieldOf(index.column());
        if (!ds || !f || !ds->active()) return QString();
        ClientTable::RowView view(*ds, tableRow(index.row()));
        return f->text();
    }
    case Qt::TextAlignmentRole: return QVariant::fromValue(alignmentOf(*columns_->at(index.column())));
    default: return {};
    }
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && columns_ && section >= 0 && section < columns_->size()) {
        if (role == Qt::DisplayRole) return columns_->at(section)->caption();
        if (role == Qt::TextAlignmentRole) return QVariant::fromValue(alignmentOf(*columns_->at(section)));
        return {};
    }
    if (orientation == Qt::Vertical && role == Qt::DisplayRole) {
        ClientTable* ds = dataSet();
        if (ds && ds->active() && tableRow(section) == ds->recNo() - 1) return QStringLiteral("▶");
        return QString();
    }
    return {};
}

Qt::ItemFlags DataSetModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (cellEditable && cellEditable(*columns_->at(index.column()))) f |= Qt::ItemIsEditable;
    return f;
}

bool DataSetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole) return false;
    ClientTable* ds = dataSet();
    Field* f = fieldOf(index.column());
    if (!ds || !f) return false;
    // Only the current row is ever edited; the grid keeps the two together.
    if (tableRow(index.row()) != ds->recNo() - 1) return false;
    f->setText(value.toString());
    return true;
}

}  // namespace cot
