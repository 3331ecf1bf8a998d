#include "db_grid.h"

#include <QHeaderView>
#include <QMouseEvent>

#include "data/client_table.h"
#include "data/data_source.h"
#include "db_grid_delegate.h"
#include "db_grid_model.h"
#include "edit_mask.h"
#include "event_boundary.h"
#include "base/dialogs.h"
#include "base/errors.h"

namespace cot {

TDBGrid::TDBGrid(const QString& name, QWidget* parent)
    : ControlWidget<QTableView>(name, parent), model_(new DataSetModel(this)), delegate_(new GridDelegate(this)) {
    setModel(model_);
    setItemDelegate(delegate_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setMouseTracking(true);
    setWordWrap(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setFixedWidth(14);
    model_->setColumns(&columns_);
    model_->cellEditable = [this](const TColumn& c) { return cellEditable(c); };
    model_->beforeReset = [this] { hideEditor(); };
    model_->onUpdateRecord = [this] {
        // Post asks: the editor's text goes into the field, refusals propagate to the post.
        if (editor_ && editor_->isModified()) {
            model_->setData(editedIndex(), editorText(), Qt::EditRole);
            editor_->setModified(false);
        }
    };
    connect(model_, &DataSetModel::currentRowMoved, this, [this](int row) { followTable(row); });
    connect(model_, &DataSetModel::tableChanged, this, [this] { resolveColumns(); });
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (TColumn* c = column(section); c && onTitleClick) runHandler([&] { onTitleClick(*c); });
        if (sortable_) titleSortClick(section);
    });
    // The model drops its order when a row is being inserted: the arrow follows.
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { showSortIndicator(); });
    applyOptions();
}

TDBGrid::~TDBGrid() {
    model_->cellEditable = nullptr;
    model_->beforeReset = nullptr;
    model_->onUpdateRecord = nullptr;
    qDeleteAll(columns_);
}

DataSource* TDBGrid::dataSource() const { return model_->dataSource(); }
void TDBGrid::setDataSource(DataSource* source) { model_->setDataSource(source); }
ClientTable* TDBGrid::dataSet() const { return model_->dataSet(); }

// ----- columns

TColumn* TDBGrid::addColumn(const QString& fieldName, const QString& title, int width) {
    if (!declared_) {
        qDeleteAll(columns_);
        columns_.clear();
        declared_ = true;
    }
    auto* c = new TColumn;
    c->fieldName = fieldName;
    c->title = title;
    c->width = width;
    columns_.append(c);
    resolveColumns();
    return c;
}

void TDBGrid::clearColumns() {
    qDeleteAll(columns_);
    columns_.clear();
    declared_ = false;
    resolveColumns();
}

TColumn* TDBGrid::columnOf(const QString& fieldName) const {
    for (TColumn* c : columns_)
        if (c->fieldName.compare(fieldName, Qt::CaseInsensitive) == 0) return c;
    return nullptr;
}

void TDBGrid::columnsChanged() { resolveColumns(); }

void TDBGrid::resolveColumns() {
    ClientTable* ds = dataSet();
    if (!declared_) {
        qDeleteAll(columns_);
        columns_.clear();
        if (ds) {
            for (int i = 0; i < ds->fieldCount(); ++i) {
                Field& f = ds->field(i);
                if (!f.visible) continue;
                auto* c = new TColumn;
                c->fieldName = f.fieldName();
                columns_.append(c);
            }
        }
    }
    for (int i = 0; i < columns_.size(); ++i) {
        TColumn* c = columns_[i];
        c->index = i;
        c->field = ds ? ds->findField(c->fieldName) : nullptr;
    }
    model_->columnsChanged();
    const int charWidth = fontMetrics().averageCharWidth();
    for (int i = 0; i < columns_.size(); ++i) {
        const TColumn* c = columns_[i];
        int width = c->width;
        if (width <= 0) {
            int chars = c->field ? (c->field->displayWidth > 0 ? c->field->displayWidth : c->field->size()) : 0;
            if (chars <= 0) chars = 12;
            width = qBound(24, qMax(chars, int(c->caption().size())) * charWidth + 8, 400);
        }
        setColumnWidth(i, width);
        setColumnHidden(i, !c->visible);
    }
    if (lastColumn_ >= columns_.size()) lastColumn_ = columns_.isEmpty() ? 0 : columns_.size() - 1;
}

// ----- sorting

void TDBGrid::setSortable(bool on) {
    sortable_ = on;
    if (!on && !model_->sortField().isEmpty()) model_->clearSort();
    showSortIndicator();
}

void TDBGrid::sortByColumn(int index, Qt::SortOrder order) {
    TColumn* c = column(index);
    if (!c || !c->field) return;
    if (!commitEditor()) return;
    hideEditor();
    model_->sortBy(c->fieldName, order);
}

void TDBGrid::titleSortClick(int index) {
    TColumn* c = column(index);
    if (!c || !c->field) return;
    const bool same = model_->sortField().compare(c->fieldName, Qt::CaseInsensitive) == 0;
    if (!same) sortByColumn(index, Qt::AscendingOrder);
    else if (model_->sortOrder() == Qt::AscendingOrder) sortByColumn(index, Qt::DescendingOrder);
    else if (commitEditor()) model_->clearSort();
}

void TDBGrid::showSortIndicator() {
    QHeaderView* header = horizontalHeader();
    const TColumn* c = model_->sortField().isEmpty() ? nullptr : columnOf(model_->sortField());
    header->setSortIndicatorShown(c != nullptr);
    header->setSortIndicator(c ? c->index : -1, model_->sortOrder());
}

// ----- options

void TDBGrid::setOptions(GridOptions options) {
    const bool losesEditing = (options_ & dgEditing) && !(options & dgEditing);
    options_ = options;
    if (losesEditing && editor_) {
        commitEditor();
        hideEditor();
    }
    applyOptions();
}

void TDBGrid::applyOptions() {
    horizontalHeader()->setVisible(hasOption(dgTitles));
    verticalHeader()->setVisible(hasOption(dgIndicator));
    setShowGrid(hasOption(dgColLines) || hasOption(dgRowLines));
    setSelectionBehavior(hasOption(dgRowSelect) ? SelectRows : SelectItems);
    setTabKeyNavigation(hasOption(dgTabs));
    horizontalHeader()->setSectionResizeMode(hasOption(dgColumnResize) ? QHeaderView::Interactive : QHeaderView::Fixed);
    viewport()->update();
}

bool TDBGrid::canModify() const {
    ClientTable* ds = dataSet();
    DataSource* src = dataSource();
    return ds && src && src->enabled && ds->active() && !readOnly_;
}

bool TDBGrid::cellEditable(const TColumn& c) const {
    return hasOption(dgEditing) && !hasOption(dgRowSelect) && canModify() && !c.readOnly && c.field &&
           c.field->kind() == FieldKind::Data && !c.field->readOnly;
}

// ----- selection and cursor

int TDBGrid::selectedIndex() const { return lastColumn_; }

int TDBGrid::row() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.row() : -1;
}

Field* TDBGrid::selectedField() const {
    TColumn* c = selectedColumn();
    return c ? c->field : nullptr;
}

bool TDBGrid::setSelectedField(const QString& fieldName) {
    const int i = IndiceCol(this, fieldName);
    return i >= 0 && setSelectedIndex(i);
}

bool TDBGrid::setSelectedIndex(int index) {
    if (index < 0 || index >= columns_.size()) return false;
    if (index == lastColumn_) return true;
    if (model_->rowCount() > 0 && currentIndex().isValid()) {
        setCurrentIndex(model_->index(currentIndex().row(), index));
        return lastColumn_ == index;
    }
    // No row: only the column changes.
    if (!runHandler(onColExit)) return false;
    lastColumn_ = index;
    runHandler(onColEnter);
    return true;
}

void TDBGrid::setCurrentSilently(int row, int column) {
    const bool was = syncing_;
    syncing_ = true;
    if (row >= 0 && row < model_->rowCount() && column >= 0 && column < model_->columnCount()) {
        const QModelIndex i = model_->index(row, column);
        selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect |
                                                 (hasOption(dgRowSelect) ? QItemSelectionModel::Rows
                                                                         : QItemSelectionModel::NoUpdate));
        scrollTo(i);
    } else {
        selectionModel()->clearCurrentIndex();
    }
    syncing_ = was;
}

void TDBGrid::followTable(int row) {
    if (syncing_) return;
    if (row < 0) {
        setCurrentSilently(-1, -1);
        return;
    }
    if (currentIndex().isValid() && currentIndex().row() == row && currentIndex().column() == lastColumn_) return;
    if (editor_ && currentIndex().row() != row) hideEditor();
    setCurrentSilently(row, lastColumn_);
    verticalHeader()->viewport()->update();
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    if (syncing_ || !current.isValid()) {
        QTableView::currentChanged(current, previous);
        return;
    }
    const int fromRow = previous.isValid() ? previous.row() : -1;
    const int fromCol = lastColumn_;
    // The typed text goes into the field before anything else happens.
    if ((current.row() != fromRow || current.column() != fromCol) && !commitEditor()) {
        setCurrentSilently(fromRow, fromCol);
        return;
    }
    if (current.row() != fromRow && !moveToRow(current.row())) {
        ClientTable* ds = dataSet();
        setCurrentSilently(ds && ds->active() ? model_->viewRow(ds->recNo() - 1) : fromRow, fromCol);
        return;
    }
    if (current.column() != fromCol) {
        hideEditor();
        if (!runHandler(onColExit)) {
            setCurrentSilently(current.row(), fromCol);
            return;
        }
        lastColumn_ = current.column();
        // An exit handler that wrote the row refreshed the grid on the column it left.
        if (currentIndex() != current) setCurrentSilently(current.row(), current.column());
        runHandler(onColEnter);
    }
    QTableView::currentChanged(current, previous);
    verticalHeader()->viewport()->update();
}

bool TDBGrid::moveToRow(int row) {
    ClientTable* ds = dataSet();
    if (!ds || !ds->active()) return false;
    const int target = model_->tableRow(row);
    if (ds->recNo() - 1 == target) return true;
    hideEditor();
    syncing_ = true;
    const bool ok = runHandler([&] { ds->setRecNo(target + 1); });
    syncing_ = false;
    return ok && ds->recNo() - 1 == target;
}

// ----- cell editor

bool TDBGrid::editorMode() const { return editor_ != nullptr; }

QLineEdit* TDBGrid::inplaceEditor() const { return editor_; }

QString TDBGrid::editorText() const {
    if (!editor_) return {};
    auto* e = static_cast<GridCellEditor*>(editor_.data());
    return e->mask().isEmpty() ? e->text() : maskedStoredText(e->mask(), e->displayText());
}

QModelIndex TDBGrid::editedIndex() const {
    // The editor belongs to the selected column of the table's current row, even while
    // the view's current index is already moving elsewhere.
    ClientTable* ds = dataSet();
    return ds && ds->active() ? model_->index(model_->viewRow(ds->recNo() - 1), lastColumn_) : QModelIndex();
}

bool TDBGrid::showEditor() {
    if (editor_) return true;
    TColumn* c = selectedColumn();
    ClientTable* ds = dataSet();
    if (!c || !ds || !cellEditable(*c)) return false;
    if (!ds->isEditing()) {
        if (!dataSource()->autoEdit) return false;
        if (!runHandler([ds] { ds->edit(); }) || !ds->isEditing()) return false;
    }
    QModelIndex i = currentIndex();
    if (!i.isValid() || i.column() != lastColumn_) {
        setCurrentSilently(model_->viewRow(ds->recNo() - 1), lastColumn_);
        i = currentIndex();
    }
    if (!i.isValid()) return false;
    edit(i);
    if (editor_) editor_->setFocus();
    return editor_ != nullptr;
}

bool TDBGrid::commitEditor() {
    if (!editor_ || !editor_->isModified()) return true;
    const QString text = editorText();
    const QModelIndex i = editedIndex();
    const bool ok = runHandler([&] { model_->setData(i, text, Qt::EditRole); });
    if (ok && editor_) editor_->setModified(false);
    return ok;
}

void TDBGrid::hideEditor() {
    if (!editor_) return;
    QWidget* e = editor_;
    const bool hadFocus = e->hasFocus();
    editor_ = nullptr;
    closeEditor(e, QAbstractItemDelegate::NoHint);
    if (hadFocus) QWidget::setFocus();
}

void TDBGrid::editButtonClick() {
    if (!commitEditor()) return;
    runHandler(onEditButtonClick);
}

// ----- keys

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    dispatchKeyPress(event, [this](QKeyEvent* e) { gridKeys(e); });
}

void TDBGrid::gridKeys(QKeyEvent* e) {
    ClientTable* ds = dataSet();
    const auto mods = e->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    switch (e->key()) {
    case Qt::Key_Down:
        if (ds && ds->active() && ds->recNo() >= DataSetModel::displayRowCount(ds) && hasOption(dgEditing) &&
            canModify() && !ctrl && model_->sortField().isEmpty()) {
            appendAtEnd();
            return;
        }
        break;
    case Qt::Key_Up:
        // Leaving a blank new row at the end drops it.
        if (ds && ds->state() == DataSetState::Insert && !ds->modified() &&
            ds->recNo() == DataSetModel::displayRowCount(ds)) {
            runHandler([ds] { ds->cancel(); });
            return;
        }
        break;
    case Qt::Key_Insert:
        if (!ctrl && !(mods & Qt::ShiftModifier) && hasOption(dgEditing) && canModify()) {
            runHandler([ds] { ds->insert(); });
            return;
        }
        break;
    case Qt::Key_Delete:
        if (ctrl) {
            deleteCurrent();
            return;
        }
        break;
    case Qt::Key_Escape:
        cancelOrReset();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2:
        if (ctrl) {
            editButtonClick();
            return;
        }
        if (TColumn* c = selectedColumn(); c && cellEditable(*c)) showEditor();
        return;
    default: {
        const QChar c = typedChar(e);
        if (!c.isNull() && c.unicode() >= 32 && !(mods & (Qt::ControlModifier | Qt::AltModifier))) {
            if (editor_) {  // the editor is open but the key came to the grid: type it there
                editor_->insert(QString(c));
                return;
            }
            // A character opens the editor with what was typed in place of the cell's text.
            if (showEditor() && editor_) {
                editor_->setText(QString(c));
                editor_->setModified(true);
            }
            return;
        }
        break;
    }
    }
    QTableView::keyPressEvent(e);
}

bool TDBGrid::editorKey(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Escape: {
        auto* ed = editor_.data();
        if (ed && ed->isModified()) {
            hideEditor();  // the typed text is dropped; the field keeps its value
            return true;
        }
        hideEditor();
        cancelOrReset();
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (e->modifiers() & Qt::ControlModifier) {
            editButtonClick();
            return true;
        }
        if (commitEditor()) hideEditor();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (commitEditor()) {
            hideEditor();
            gridKeys(e);
        }
        return true;
    default: return false;
    }
}

bool TDBGrid::appendAtEnd() {
    ClientTable* ds = dataSet();
    if (!ds) return false;
    if (ds->state() == DataSetState::Insert && !ds->modified()) return false;  // one blank row is enough
    if (!commitEditor()) return false;
    hideEditor();
    return runHandler([ds] { ds->append(); });
}

void TDBGrid::deleteCurrent() {
    ClientTable* ds = dataSet();
    if (!ds || !ds->active() || ds->isEmpty() || !canModify()) return;
    runHandler([&] {
        if (hasOption(dgConfirmDelete) &&
            Dialogs::current().messageDlg(QStringLiteral("Excluir registro?"), DialogType::Confirmation, mbYes | mbNo) != mrYes)
            return;
        hideEditor();
        ds->deleteRecord();
    });
}

void TDBGrid::cancelOrReset() {
    ClientTable* ds = dataSet();
    hideEditor();
    if (ds && ds->isEditing()) runHandler([ds] { ds->cancel(); });
}

// ----- mouse

void TDBGrid::mousePressEvent(QMouseEvent* e) {
    // A click that could not take the focus (the control left refused) does nothing.
    if (!hasFocus() && !(editor_ && editor_->hasFocus())) {
        setFocus(Qt::MouseFocusReason);
        if (!hasFocus()) return;
    }
    QTableView::mousePressEvent(e);
}

void TDBGrid::mouseReleaseEvent(QMouseEvent* e) {
    QTableView::mouseReleaseEvent(e);
    const QPoint pos = e->position().toPoint();
    if (onMouseUp) runHandler([&] { onMouseUp(e->button(), e->modifiers(), pos); });
    if (e->button() == Qt::LeftButton && onCellClick) {
        const int col = columnAt(pos);
        if (col >= 0 && rowAt(pos) >= 0 && col == lastColumn_) {
            if (TColumn* c = column(col)) runHandler([&] { onCellClick(*c); });
        }
    }
}

void TDBGrid::mouseMoveEvent(QMouseEvent* e) {
    QTableView::mouseMoveEvent(e);
    if (onMouseMove) runHandler([&] { onMouseMove(e->modifiers(), e->position().toPoint()); });
}

int TDBGrid::columnAt(const QPoint& pos) const { return indexAt(pos).isValid() ? indexAt(pos).column() : QTableView::columnAt(pos.x()); }

int TDBGrid::rowAt(const QPoint& pos) const { return indexAt(pos).isValid() ? indexAt(pos).row() : -1; }

// ----- focus

void TDBGrid::beforeExit() {
    if (!commitEditor()) throw Abort();
    hideEditor();
    ClientTable* ds = dataSet();
    if (hasOption(dgCancelOnExit) && ds && ds->state() == DataSetState::Insert && !ds->modified())
        ds->cancel();
}

// ----- drawing

void TDBGrid::defaultDrawColumnCell(QPainter& painter, const QRect& rect, TColumn& column, GridDrawStates state) {
    painter.fillRect(rect, painter.brush());
    if (column.field) {
        Qt::Alignment align = model_->headerData(column.index, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>();
        painter.drawText(rect.adjusted(2, 0, -2, 0), int(align), column.field->displayText());
    }
    if (state & gdFocused) {
        QPen pen(painter.pen().color(), 1, Qt::DotLine);
        painter.save();
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
        painter.restore();
    }
}

}  // namespace cot
