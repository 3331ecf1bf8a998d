#include "methods/selection_text.h"

namespace cot::server {

namespace {

void skipBlanks(const QString& text, qsizetype& i) {
    while (i < text.size() && text[i].isSpace()) ++i;
}

}  // namespace

std::optional<QStringList> parseSelectionText(const QString& text) {
    QStringList codes;
    qsizetype i = 0;
    skipBlanks(text, i);
    if (i == text.size()) return codes;
    while (true) {
        if (text[i] != u'\'') return std::nullopt;
        ++i;
        QString code;
        bool closed = false;
        while (i < text.size()) {
            if (text[i] == u'\'') {
                if (i + 1 < text.size() && text[i + 1] == u'\'') {
                    code += u'\'';
                    i += 2;
                    continue;
                }
                ++i;
                closed = true;
                break;
            }
            code += text[i++];
        }
        if (!closed) return std::nullopt;
        codes << code;
        skipBlanks(text, i);
        if (i == text.size()) return codes;
        if (text[i] != u',') return std::nullopt;
        ++i;
        skipBlanks(text, i);
        if (i == text.size()) return std::nullopt;  // a trailing comma
    }
}

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
