#include "dialogs/check_list.h"

#include <QPainter>

namespace cot::check_list {

bool searchKey(int& key, Qt::KeyboardModifiers modifiers) {
    if (key != Qt::Key_F7 || (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier))) return false;
    key = 0;
    return true;
}

SpaceKey spaceKey(int& key, Qt::KeyboardModifiers modifiers) {
    if (key != Qt::Key_Space) return SpaceKey::None;
    key = 0;
    return (modifiers & Qt::ControlModifier) ? SpaceKey::All : SpaceKey::Row;
}

void drawCell(QPainter& painter, const QRect& rect, GridDrawStates state, const std::function<void()>& content) {
    painter.fillRect(rect, painter.brush());
    content();
    if (state & gdFocused) {
        painter.save();
        painter.setPen(QPen(painter.pen().color(), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
        painter.restore();
    }
}

void drawText(QPainter& painter, const QRect& rect, const QString& text) {
    painter.drawText(rect.adjusted(2, 2, -2, 0), Qt::AlignLeft | Qt::AlignTop, text);
}

}  // namespace cot::check_list
