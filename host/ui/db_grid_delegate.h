#pragma once
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QToolButton>

namespace cot {

class TDBGrid;
struct TColumn;

// The grid's cell editor. Every key typed in it goes through the grid's key handlers
// first, as the grid's own keys do.
class GridCellEditor : public QLineEdit {
public:
    GridCellEditor(TDBGrid* grid, TColumn* column, QWidget* parent);
    TColumn* column() const { return column_; }
    QToolButton* editButton() const { return button_; }
    QString mask() const { return mask_; }
    void setMask(const QString& mask);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    TDBGrid* grid_;
    TColumn* column_;
    QToolButton* button_ = nullptr;
    QString mask_;
};

// Paints the cells (default drawing, then the grid's onDrawColumnCell while the table
// reads the drawn row) and creates the cell editor. Writing the editor's text is done by
// the grid itself, never behind its back.
class GridDelegate : public QStyledItemDelegate {
public:
    explicit GridDelegate(TDBGrid* grid);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    TDBGrid* grid_;
};

}  // namespace cot
