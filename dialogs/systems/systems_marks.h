#pragma once
#include <QString>

namespace cot {

class ClientTable;

// The marks of the systems list (field IDCHECK) and the list of checked systems kept
// beside it in checking order. Both tables have the same fields; rows are matched by
// CDSISTEMA.
namespace systems_marks {

// The fields of the systems list and of the checked list (also those of the choice the
// dialog hands back for a line being inserted).
void choiceFields(ClientTable& t);

inline const QString kSelectable = QStringLiteral("N");
inline const QString kChecked = QStringLiteral("S");
inline const QString kOnLine = QStringLiteral("T");  // already on the line: never changes
inline const QString kBlocked = QStringLiteral("");  // not selectable

// `T` on the first row of each system of the line. The line's table is read without
// moving its cursor (it may be in the middle of an edit). Cursor on the first row.
void markOnLine(ClientTable& systems, const ClientTable& lineSystems);
// `S` again on the selectable rows whose system is among the checked ones (after a reload).
void markChecked(ClientTable& systems, const ClientTable& checked);
// Current row: N → S, appended to `checked`; S → N, removed from it. T and blocked
// rows stay. Returns whether the mark changed.
bool toggleCurrent(ClientTable& systems, ClientTable& checked);
// An access-point line takes one new system: once one is checked every other row is
// blocked; with none checked every row is selectable again. `T` rows stay as they are.
void applyAccessPoint(ClientTable& systems, const ClientTable& checked);
// Every row but the `T` ones: checked (and added to `checked` unless there) or
// unchecked (and `checked` emptied). Cursor on the first row.
void setAll(ClientTable& systems, ClientTable& checked, bool check);
// The first checked system has been written to the line: `T` on its row of the list
// and off the checked ones, so it is never sent twice.
void markWritten(ClientTable& systems, ClientTable& checked);
// CDSISTEMA of the checked systems, sorted as text, joined with single blanks.
QString checkedCodes(const ClientTable& checked);
// The same over the line's systems (when given) and the checked ones together, each once:
// the configuration the line will have.
QString configurationCodes(const ClientTable* lineSystems, const ClientTable& checked);

}  // namespace systems_marks
}  // namespace cot
