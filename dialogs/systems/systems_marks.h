#pragma once
#include <QString>

namespace cot {

class ClientDataSet;

// The marks of the systems list (field IDCHECK) and the list of checked systems kept
// beside it in checking order. Both tables have the same fields; rows are matched by
// CDSISTEMA.
namespace systems_marks {

inline const QString kSelectable = QStringLiteral("N");
inline const QString kChecked = QStringLiteral("S");
inline const QString kOnLine = QStringLiteral("T");  // already on the line: never changes
inline const QString kBlocked = QStringLiteral("");  // not selectable

// `T` on the first row of each system of the line. The line's table is read without
// moving its cursor (it may be in the middle of an edit). Cursor on the first row.
void markOnLine(ClientDataSet& systems, const ClientDataSet& lineSystems);
// `S` again on the selectable rows whose system is among the checked ones (after a reload).
void markChecked(ClientDataSet& systems, const ClientDataSet& checked);
// Current row: N → S, appended to `checked`; S → N, removed from it. T and blocked
// rows stay. Returns whether the mark changed.
bool toggleCurrent(ClientDataSet& systems, ClientDataSet& checked);
// An access-point line takes one new system: once one is checked every other row is
// blocked; with none checked every row is selectable again. `T` rows stay as they are.
void applyAccessPoint(ClientDataSet& systems, const ClientDataSet& checked);
// Every row but the `T` ones: checked (and added to `checked` unless there) or
// unchecked (and `checked` emptied). Cursor on the first row.
void setAll(ClientDataSet& systems, ClientDataSet& checked, bool check);
// The first checked system has been written to the line: `T` on its row of the list
// and off the checked ones, so it is never sent twice.
void markWritten(ClientDataSet& systems, ClientDataSet& checked);
// CDSISTEMA of the checked systems, sorted as text, joined with single blanks.
QString checkedCodes(const ClientDataSet& checked);
// The same over the line's systems (when given) and the checked ones together, each once:
// the configuration the line will have.
QString configurationCodes(const ClientDataSet* lineSystems, const ClientDataSet& checked);

// Keeps a table's controls from redrawing until the scope ends, on every path out.
class ControlsOff {
public:
    explicit ControlsOff(ClientDataSet& table);
    ~ControlsOff();
    ControlsOff(const ControlsOff&) = delete;
    ControlsOff& operator=(const ControlsOff&) = delete;

private:
    ClientDataSet& table_;
};

}  // namespace systems_marks
}  // namespace cot
