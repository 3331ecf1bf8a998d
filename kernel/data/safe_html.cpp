#include "data/safe_html.h"

#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <optional>

#include "data/html_text.h"

namespace cot {

namespace {

using Names = QSet<QString>;

// Everything written out is rebuilt from these lists: nothing of the input passes through
// unparsed, so what the renderer sees is only what is allowed here.
const Names& keptElements() {
    static const Names names{
        "p",  "div", "span", "b",   "strong", "i",     "em",    "u",     "s",    "strike", "del",  "ins",
        "sub", "sup", "small", "big", "font", "center", "blockquote", "pre", "code", "tt", "kbd", "samp",
        "var", "cite", "q",  "dfn", "abbr", "nobr", "h1",    "h2",    "h3",   "h4",     "h5",   "h6",
        "ul", "ol",  "li",   "dl",  "dt",     "dd",    "table", "thead", "tbody", "tfoot", "tr",  "td",
        "th", "caption"};
    return names;
}
const Names& keptEmptyElements() {
    static const Names names{"br", "hr"};
    return names;
}
// Their content is raw text up to their closing tag.
const Names& rawDropped() {
    static const Names names{"script", "style", "title", "textarea", "xmp", "iframe", "noembed", "noframes", "noscript"};
    return names;
}
const Names& droppedWithContent() {
    static const Names names{"head",   "object", "applet", "select", "button", "svg",   "math",    "template",
                             "video",  "audio",  "canvas", "map",    "frameset", "datalist", "option", "picture"};
    return names;
}
// Empty elements of HTML: no closing tag is awaited after them.
const Names& emptyElements() {
    static const Names names{"img",   "image", "input", "link",  "meta", "base",    "embed",   "source", "track",
                             "param", "area",  "frame", "keygen", "wbr", "basefont", "isindex", "col",   "br",    "hr"};
    return names;
}
const Names& keptAttributes() {
    static const Names names{"style",  "align", "valign", "width", "height", "colspan", "rowspan",
                             "cellspacing", "cellpadding", "border", "bgcolor", "color", "size",  "face",
                             "type",   "start", "value",  "dir"};
    return names;
}

struct Tag {
    bool closing = false;
    bool selfClosing = false;
    QString name;
    QList<std::pair<QString, QString>> attributes;  // raw values, quotes removed
    qsizetype end = 0;                              // just past '>'
};

bool isSpace(QChar c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f'; }

// A tag starting at `from` ('<'), or nothing when the '<' is text.
std::optional<Tag> readTag(const QString& s, qsizetype from) {
    Tag tag;
    qsizetype i = from + 1;
    if (i < s.size() && s[i] == u'/') {
        tag.closing = true;
        ++i;
    }
    const qsizetype nameStart = i;
    if (i >= s.size() || !s[i].isLetter() || s[i].unicode() > 0x7f) return std::nullopt;
    while (i < s.size() && (s[i].isLetterOrNumber() || s[i] == u':' || s[i] == u'-' || s[i] == u'_')) ++i;
    tag.name = s.mid(nameStart, i - nameStart).toLower();
    for (;;) {
        while (i < s.size() && (isSpace(s[i]) || s[i] == u'/')) {
            tag.selfClosing = s[i] == u'/';
            ++i;
        }
        if (i >= s.size()) return std::nullopt;
        if (s[i] == u'>') {
            tag.end = i + 1;
            return tag;
        }
        tag.selfClosing = false;
        const qsizetype attrStart = i;
        while (i < s.size() && !isSpace(s[i]) && s[i] != u'>' && s[i] != u'/' && s[i] != u'=') ++i;
        if (i == attrStart) ++i;  // a stray '"' or '=': skipped, as browsers do
        const QString attr = s.mid(attrStart, i - attrStart).toLower();
        qsizetype j = i;
        while (j < s.size() && isSpace(s[j])) ++j;
        QString value;
        if (j < s.size() && s[j] == u'=') {
            ++j;
            while (j < s.size() && isSpace(s[j])) ++j;
            if (j < s.size() && (s[j] == u'"' || s[j] == u'\'')) {
                const qsizetype close = s.indexOf(s[j], j + 1);
                if (close < 0) return std::nullopt;
                value = s.mid(j + 1, close - j - 1);
                j = close + 1;
            } else {
                const qsizetype valueStart = j;
                while (j < s.size() && !isSpace(s[j]) && s[j] != u'>') ++j;
                value = s.mid(valueStart, j - valueStart);
            }
            i = j;
        }
        tag.attributes.append({attr, value});
    }
}

// The declarations of a style attribute that fetch or compute nothing, as written. One with
// a '&' left after decoding is dropped too: a browser reads "&#108" as a letter.
QString safeStyle(const QString& css) {
    static const QRegularExpression risky(
        QStringLiteral(R"(url\s*\(|image|expression|import|behavior|binding|javascript|\\|/\*|[<>&])"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList kept;
    for (const QString& declaration : css.split(u';'))
        if (!risky.match(declaration).hasMatch()) kept << declaration;
    const QString out = kept.join(u';');
    return out.trimmed().remove(u';').trimmed().isEmpty() ? QString() : out;
}

void appendText(QString& out, QStringView text) {
    static const QRegularExpression ref(QStringLiteral("^&(#[0-9]{1,7}|#[xX][0-9a-fA-F]{1,6}|[A-Za-z][A-Za-z0-9]{1,31});"));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'<') out += QStringLiteral("&lt;");
        else if (c == u'>') out += QStringLiteral("&gt;");
        else if (c == u'&' && !ref.match(text.mid(i, 40)).hasMatch()) out += QStringLiteral("&amp;");
        else out += c;
    }
}

QString openTag(const Tag& tag) {
    QString out = u'<' + tag.name;
    for (const auto& [name, raw] : tag.attributes) {
        if (!keptAttributes().contains(name)) continue;
        QString value = decodeCharacterReferences(raw);
        if (name == QLatin1String("style")) {
            value = safeStyle(value);
            if (value.isEmpty()) continue;
        }
        out += QStringLiteral(" %1=\"%2\"").arg(name, value.toHtmlEscaped());
    }
    return out + (keptEmptyElements().contains(tag.name) ? QStringLiteral(" />") : QStringLiteral(">"));
}

class Filter {
public:
    explicit Filter(const QString& in) : in_(in) {}

    QString run() {
        qsizetype i = 0;
        while (i < in_.size()) {
            const qsizetype lt = in_.indexOf(u'<', i);
            text(QStringView(in_).mid(i, (lt < 0 ? in_.size() : lt) - i));
            if (lt < 0) break;
            i = markup(lt);
        }
        while (!open_.isEmpty()) out_ += QStringLiteral("</%1>").arg(open_.takeLast());
        return out_;
    }

private:
    void text(QStringView t) {
        if (skipping_.isEmpty()) appendText(out_, t);
    }

    // Handles the markup at `lt`; returns where the input goes on.
    qsizetype markup(qsizetype lt) {
        if (QStringView(in_).mid(lt).startsWith(u"<!--")) {
            const qsizetype end = in_.indexOf(QStringLiteral("-->"), lt + 4);
            return end < 0 ? in_.size() : end + 3;
        }
        if (lt + 1 < in_.size() && (in_[lt + 1] == u'!' || in_[lt + 1] == u'?')) {
            const qsizetype end = in_.indexOf(u'>', lt);
            return end < 0 ? in_.size() : end + 1;
        }
        const std::optional<Tag> tag = readTag(in_, lt);
        if (!tag) {
            text(u"<");
            return lt + 1;
        }
        if (!skipping_.isEmpty()) {
            skipped(*tag);
            return tag->end;
        }
        if (tag->closing) {
            close(tag->name);
            return tag->end;
        }
        if (rawDropped().contains(tag->name)) {
            if (tag->selfClosing) return tag->end;
            static const QRegularExpression anyClose(QStringLiteral("</([A-Za-z][A-Za-z0-9]*)"));
            qsizetype at = tag->end;
            for (;;) {
                const QRegularExpressionMatch m = anyClose.match(in_, at);
                if (!m.hasMatch()) return in_.size();
                if (m.captured(1).toLower() == tag->name) {
                    const qsizetype end = in_.indexOf(u'>', m.capturedEnd());
                    return end < 0 ? in_.size() : end + 1;
                }
                at = m.capturedEnd();
            }
        }
        if (droppedWithContent().contains(tag->name)) {
            if (!tag->selfClosing) skipping_.append(tag->name);
            return tag->end;
        }
        if (keptEmptyElements().contains(tag->name)) {
            out_ += openTag(*tag);
        } else if (keptElements().contains(tag->name)) {
            closeImplied(tag->name);
            out_ += openTag(*tag);
            if (tag->selfClosing) out_ += QStringLiteral("</%1>").arg(tag->name);
            else open_.append(tag->name);
        }
        return tag->end;
    }

    // Inside an element dropped with its content: only its own nesting matters.
    void skipped(const Tag& tag) {
        if (tag.name != skipping_.last() || emptyElements().contains(tag.name)) return;
        if (tag.closing) skipping_.removeLast();
        else if (!tag.selfClosing) skipping_.append(tag.name);
    }

    // HTML lets a new item, cell, row or paragraph end the previous one without its tag: the
    // nearest open element that it ends is closed, unless one that contains it comes first.
    void closeImplied(const QString& name) {
        struct Scope {
            QStringList ends, within;
        };
        static const QHash<QString, Scope> scopes{
            {"li", {{"li"}, {"ul", "ol"}}},
            {"dt", {{"dt", "dd"}, {"dl"}}},
            {"dd", {{"dt", "dd"}, {"dl"}}},
            {"tr", {{"tr"}, {"table"}}},
            {"td", {{"td", "th"}, {"tr", "table"}}},
            {"th", {{"td", "th"}, {"tr", "table"}}},
            {"p", {{"p"}, {"div", "li", "td", "th", "blockquote", "table", "ul", "ol"}}}};
        const auto scope = scopes.constFind(name);
        if (scope == scopes.constEnd()) return;
        for (qsizetype i = open_.size() - 1; i >= 0; --i) {
            if (scope->within.contains(open_[i])) return;
            if (scope->ends.contains(open_[i])) {
                close(QString(open_[i]));
                return;
            }
        }
    }

    void close(const QString& name) {
        if (!keptElements().contains(name) || !open_.contains(name)) return;
        while (!open_.isEmpty()) {
            const QString last = open_.takeLast();
            out_ += QStringLiteral("</%1>").arg(last);
            if (last == name) break;
        }
    }

    const QString& in_;
    QString out_;
    QStringList open_;      // kept elements not yet closed, innermost last
    QStringList skipping_;  // the element being dropped, once per nesting level
};

}  // namespace

QString safeHtml(const QString& html) { return Filter(html).run(); }

}  // namespace cot
