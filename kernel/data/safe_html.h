#pragma once
#include <QString>

namespace cot {

// Rich text of a proposal made fit to be placed inside another HTML document (the report
// printed by the desktop, a page a browser shows): its formatting and its words, nothing
// the renderer would fetch or run.
//
// Kept, with the attributes style (filtered), align, valign, width, height, colspan,
// rowspan, cellspacing, cellpadding, border, bgcolor, color, size, face, type, start, value
// and dir: paragraphs, divisions, spans, line breaks, rules, headings, bold, italic,
// underline, strike-through, sub/superscript, fonts, lists, tables, quotes, preformatted.
// Attribute values have their character references decoded (decodeCharacterReferences)
// before they are checked and written out escaped again.
// A style declaration that names a URL, an image, an expression, an import, a comment, a
// CSS escape or keeps a '&' is dropped; the others stay as written.
//
// Dropped with everything inside: scripts, style sheets, head, title, iframes, objects,
// form controls, SVG and MathML, media, templates, comments, declarations.
// Dropped keeping their text: links (the text stays, the address goes), forms, html and
// body, and any element not listed above.
// Dropped entirely: images, <link>, <meta>, <base>, <embed> and other empty elements, and
// every other attribute (src, href, background, on... handlers).
//
// The result is balanced: elements left open are closed at its end and closing tags with
// nothing to close are dropped, so a text can neither close nor swallow the report around
// it. Text is escaped; character references are kept as written.
QString safeHtml(const QString& html);

}  // namespace cot
