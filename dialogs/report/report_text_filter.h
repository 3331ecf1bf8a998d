#pragma once
#include <QString>

namespace cot {

// Rich text of a proposal made fit to be placed inside the report: its formatting and its
// words, nothing the report's renderer would fetch or run.
//
// Kept, with the attributes style (filtered), align, valign, width, height, colspan,
// rowspan, cellspacing, cellpadding, border, bgcolor, color, size, face, type, start, value
// and dir: paragraphs, divisions, spans, line breaks, rules, headings, bold, italic,
// underline, strike-through, sub/superscript, fonts, lists, tables, quotes, preformatted.
// A style declaration that names a URL, an image, an expression, an import, a comment or a
// CSS escape is dropped; the others stay as written.
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
QString reportSafeHtml(const QString& html);

}  // namespace cot
