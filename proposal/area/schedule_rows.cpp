#include "proposal/area/schedule_rows.h"

#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QSet>

#include "base/clock.h"
#include "data/client_table.h"
#include "data/format_br.h"
#include "services/consiste.h"
#include "services/money.h"

namespace cot::schedule_rows {

namespace {

// Grid refreshes are held while many rows change; released on every path out.
auto holdControls(ClientTable& t) {
    t.disableControls();
    return qScopeGuard([&t] {
        if (t.controlsDisabled()) t.enableControls();
    });
}

}  // namespace

QDateTime midnight(const QDate& day) { return QDateTime(day, QTime(0, 0)); }

QDate firstDue(const QDateTime& proposalDate) {
    const QDate today = Clock::current().today();
    return proposalDate.isValid() && proposalDate.date() > today ? proposalDate.date() : today;
}

QString interestNote(long double ratePercent, int count) {
    if (count <= 3 || ratePercent <= 0) return {};
    return QStringLiteral("inclui juros de %1% (4 ou mais parcelas)").arg(formatFloat(QStringLiteral("0.00"), ratePercent));
}

std::vector<double> values(const ClientTable& t, const QString& valueField) {
    std::vector<double> out;
    if (!t.active()) return out;
    out.reserve(size_t(t.rowCount()));
    for (int r = 0; r < t.rowCount(); ++r) {
        ClientTable::RowView row(t, r);
        out.push_back(t[valueField].asFloat());
    }
    return out;
}

void assign(ClientTable& t, const QString& valueField, const std::vector<double>& split) {
    const auto held = holdControls(t);
    const Bookmark at = t.bookmark();
    t.first();
    for (double value : split) {
        if (t.eof()) break;
        if (t[valueField].isNull() || !sameMoney(t[valueField].asFloat(), value)) {
            t.edit();
            t[valueField].setAsFloat(value);
            t.post();
        }
        t.next();
    }
    if (t.bookmarkValid(at)) t.gotoBookmark(at);
}

void regenerate(ClientTable& t, const QString& dueField, const QString& valueField, int count, const QDate& first,
                bool& generating, bool pendingBefore) {
    const auto held = holdControls(t);
    const QScopedValueRollback<bool> flag(generating, true);
    // Nothing half made is left behind: back to what the server holds.
    auto undo = qScopeGuard([&] {
        if (t.isEditing()) t.cancel();
        if (!pendingBefore) t.cancelUpdates();
    });
    if (t.isEditing()) t.cancel();
    t.first();
    while (!t.isEmpty()) t.deleteRecord();
    for (int i = 0; i < count; ++i) {
        t.append();
        t[dueField].setAsDateTime(midnight(Consiste::SomaMes(first, i)));
        t[valueField].setAsFloat(0);
        t.post();
    }
    undo.dismiss();
}

void deleteAll(ClientTable& t, bool& generating) {
    const auto held = holdControls(t);
    const QScopedValueRollback<bool> flag(generating, true);
    t.first();
    while (!t.isEmpty()) t.deleteRecord();
}

RowProblem rowProblem(const ClientTable& t, const QString& dueField, const QString& valueField,
                      const QDateTime& proposalDate) {
    const QDateTime due = t[dueField].asDateTime();
    if (due.isValid() && proposalDate.isValid() && proposalDate.date() > due.date())
        return {QStringLiteral("DTVENC_PROP"), dueField};
    if (!due.isValid()) return {QStringLiteral("DTVENC"), dueField};
    // Zero is a value.
    if (t[valueField].isNull()) return {QStringLiteral("VALOR"), valueField};
    return {};
}

bool sameDayAsStored(const ClientTable& t, const QString& dueField) {
    const QVariant old = t[dueField].oldValue();
    return !old.isNull() && old.toDateTime().date() == t[dueField].asDateTime().date();
}

bool storedMayStandOn(const ClientTable& t, const QString& dueField, const QDate& day) {
    const Delta log = t.delta();
    const int dueAt = log.indexOf(dueField);
    int inserted = 0;
    QSet<QDate> freed;
    for (const RowChange& c : log.changes) {
        if (c.op == ChangeOp::Insert) ++inserted;
        else if (c.op == ChangeOp::Delete && dueAt >= 0) freed.insert(c.oldValues.value(dueAt).toDateTime().date());
    }
    // No stored installment is left in the table: none can stand on that day.
    if (t.recordCount() == inserted) return false;
    return !freed.contains(day);
}

}  // namespace cot::schedule_rows
