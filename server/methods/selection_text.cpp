#include "server/methods/selection_text.h"

namespace cot::server {

QString inCondition(const QString& column, const QStringList& codes, const QString& prefix, QVariantMap& params) {
    if (codes.isEmpty()) return QStringLiteral("1 = 0");
    QStringList markers;
    markers.reserve(codes.size());
    for (qsizetype i = 0; i < codes.size(); ++i) {
        const QString name = prefix + QString::number(i);
        params.insert(name, codes[i]);
        markers << u':' + name;
    }
    return QStringLiteral("%1 IN (%2)").arg(column, markers.join(QStringLiteral(", ")));
}

}  // namespace cot::server
