#pragma once
// Selection text of the multi-row list search, as the desktop sends it to the server:
//
//   'code1','code2','code3'
//
// every code between single quotes, a quote inside a code doubled (''), codes joined by
// commas (blanks around the commas are tolerated when reading). No rows selected → "".
// The server turns the codes into bound parameters; the text never reaches SQL.
#include <QString>
#include <QStringList>
#include <optional>

namespace cot {

QString selectionText(const QStringList& codes);

// The codes in order; nullopt when malformed (an unquoted code, an unclosed quote, a
// missing or doubled comma, text after the last quote). Blank text selects no codes.
std::optional<QStringList> parseSelectionText(const QString& text);

}  // namespace cot
