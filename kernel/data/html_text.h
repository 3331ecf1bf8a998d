#pragma once
// Text out of HTML: what the proposal's stored texts hold (rich text from the desktop's
// editor, or plain text) read as words, for whoever must never pass it on as markup.
#include <QString>

namespace cot {

// Named and numeric character references decoded: the named ones of Latin-1 and the
// punctuation word processors paste ("&ecirc;", "&ndash;", "&hellip;"), "&#233;", "&#xE9;".
// A reference needs its ';'; an unknown or invalid one ("&bogus;", "&#0;") stays as written.
QString decodeCharacterReferences(const QString& text);

// The plain text of a stored text. Rich text (a document, or text with its formatting
// elements) loses its tags, with the content of head, title, script and style elements and
// comments; its references are decoded, its paragraphs, items, rows and line breaks become
// '\n' and the blanks the layout left around them go. Anything else (a "<script>" typed into
// a plain text among them) is plain text, returned trimmed.
QString plainTextOfHtml(const QString& stored);

}  // namespace cot
