#pragma once
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include "money.h"

namespace cot {
class Field;
}

// Checking and normalising routines every screen leans on. The widget helpers
// (GridText, IndiceCol, InsereImagem, SetChildEnabled) live with the controls and
// CheckResultServ with the remote connection.
namespace cot::Consiste {

// Shows `text` as an error at once and, when `abort` is true, ends the operation by
// throwing Abort (the message is not shown again by the action boundary). Without a
// dialogs service (server side, batch runs) nothing can be shown, so the text travels
// as a UserError instead and is never lost.
void MensErro(const QString& text, bool abort = true);

// True when the text is empty or only blanks.
bool EmptyString(const QString& text);
// The text without leading and trailing blanks.
QString AllTrim(const QString& text);

// Normalises a code typed by the user to the width it is stored with: blanks are
// trimmed and an all-digit code shorter than `width` is left-padded with zeros
// ("7" → "007" for width 3). Empty stays empty; codes with letters, and codes already
// as long as the width or longer, are returned trimmed and otherwise unchanged.
QString Ajusta(const QString& code, int width);

// Normalises a Brazilian document number in place and returns the person type:
//   11 digits (CPF)  → "F" (física), the text becomes the 11 digits;
//   14 digits (CNPJ) → "J" (jurídica), the text becomes the 14 digits;
//   anything else    → "E" (estrangeiro/outro), the text is kept trimmed;
//   blank            → "" and the text becomes empty.
// Punctuation ('.', '-', '/', blanks) is dropped. A leading letter followed by the
// number (callers write "C" + number to mark a client register check) is a marker
// and is removed first.
QString Ajusta_Inscricao(QString& inscription);

// Edit mask of a document number for a person type: "F" → "999.999.999-99;0; ",
// "J" → "99.999.999/9999-99;0; ", any other type → "" (free text).
QString PictPess(const QString& personType);

// Puts a typed day/month/year text into a date field: blank or the empty mask
// ("  /  /    ") clears it; a valid date ("dd/mm/yyyy", "d/m/yy", optional time) is
// stored; anything else throws UserError "'<text>' não é uma data válida.".
void DateSetText(Field& field, const QString& text);

// Adds n months (n may be negative). When the day does not exist in the target month
// the last day of that month is used: 31/01/2028 + 1 → 29/02/2028. The time is kept.
QDate SomaMes(const QDate& date, int months);
QDateTime SomaMes(const QDateTime& date, int months);
// Last day of the date's month (at midnight for date-times).
QDate UltimoDiaMes(const QDate& date);
QDateTime UltimoDiaMes(const QDateTime& date);


// Fills `list` with the names of the files matching a path mask such as
// "/base/Proposta/0000000123-01/*.*" ('\\' accepted as separator; "*.*" matches every
// file, also those without an extension; matching ignores case), sorted naturally
// ("a2" before "a10", case ignored). A missing folder gives an empty list. Returns the count.
int SortFiles(QStringList& list, const QString& pathMask);
// Natural, case-insensitive order of file names.
QStringList sortFileNames(QStringList names);

}  // namespace cot::Consiste
