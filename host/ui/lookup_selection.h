#pragma once
#include <QString>
#include <QStringList>

namespace cot {

// Selection text of the multi-row list search (Pesqlista::PesquisaLista), forwarded
// as is to the application server, which parses it into bound parameters:
//
//   'code1','code2','code3'
//
// every code between single quotes, a quote inside a code doubled (''), codes joined
// by one comma without blanks, in the order of the list. No rows selected → "".
QString selectionText(const QStringList& codes);

// Reverse of selectionText. Returns false (and leaves `codes` empty) on malformed text.
bool parseSelectionText(const QString& text, QStringList& codes);

}  // namespace cot
