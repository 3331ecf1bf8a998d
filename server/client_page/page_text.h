#pragma once
// The proposal's stored texts as the client's page shows them: never as markup. Rich text
// (what the desktop's editor stores) is reduced to its plain text, keeping the paragraph
// and line breaks; the result is escaped, so nothing typed or pasted into a text can add a
// tag, a script or a link to the page.
#include <QString>

namespace cot::server::client_page {

// The plain text of a stored text: tags dropped (with the content of script, style and
// head elements), character references decoded, paragraphs and line breaks as '\n'.
QString plainText(const QString& stored);
// Escaped HTML of a plain text, its line breaks as <br>.
QString inertHtml(const QString& plain);
// HTML-escaped text for element content and double-quoted attributes.
QString esc(const QString& text);

}  // namespace cot::server::client_page
