#include "db_grid_delegate.h"

#include <QDebug>
#include <QPainter>

#include "data/client_table.h"
#include "db_grid.h"
#include "db_grid_model.h"
#include "edit_mask.h"

namespace cot {

GridCellEditor::GridCellEditor(TDBGrid* grid, TColumn* column, QWidget* parent)
    : QLineEdit(parent), grid_(grid), column_(column) {
    setObjectName(grid->objectName() + QStringLiteral("_editor"));
    setFrame(false);
    if (column && column->buttonStyle == ColumnButtonStyle::Ellipsis) {
        button_ = new QToolButton(this);
        button_->setObjectName(grid->objectName() + QStringLiteral("_editButton"));
        button_->setText(QStringLiteral("..."));
        button_->setFocusPolicy(Qt::NoFocus);
        button_->setCursor(Qt::ArrowCursor);
        QObject::connect(button_, &QToolButton::clicked, this, [grid] { grid->editButtonClick(); });
    }
}

void GridCellEditor::setMask(const QString& mask) {
    mask_ = mask;
    setInputMask(parseEditMask(mask).qtMask);
}

void GridCellEditor::keyPressEvent(QKeyEvent* event) {
    grid_->dispatchKeyPress(event, [this](QKeyEvent* e) {
        if (!grid_->editorKey(e)) QLineEdit::keyPressEvent(e);
    });
}

void GridCellEditor::keyReleaseEvent(QKeyEvent* event) {
    grid_->dispatchKeyRelease(event, [this](QKeyEvent* e) { QLineEdit::keyReleaseEvent(e); });
}

void GridCellEditor::resizeEvent(QResizeEvent* e) {
    QLineEdit::resizeEvent(e);
    if (button_) {
        const int w = qMin(height(), 22);
        button_->setGeometry(width() - w, 0, w, height());
        setTextMargins(0, 0, w, 0);
    }
}

GridDelegate::GridDelegate(TDBGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    TColumn* column = grid_->column(index.column());
    ClientTable* ds = grid_->dataSet();
    if (!column || !ds || !ds->active()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    GridDrawStates state = 0;
    if (option.state & QStyle::State_Selected) state |= gdSelected;
    if (index == grid_->currentIndex() && grid_->hasFocus()) state |= gdFocused;

    ClientTable::RowView view(*ds, grid_->gridModel()->tableRow(index.row()));
    painter->save();
    const QPalette& pal = option.palette;
    const bool selected = state & gdSelected;
    painter->setBrush(pal.color(selected ? QPalette::Highlight : QPalette::Base));
    painter->setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(option.font);
    try {
        if (grid_->defaultDrawing) grid_->defaultDrawColumnCell(*painter, option.rect, *column, state);
        if (grid_->onDrawColumnCell) grid_->onDrawColumnCell(*painter, option.rect, *column, state);
    } catch (const std::exception& e) {
        // Never a dialog from inside a paint: it would come back on every repaint.
        qWarning() << "cell drawing failed:" << e.what();
    } catch (...) {
        qWarning() << "cell drawing failed";
    }
    painter->restore();
}

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const {
    TColumn* column = grid_->column(index.column());
    auto* editor = new GridCellEditor(grid_, column, parent);
    if (column && column->field) {
        Field* f = column->field;
        if (!f->editMask.isEmpty()) editor->setMask(f->editMask);
        const bool text = f->dataType() == FieldType::String || f->dataType() == FieldType::FixedString;
        if (text && f->size() > 0 && f->editMask.isEmpty()) editor->setMaxLength(f->size());
    }
    grid_->editor_ = editor;
    return editor;
}

void GridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* e = static_cast<GridCellEditor*>(editor);
    // Loaded once when the editor opens; later refreshes must not wipe what is typed.
    if (e->property("loaded").toBool()) return;
    e->setText(index.data(Qt::EditRole).toString());
    e->setModified(false);
    e->selectAll();
    e->setProperty("loaded", true);
}

void GridDelegate::setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const {
    // The grid writes the editor's text itself (TDBGrid::commitEditor).
}

void GridDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex&) const {
    editor->setGeometry(option.rect);
}

bool GridDelegate::eventFilter(QObject* object, QEvent* event) {
    // Tab, Enter, Escape and focus loss are the grid's business, not the delegate's.
    return QObject::eventFilter(object, event);
}

}  // namespace cot
