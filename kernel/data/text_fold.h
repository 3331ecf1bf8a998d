#pragma once
#include <QString>

namespace cot {

// Text as a search compares it: accents dropped and case folded, so "joao" finds "João"
// and "ACAO" finds "Ação" (letters decomposed, their combining marks left out).
QString foldedText(const QString& text);

// `text` contains `wanted`, accents and case ignored. Empty `wanted` is in every text.
bool containsFolded(const QString& text, const QString& wanted);

}  // namespace cot
