#include <QBitmap>
#include <QPainter>

#include "data/client_table.h"
#include "db_grid.h"

namespace cot {

int IndiceCol(const TDBGrid* grid, const QString& fieldName) {
    if (!grid) return -1;
    for (int i = 0; i < grid->columnCount(); ++i)
        if (grid->column(i)->fieldName.compare(fieldName, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

QString GridText(const TDBGrid* grid, const QString& fieldName, bool inEditor) {
    if (!grid) return {};
    const int col = IndiceCol(grid, fieldName);
    // While the editor is open on that column its text is the column's text: what the
    // user sees, not yet written to the field.
    if (grid->editorMode() && col >= 0 && col == grid->selectedIndex()) return grid->inplaceEditor()->text();
    ClientTable* ds = grid->dataSet();
    Field* f = ds ? ds->findField(fieldName) : nullptr;
    if (!f || !ds->active() || (ds->isEmpty() && ds->state() != DataSetState::Insert)) return {};
    // A key typed on a closed cell replaces its text: the editor would start empty.
    return inEditor ? QString() : f->displayText();
}

void InsereImagem(QPainter& painter, const QRect& rect, const QPixmap& picture, const QColor& transparent) {
    if (picture.isNull()) return;
    QPixmap p = picture;
    p.setMask(p.createMaskFromColor(transparent, Qt::MaskInColor));
    if (p.height() != rect.height() && rect.height() > 0)
        p = p.scaledToHeight(rect.height(), Qt::SmoothTransformation);
    painter.drawPixmap(rect.left() + 1, rect.top(), p);
}

void InsereImagem(TDBGrid*, QPainter& painter, const QRect& rect, const QPixmap& picture, const QColor& transparent) {
    InsereImagem(painter, rect, picture, transparent);
}

}  // namespace cot
