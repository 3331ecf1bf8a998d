#include "text_fold.h"

namespace cot {

QString foldedText(const QString& text) {
    // Plain ASCII has nothing to decompose: only the case is folded.
    bool ascii = true;
    for (QChar c : text) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) return text.toCaseFolded();
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(decomposed.size());
    for (QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing) out.append(c);
    return out.toCaseFolded();
}

bool containsFolded(const QString& text, const QString& wanted) { return foldedText(text).contains(foldedText(wanted)); }

}  // namespace cot
