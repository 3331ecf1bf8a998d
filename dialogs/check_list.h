#pragma once
// What the dialogs that check rows of a list share (systems of a line, standard texts):
// the keys of the list and the drawing of its cells.
#include <QRect>
#include <QString>
#include <Qt>
#include <functional>

#include "ui/db_grid_columns.h"

class QPainter;

namespace cot::check_list {

// F7 alone opens the search: true (and the key swallowed) when it was pressed.
bool searchKey(int& key, Qt::KeyboardModifiers modifiers);

// Space checks the current row, Ctrl+Space every row; the key is swallowed.
enum class SpaceKey { None, Row, All };
SpaceKey spaceKey(int& key, Qt::KeyboardModifiers modifiers);

// A cell of the list: its background, then what `content` draws (the mark or the text,
// drawText() below), then the focus frame of the focused cell.
void drawCell(QPainter& painter, const QRect& rect, GridDrawStates state, const std::function<void()>& content);
// A text 2 pixels right of and below the cell's corner.
void drawText(QPainter& painter, const QRect& rect, const QString& text);

}  // namespace cot::check_list
