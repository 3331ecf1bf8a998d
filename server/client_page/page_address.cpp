#include "server/client_page/page_address.h"

#include <QMutex>

namespace cot::server::client_page {

namespace {
QMutex mutex;
QString& base() {
    static QString value = QStringLiteral("http://127.0.0.1:8211");
    return value;
}
}  // namespace

void setPublicBase(const QString& value) {
    QMutexLocker lock(&mutex);
    QString b = value.trimmed();
    while (b.endsWith(u'/')) b.chop(1);
    base() = b;
}

QString publicBase() {
    QMutexLocker lock(&mutex);
    return base();
}

QString pageLink(const QString& token) { return publicBase() + QStringLiteral("/cliente/") + token; }

}  // namespace cot::server::client_page
