#include "ui/flow_layout.h"

#include <QWidget>
#include <QWidgetItem>
#include <algorithm>

namespace cot {

FlowLayout::FlowLayout(QWidget* parent) : QLayout(parent) {}

FlowLayout::~FlowLayout() {
    while (QLayoutItem* item = takeAt(0)) delete item;
}

void FlowLayout::insertWidget(int index, QWidget* widget) {
    addChildWidget(widget);
    const int at = index < 0 || index > items_.size() ? int(items_.size()) : index;
    items_.insert(at, new QWidgetItem(widget));
    if (stretchAt_ >= 0 && at < stretchAt_) ++stretchAt_;
    invalidate();
}

void FlowLayout::addStretch() { stretchAt_ = int(items_.size()); }

void FlowLayout::addItem(QLayoutItem* item) { items_.append(item); }

int FlowLayout::count() const { return int(items_.size()); }

QLayoutItem* FlowLayout::itemAt(int index) const { return index >= 0 && index < items_.size() ? items_[index] : nullptr; }

QLayoutItem* FlowLayout::takeAt(int index) {
    if (index < 0 || index >= items_.size()) return nullptr;
    if (stretchAt_ > index) --stretchAt_;
    return items_.takeAt(index);
}

Qt::Orientations FlowLayout::expandingDirections() const { return {}; }

bool FlowLayout::hasHeightForWidth() const { return true; }

int FlowLayout::heightForWidth(int width) const { return arrange(QRect(0, 0, width, 0), false); }

// As narrow as its widest item: everything else wraps.
QSize FlowLayout::minimumSize() const {
    QSize size;
    for (const QLayoutItem* item : items_) size = size.expandedTo(item->minimumSize());
    const QMargins m = contentsMargins();
    return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

// One row of everything.
QSize FlowLayout::sizeHint() const {
    int width = 0, height = 0;
    for (const QLayoutItem* item : items_) {
        if (item->isEmpty()) continue;
        width += item->sizeHint().width() + spacing();
        height = std::max(height, item->sizeHint().height());
    }
    const QMargins m = contentsMargins();
    return {width + m.left() + m.right(), height + m.top() + m.bottom()};
}

void FlowLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int FlowLayout::arrange(const QRect& rect, bool apply) const {
    const QRect area = rect.marginsRemoved(contentsMargins());
    const int gap = std::max(spacing(), 0);
    int x = area.x(), y = area.y(), rowHeight = 0;
    QList<QRect> places(items_.size());
    for (int i = 0; i < items_.size(); ++i) {
        const QLayoutItem* item = items_[i];
        if (item->isEmpty()) continue;
        const QSize size = item->sizeHint();
        if (x > area.x() && x + size.width() > area.right() + 1) {
            x = area.x();
            y += rowHeight + gap;
            rowHeight = 0;
        }
        places[i] = QRect(QPoint(x, y), size);
        x += size.width() + gap;
        rowHeight = std::max(rowHeight, size.height());
    }
    // The items after the stretch that share the last row move to its right end.
    if (stretchAt_ >= 0 && stretchAt_ < items_.size()) {
        int shift = -1;
        for (int i = int(items_.size()) - 1; i >= stretchAt_; --i) {
            if (places[i].isNull() || places[i].y() != y) continue;
            if (shift < 0) shift = area.right() + 1 - (places[i].x() + places[i].width());
            places[i].translate(shift, 0);
        }
    }
    if (apply)
        for (int i = 0; i < items_.size(); ++i)
            if (!places[i].isNull()) items_[i]->setGeometry(places[i]);
    const QMargins m = contentsMargins();
    return y + rowHeight - rect.y() + m.bottom();
}

}  // namespace cot
