#include "mask_text.h"

#include <QList>

namespace cot {

namespace {

struct MaskSlot {
    bool literal = false;
    QChar ch;         // the literal, or the mask character of a data place
    int caseMode = 0;  // -1 lower, 0 as typed, 1 upper
};

QList<MaskSlot> parseMask(const QString& chars) {
    QList<MaskSlot> places_;
    int caseMode = 0;
    for (int i = 0; i < chars.size(); ++i) {
        const QChar c = chars[i];
        if (c == '\\' && i + 1 < chars.size()) {
            places_.append({true, chars[++i], 0});
        } else if (c == '!') {
            continue;
        } else if (c == '<' || c == '>') {
            if (c == '<' && i + 1 < chars.size() && chars[i + 1] == '>') {
                caseMode = 0;
                ++i;
            } else {
                caseMode = c == '>' ? 1 : -1;
            }
        } else if (QStringLiteral("09#LlAaCc").contains(c)) {
            places_.append({false, c, caseMode});
        } else {
            places_.append({true, c == '_' ? QChar(' ') : c, 0});
        }
    }
    return places_;
}

}  // namespace

QString formatMaskText(const QString& mask, const QString& value) {
    if (mask.isEmpty()) return value;
    const QStringList sections = mask.split(';');
    const QList<MaskSlot> places_ = parseMask(sections[0]);
    const bool saveLiterals = sections.size() < 2 || sections[1].trimmed() != "0";
    const QChar blank = sections.size() >= 3 && !sections[2].isEmpty() ? sections[2][0] : QChar('_');

    // The data characters of the value, in order.
    QString data;
    if (saveLiterals) {
        int v = 0;
        for (const MaskSlot& s : places_) {
            if (v >= value.size()) break;
            if (s.literal) {
                if (value[v] == s.ch) ++v;
            } else {
                data += value[v++];
            }
        }
        if (v < value.size()) return value;
    } else {
        data = value;
    }
    int places = 0;
    for (const MaskSlot& s : places_) places += s.literal ? 0 : 1;
    if (data.size() > places) return value;

    QString out;
    int d = 0;
    for (const MaskSlot& s : places_) {
        if (s.literal) {
            out += s.ch;
            continue;
        }
        QChar c = d < data.size() ? data[d++] : blank;
        if (s.caseMode > 0) c = c.toUpper();
        else if (s.caseMode < 0) c = c.toLower();
        out += c;
    }
    return out;
}

}  // namespace cot
