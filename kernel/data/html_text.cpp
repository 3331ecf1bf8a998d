#include "data/html_text.h"

#include <QRegularExpression>
#include <iterator>
#include <utility>

namespace cot {

namespace {

// Rich text is what the editor stores: a document, or text with its formatting elements.
// Anything else (a "<script>" typed into a plain text among them) is plain text.
bool isRichText(const QString& s) {
    static const QRegularExpression formatting(
        QStringLiteral(
            "<(!doctype|html|body|p|br|div|span|b|i|u|strong|em|ul|ol|li|table|tr|td|th|font|h[1-6])\\b[^>]*>"),
        QRegularExpression::CaseInsensitiveOption);
    return formatting.match(s).hasMatch();
}

// The named references of Latin-1 (code points 160 to 255, in order) and the punctuation
// word processors paste; any other name stays as written.
char32_t namedReference(const QString& name) {
    static const char* const latin1[] = {
        "nbsp",   "iexcl", "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",  "ordf",
        "laquo",  "not",   "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",   "acute", "micro",
        "para",   "middot", "cedil", "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave",
        "Aacute", "Acirc", "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc", "Euml",
        "Igrave", "Iacute", "Icirc", "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",
        "times",  "Oslash", "Ugrave", "Uacute", "Ucirc", "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute",
        "acirc",  "atilde", "auml",  "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",  "igrave",
        "iacute", "icirc", "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",  "divide",
        "oslash", "ugrave", "uacute", "ucirc", "uuml",   "yacute", "thorn",  "yuml"};
    for (char32_t i = 0; i < std::size(latin1); ++i)
        if (name == QLatin1String(latin1[i])) return 160 + i;
    static const std::pair<const char*, char32_t> others[] = {
        {"amp", '&'},       {"lt", '<'},        {"gt", '>'},        {"quot", '"'},      {"apos", '\''},
        {"ndash", 0x2013},  {"mdash", 0x2014},  {"lsquo", 0x2018},  {"rsquo", 0x2019},  {"ldquo", 0x201C},
        {"rdquo", 0x201D},  {"bull", 0x2022},   {"hellip", 0x2026}, {"euro", 0x20AC},   {"trade", 0x2122}};
    for (const auto& [n, code] : others)
        if (name == QLatin1String(n)) return code;
    return 0;
}

}  // namespace

QString decodeCharacterReferences(const QString& s) {
    static const QRegularExpression ref(
        QStringLiteral("&(#[0-9]{1,7}|#[xX][0-9A-Fa-f]{1,6}|[A-Za-z][A-Za-z0-9]{1,7});"));
    QString out;
    out.reserve(s.size());
    qsizetype at = 0;
    auto it = ref.globalMatch(s);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(s).mid(at, m.capturedStart() - at);
        at = m.capturedEnd();
        const QString name = m.captured(1);
        char32_t code = 0;
        if (name.startsWith(u'#')) {
            bool ok = false;
            const uint value = name.at(1).toLower() == u'x' ? name.mid(2).toUInt(&ok, 16) : name.mid(1).toUInt(&ok, 10);
            if (ok && value > 0 && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF)) code = value;
        } else {
            code = namedReference(name);
        }
        if (code == 0) {
            out += m.captured(0);
        } else {
            out += QString::fromUcs4(&code, 1);
        }
    }
    out += QStringView(s).mid(at);
    return out;
}

QString plainTextOfHtml(const QString& stored) {
    if (!isRichText(stored)) return stored.trimmed();
    QString s = stored;
    // Whatever is never shown: the document's head, scripts, styles and comments.
    static const QRegularExpression hidden(
        QStringLiteral("<!--.*?-->|<(head|script|style|title)\\b[^>]*>.*?</\\1\\s*>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    s.remove(hidden);
    // In rich text a source line break is a blank; breaks come from the elements.
    s.replace(QRegularExpression(QStringLiteral("[\\r\\n\\t]+")), QStringLiteral(" "));
    static const QRegularExpression breaks(QStringLiteral("<br\\b[^>]*>|</(p|div|li|tr|h[1-6])\\s*>"),
                                           QRegularExpression::CaseInsensitiveOption);
    s.replace(breaks, QStringLiteral("\n"));
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    s.remove(tags);
    s = decodeCharacterReferences(s);
    // Blanks the layout left around the breaks.
    static const QRegularExpression ragged(QStringLiteral("[ \\x{00A0}]*\\n[ ]*"));
    s.replace(ragged, QStringLiteral("\n"));
    static const QRegularExpression blankRuns(QStringLiteral("\\n{3,}"));
    s.replace(blankRuns, QStringLiteral("\n\n"));
    return s.trimmed();
}

}  // namespace cot
