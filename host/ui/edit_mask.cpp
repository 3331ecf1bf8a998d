#include "edit_mask.h"

#include <QList>

namespace cot {

namespace {

// One position of the mask, after the case and escape markers are resolved.
struct Slot {
    bool input = false;
    QChar literal;
    QChar qtCode;  // for input positions
};

struct Parsed {
    QList<Slot> positions;
    QString qtMask;  // without the blank part
    bool saveLiterals = true;
    QChar blank = QLatin1Char(' ');
};

Parsed parse(const QString& mask) {
    Parsed p;
    // The parts are separated by the last two ';' (a literal ';' would be escaped).
    QString body = mask;
    const int last = body.lastIndexOf(QLatin1Char(';'));
    if (last >= 0 && last > 0 && body.at(last - 1) != QLatin1Char('\\')) {
        const int prev = body.lastIndexOf(QLatin1Char(';'), last - 1);
        if (prev >= 0 && (prev == 0 || body.at(prev - 1) != QLatin1Char('\\'))) {
            const QString save = body.mid(prev + 1, last - prev - 1);
            const QString blank = body.mid(last + 1);
            p.saveLiterals = save.trimmed() != QLatin1String("0");
            if (!blank.isEmpty()) p.blank = blank.at(0);
            body = body.left(prev);
        } else {
            const QString save = body.mid(last + 1);
            p.saveLiterals = save.trimmed() != QLatin1String("0");
            body = body.left(last);
        }
    }
    static const QString qtMeta = QStringLiteral("AaNnXx90Dd#HhBb><!\\[]{}");
    for (int i = 0; i < body.size(); ++i) {
        const QChar c = body.at(i);
        if (c == QLatin1Char('!') && i == 0) continue;  // keep-blanks flag: no Qt equivalent needed
        if (c == QLatin1Char('<') && i + 1 < body.size() && body.at(i + 1) == QLatin1Char('>')) {
            p.qtMask += QLatin1Char('!');
            ++i;
            continue;
        }
        if (c == QLatin1Char('>') || c == QLatin1Char('<')) { p.qtMask += c; continue; }
        Slot s;
        QChar code;
        switch (c.unicode()) {
        case '0': code = QLatin1Char('9'); break;
        case '9': code = QLatin1Char('0'); break;
        case '#': code = QLatin1Char('#'); break;
        case 'L': code = QLatin1Char('A'); break;
        case 'l': code = QLatin1Char('a'); break;
        case 'A': code = QLatin1Char('N'); break;
        case 'a': code = QLatin1Char('n'); break;
        case 'C': code = QLatin1Char('X'); break;
        case 'c': code = QLatin1Char('x'); break;
        default: break;
        }
        if (!code.isNull()) {
            s.input = true;
            s.qtCode = code;
            p.qtMask += code;
        } else {
            QChar lit = c;
            if (c == QLatin1Char('\\') && i + 1 < body.size()) lit = body.at(++i);
            else if (c == QLatin1Char('_')) lit = QLatin1Char(' ');
            s.literal = lit;
            if (qtMeta.contains(lit)) p.qtMask += QLatin1Char('\\');
            p.qtMask += lit;
        }
        p.positions.append(s);
    }
    return p;
}

}  // namespace

EditMask parseEditMask(const QString& mask) {
    EditMask m;
    if (mask.trimmed().isEmpty()) return m;
    const Parsed p = parse(mask);
    m.saveLiterals = p.saveLiterals;
    m.blank = p.blank;
    // Qt needs a blank that is not a space only to tell "typed space" apart; a space is fine.
    m.qtMask = p.qtMask + QLatin1Char(';') + p.blank;
    m.valid = !p.positions.isEmpty();
    return m;
}

QString maskedStoredText(const QString& mask, const QString& shown) {
    if (mask.trimmed().isEmpty()) return shown;
    const Parsed p = parse(mask);
    QString out;
    for (int i = 0; i < p.positions.size(); ++i) {
        const Slot& s = p.positions.at(i);
        const QChar c = i < shown.size() ? shown.at(i) : p.blank;
        if (!s.input) {
            if (p.saveLiterals) out += s.literal;
            continue;
        }
        if (c == p.blank || c.isNull()) {
            if (p.saveLiterals) out += p.blank;
            continue;
        }
        out += c;
    }
    return p.saveLiterals ? out : out.trimmed();
}


}  // namespace cot
