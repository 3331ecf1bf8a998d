#pragma once
// The base of the dialogs that check rows of a list (systems of a line, standard texts):
// the keys of the list, the search over it and the drawing of its cells.
#include <QRect>
#include <QString>
#include <Qt>
#include <functional>

#include "screens/roti_geral.h"
#include "ui/db_grid_columns.h"

class QPainter;

namespace cot {

class ClientTable;
class TDBGrid;

// Keeps a table's controls from redrawing until the scope ends, on every path out.
class ControlsOff {
public:
    explicit ControlsOff(ClientTable& table);
    ~ControlsOff();
    ControlsOff(const ControlsOff&) = delete;
    ControlsOff& operator=(const ControlsOff&) = delete;

private:
    ClientTable& table_;
};

class TCheckListDialog : public TfrmRotiGeral {
    Q_OBJECT
public:
    using TfrmRotiGeral::TfrmRotiGeral;

    // F7 alone opens the search.
    void FormKeyDown(int& key, Qt::KeyboardModifiers modifiers) override;
    // The search over the list (the Procurar button, F7).
    void sbtProcurarClick();

protected:
    // The list whose rows are checked and searched: Space on it checks the current row,
    // Ctrl+Space every row.
    void attachList(TDBGrid& grid, ClientTable& table);
    virtual void checkCurrent() = 0;
    virtual void checkAll() = 0;

    // A cell of the list: its background, then what `content` draws (the mark or the text,
    // drawText() below), then the focus frame of the focused cell.
    static void drawCell(QPainter& painter, const QRect& rect, GridDrawStates state,
                         const std::function<void()>& content);
    // A text 2 pixels right of and below the cell's corner.
    static void drawText(QPainter& painter, const QRect& rect, const QString& text);

private:
    ClientTable* list_ = nullptr;
};

}  // namespace cot
