#include "dialogs/check_list.h"

#include <QPainter>

#include "data/client_table.h"
#include "ui/db_grid.h"
#include "ui/lookup.h"

namespace cot {

ControlsOff::ControlsOff(ClientTable& table) : table_(table) { table_.disableControls(); }
ControlsOff::~ControlsOff() { table_.enableControls(); }

void TCheckListDialog::FormKeyDown(int& key, Qt::KeyboardModifiers modifiers) {
    if (key == Qt::Key_F7 && !(modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier))) {
        key = 0;
        sbtProcurarClick();
        return;
    }
    TfrmRotiGeral::FormKeyDown(key, modifiers);
}

void TCheckListDialog::sbtProcurarClick() {
    if (list_) Procurar::Procura(*list_);
}

void TCheckListDialog::attachList(TDBGrid& grid, ClientTable& table) {
    list_ = &table;
    grid.onKeyDown = [this](int& key, Qt::KeyboardModifiers modifiers) {
        if (key != Qt::Key_Space) return;
        key = 0;
        if (modifiers & Qt::ControlModifier) checkAll();
        else checkCurrent();
    };
}

void TCheckListDialog::drawCell(QPainter& painter, const QRect& rect, GridDrawStates state,
                                const std::function<void()>& content) {
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

void TCheckListDialog::drawText(QPainter& painter, const QRect& rect, const QString& text) {
    painter.drawText(rect.adjusted(2, 2, -2, 0), Qt::AlignLeft | Qt::AlignTop, text);
}

}  // namespace cot
