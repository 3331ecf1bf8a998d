#pragma once
// A report's pages printed with a footer of their own: the text the report gives at the
// left (cut with "…" when it does not fit) and the page's place at the right.
#include <QString>
#include <functional>

class QPagedPaintDevice;
class QTextDocument;

namespace cot {

struct PageFooter {
    QString text;  // e.g. the company's line
    QString page;  // e.g. "Página 1 de 3"
};
using PageFooterFn = std::function<PageFooter(int page, int pages)>;

// Lays `document` out at 96 dpi on the device's printable area less a footer's room and
// prints every page with `footer` under it.
void printWithFooter(QTextDocument& document, QPagedPaintDevice& device, const PageFooterFn& footer);

}  // namespace cot
