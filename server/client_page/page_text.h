#pragma once
// The proposal's stored texts as the client's page shows them: never as markup. Rich text
// (what the desktop's editor stores) is reduced to its plain text (plainTextOfHtml, in
// data/html_text.h), keeping the paragraph and line breaks; the result is escaped, so
// nothing typed or pasted into a text can add a tag, a script or a link to the page.
#include <QString>

namespace cot::server::client_page {

// Escaped HTML of a plain text, its line breaks as <br>.
QString inertHtml(const QString& plain);
// HTML-escaped text for element content and double-quoted attributes.
QString esc(const QString& text);

}  // namespace cot::server::client_page
