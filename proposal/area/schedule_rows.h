#pragma once
// Rows of an installment schedule (a line's or the service package's): the same moves on
// two tables that differ only in their field names.
#include <QDate>
#include <QDateTime>
#include <QString>
#include <vector>

namespace cot {

class ClientTable;

namespace schedule_rows {

// Due dates are kept at midnight.
QDateTime midnight(const QDate& day);

// The first due date of a schedule the screen makes (a first installment, a generation
// with no date typed): today, or the proposal's own date when that is later.
QDate firstDue(const QDateTime& proposalDate);

// Why a schedule's total is above its base: "inclui juros de 1,50% (4 ou mais parcelas)"
// for more than three installments at a rate above zero; empty otherwise.
QString interestNote(long double ratePercent, int count);

// The values of the installments, in table order.
std::vector<double> values(const ClientTable& t, const QString& valueField);

// Gives the installments, in table order, the values of `split`; only the rows whose value
// changes are edited (and so logged). The cursor and the grid stay where they were.
void assign(ClientTable& t, const QString& valueField, const std::vector<double>& split);

// Replaces every installment by `count` of value 0, a calendar month apart from `first`.
// `generating` is set meanwhile (the table's after-delete then waits for the inserts). A
// failure leaves the table as the server holds it, unless changes were pending before.
void regenerate(ClientTable& t, const QString& dueField, const QString& valueField, int count, const QDate& first,
                bool& generating, bool pendingBefore);

// Deletes every installment, with `generating` set meanwhile.
void deleteAll(ClientTable& t, bool& generating);

// What keeps the current installment from being posted: the catalogue key of the failure
// and the field to focus ("" when nothing). Its due date may be the proposal's own day.
struct RowProblem {
    QString key;
    QString field;
};
RowProblem rowProblem(const ClientTable& t, const QString& dueField, const QString& valueField,
                      const QDateTime& proposalDate);

// Whether the current installment's due date is the day it already had (nothing to check).
bool sameDayAsStored(const ClientTable& t, const QString& dueField);

// Whether a stored installment may still stand on `day`: not when the pending change log
// deletes the one stored there, nor when every stored installment is being replaced.
bool storedMayStandOn(const ClientTable& t, const QString& dueField, const QDate& day);

}  // namespace schedule_rows
}  // namespace cot
