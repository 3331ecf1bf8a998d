#pragma once
#include <QChar>
#include <QString>

#include "services/mask_text.h"  // formatMaskText: a stored value shown through its mask

namespace cot {

// An edit mask as the screens write it: "mask;save literals;blank", e.g. "99;0; ",
// "!99/99/0000;1; ", "(99)0000-0000;0; ".
//   0 digit required, 9 digit optional, # digit or sign optional, L/l letter
//   required/optional, A/a letter or digit, C/c any character, > upper case, < lower case,
//   <> no case change, \ next character literal, ! (leading) keep blanks, _ a blank;
//   anything else is a literal. The second part "0" stores only what was typed,
//   "1" stores the literals too.
struct EditMask {
    QString qtMask;          // the same mask for QLineEdit::setInputMask
    bool saveLiterals = true;
    QChar blank = QLatin1Char(' ');
    bool valid = false;      // false for an empty mask
};

EditMask parseEditMask(const QString& mask);

// The text to store from what an edit shows (its display text, blanks included):
// literals dropped unless the mask saves them; unfilled positions dropped when literals
// are not saved, else written as the mask's blank.
QString maskedStoredText(const QString& mask, const QString& shown);


}  // namespace cot
