#include "lookup_selection.h"

namespace cot {

QString selectionText(const QStringList& codes) {
    QStringList quoted;
    quoted.reserve(codes.size());
    for (QString code : codes) quoted << QLatin1Char('\'') + code.replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
    return quoted.join(QLatin1Char(','));
}

bool parseSelectionText(const QString& text, QStringList& codes) {
    codes.clear();
    QStringList out;
    int i = 0;
    const int n = text.size();
    while (i < n) {
        if (text[i] != QLatin1Char('\'')) return false;
        ++i;
        QString code;
        bool closed = false;
        while (i < n) {
            if (text[i] == QLatin1Char('\'')) {
                if (i + 1 < n && text[i + 1] == QLatin1Char('\'')) {
                    code += QLatin1Char('\'');
                    i += 2;
                    continue;
                }
                ++i;
                closed = true;
                break;
            }
            code += text[i++];
        }
        if (!closed) return false;
        out << code;
        if (i == n) break;
        if (text[i] != QLatin1Char(',') || i + 1 == n) return false;
        ++i;
    }
    codes = out;
    return true;
}

}  // namespace cot
