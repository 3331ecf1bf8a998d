#include "paged_print.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextDocument>

namespace cot {

namespace {

constexpr qreal kDesignDpi = 96;      // what the documents lay out at (dados_ger_rel.cpp)
constexpr qreal kFooterRoom = 26;     // design pixels under the body: a rule and a line of text
constexpr int kFooterPixels = 9;      // about 7 pt

}  // namespace

void printWithFooter(QTextDocument& document, QPagedPaintDevice& device, const PageFooterFn& footer) {
    const QSizeF area = device.pageLayout().paintRectPixels(int(kDesignDpi)).size();
    const QSizeF body(area.width(), area.height() - kFooterRoom);
    document.setPageSize(body);
    const int pages = document.pageCount();
    const QSizeF printed = device.pageLayout().paintRectPixels(device.logicalDpiX()).size();

    QPainter painter(&device);
    painter.scale(printed.width() / area.width(), printed.height() / area.height());
    QFont font = document.defaultFont();
    font.setPixelSize(kFooterPixels);
    for (int page = 0; page < pages; ++page) {
        if (page > 0) device.newPage();
        painter.save();
        const QRectF view(0, page * body.height(), body.width(), body.height());
        painter.translate(0, -view.top());
        painter.setClipRect(view);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = view;
        context.palette.setColor(QPalette::Text, Qt::black);
        document.documentLayout()->draw(&painter, context);
        painter.restore();

        const PageFooter f = footer(page + 1, pages);
        const qreal top = body.height() + 8;
        painter.setPen(QColor(0x88, 0x99, 0xaa));
        painter.drawLine(QPointF(0, top), QPointF(body.width(), top));
        painter.setPen(QColor(0x44, 0x44, 0x44));
        painter.setFont(font);
        const QRectF line(0, top + 3, body.width(), kFooterRoom - 11);
        const qreal pageWidth = QFontMetricsF(font).horizontalAdvance(f.page) + 12;
        painter.drawText(line, Qt::AlignRight | Qt::AlignTop, f.page);
        const QString text = QFontMetricsF(font).elidedText(f.text, Qt::ElideRight, body.width() - pageWidth - 12);
        painter.drawText(line, Qt::AlignLeft | Qt::AlignTop, text);
    }
}

}  // namespace cot
