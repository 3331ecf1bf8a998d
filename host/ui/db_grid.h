#pragma once
#include <QLineEdit>
#include <QList>
#include <QPainter>
#include <QPointer>
#include <QTableView>
#include <functional>

#include "control.h"
#include "db_grid_columns.h"

namespace cot {

class DataSetModel;
class DataSource;
class ClientTable;
class Field;
class GridDelegate;

// Data-aware grid over the table of a data source.
//  - Columns are declared with addColumn, or else follow the table's visible fields.
//  - The current row is the table's cursor: moving one moves the other.
//  - With dgEditing a typed character opens the cell editor; what is typed is written with
//    Field::setText when the cell is left, the row moves or the table posts.
//  - Leaving a column runs onColExit (after the typed text is written); a failing handler
//    keeps the column. Entering one runs onColEnter.
//  - Keys: the handlers see every key first (also those typed in the cell editor); then
//    Down on the last row appends a row (editing allowed), Insert inserts, Ctrl+Delete
//    deletes (asking "Excluir registro?" with dgConfirmDelete), Escape drops the editor
//    text, then cancels the row.
class TDBGrid : public ControlWidget<QTableView> {
public:
    explicit TDBGrid(const QString& name = {}, QWidget* parent = nullptr);
    ~TDBGrid() override;

    DataSource* dataSource() const;
    void setDataSource(DataSource* source);
    ClientTable* dataSet() const;

    // ----- columns
    TColumn* addColumn(const QString& fieldName, const QString& title = {}, int width = 0);
    void clearColumns();  // back to the table's visible fields
    int columnCount() const { return columns_.size(); }
    TColumn* column(int index) const { return columns_.value(index); }
    TColumn* columnOf(const QString& fieldName) const;
    const QList<TColumn*>& columns() const { return columns_; }
    void columnsChanged();  // after changing a column's properties

    // ----- sorting by the column titles (off by default): a click sorts ascending, a
    // second one descending, a third puts the table's order back; the column shows an
    // arrow. The table's rows and cursor stay as they are (the model shows them in order),
    // so the current row stays current.
    bool sortable() const { return sortable_; }
    void setSortable(bool on);
    void sortByColumn(int index, Qt::SortOrder order);
    void titleSortClick(int index);  // what a click on a title does

    // ----- options
    GridOptions options() const { return options_; }
    void setOptions(GridOptions options);
    bool hasOption(GridOption o) const { return (options_ & o) != 0; }
    void addOption(GridOption o) { setOptions(options_ | o); }
    void removeOption(GridOption o) { setOptions(options_ & ~GridOptions(o)); }
    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool on) { readOnly_ = on; }
    bool defaultDrawing = true;

    // ----- selection
    int selectedIndex() const;
    // Moves to a column as the user would: column exit/enter run; false when refused.
    bool setSelectedIndex(int index);
    Field* selectedField() const;
    bool setSelectedField(const QString& fieldName);
    TColumn* selectedColumn() const { return column(selectedIndex()); }
    int row() const;  // 0-based current row, -1 when none

    // ----- cell editor
    bool editorMode() const;                 // the cell editor is open
    QLineEdit* inplaceEditor() const;        // nullptr when closed
    bool showEditor();                       // opens it on the current cell (false when not editable)
    // Writes the editor text into the field; false (shown) when the field refused it.
    bool commitEditor();
    void hideEditor();                       // closes it, dropping its text
    // What the ellipsis button does.
    void editButtonClick();

    // Cell at a position of the viewport (for mouse handlers); -1 when outside.
    int columnAt(const QPoint& viewportPos) const;
    int rowAt(const QPoint& viewportPos) const;

    // ----- events (plus onEnter/onExit/onKeyPress/onKeyDown/onKeyUp/onDblClick of Control)
    std::function<void()> onColEnter;
    std::function<void()> onColExit;
    std::function<void()> onEditButtonClick;
    std::function<void(TColumn& column)> onTitleClick;
    std::function<void(TColumn& column)> onCellClick;
    std::function<void(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint& pos)> onMouseUp;
    std::function<void(Qt::KeyboardModifiers modifiers, const QPoint& pos)> onMouseMove;
    // Custom drawing of a cell; the table reads the drawn row meanwhile. The painter
    // comes with the brush and pen of the cell's state (selection colours).
    std::function<void(QPainter& painter, const QRect& rect, TColumn& column, GridDrawStates state)>
        onDrawColumnCell;
    void defaultDrawColumnCell(QPainter& painter, const QRect& rect, TColumn& column, GridDrawStates state);

    DataSetModel* gridModel() const { return model_; }

    void beforeExit() override;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    friend class GridDelegate;
    friend class GridCellEditor;
    void resolveColumns();
    void showSortIndicator();
    void applyOptions();
    void followTable(int row);
    bool cellEditable(const TColumn& c) const;
    bool canModify() const;
    void gridKeys(QKeyEvent* e);            // grid navigation and row commands
    bool editorKey(QKeyEvent* e);           // keys typed in the cell editor
    bool moveToRow(int row);
    bool appendAtEnd();
    void deleteCurrent();
    void cancelOrReset();
    void setCurrentSilently(int row, int column);
    QString editorText() const;
    QModelIndex editedIndex() const;

    DataSetModel* model_;
    GridDelegate* delegate_;
    QList<TColumn*> columns_;
    bool declared_ = false;
    GridOptions options_ = kDefaultGridOptions;
    bool readOnly_ = false;
    bool sortable_ = false;
    bool syncing_ = false;
    int lastColumn_ = 0;
    QPointer<QLineEdit> editor_;
};

// Index of the column showing a field, -1 when none.
int IndiceCol(const TDBGrid* grid, const QString& fieldName);
// Text of a field's column: the cell editor's text while it edits that column. Otherwise
// inEditor gives "" (a key typed on a closed cell replaces its text) and !inEditor the
// field's display text.
QString GridText(const TDBGrid* grid, const QString& fieldName, bool inEditor);
// Draws a picture at the left of a cell (1 pixel in), at the cell's height, with one
// colour made transparent (olive by default).
void InsereImagem(QPainter& painter, const QRect& rect, const QPixmap& picture,
                  const QColor& transparent = QColor(128, 128, 0));
void InsereImagem(TDBGrid* grid, QPainter& painter, const QRect& rect, const QPixmap& picture,
                  const QColor& transparent = QColor(128, 128, 0));

}  // namespace cot
