#include "server/client_page/page_text.h"

namespace cot::server::client_page {

QString esc(const QString& text) {
    QString out = text.toHtmlEscaped();
    out.replace(u'\'', QStringLiteral("&#39;"));
    return out;
}

QString inertHtml(const QString& plain) {
    QString out = esc(plain);
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(u'\n', QStringLiteral("<br>"));
    return out;
}

}  // namespace cot::server::client_page
