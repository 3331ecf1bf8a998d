#pragma once
#include <QString>

namespace cot {

// Applies an edit mask to a stored value for display, as the document-number columns
// do with PictPess masks: formatMaskText("999.999.999-99;0; ", "12345678901")
// == "123.456.789-01".
// Mask sections: "characters;save-literals;blank". Mask characters: 0 9 # L l A a C c
// take one character of the value each; \x is the literal x; ! < > only change case
// handling; anything else is a literal. With save-literals "0" the value holds only the
// data characters; with "1" it holds the literals too. Missing characters show as the
// blank character. A value with more data characters than the mask has places is
// returned unchanged, so a number that does not fit its mask is never cut.
QString formatMaskText(const QString& mask, const QString& value);

}  // namespace cot
