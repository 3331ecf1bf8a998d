#include "selection_text.h"

namespace cot {

namespace {
void skipBlanks(const QString& text, qsizetype& i) {
    while (i < text.size() && text[i].isSpace()) ++i;
}
}  // namespace

QString selectionText(const QStringList& codes) {
    QStringList quoted;
    quoted.reserve(codes.size());
    for (QString code : codes) quoted << u'\'' + code.replace(u'\'', QStringLiteral("''")) + u'\'';
    return quoted.join(u',');
}

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

}  // namespace cot
