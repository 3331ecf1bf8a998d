#include "server/methods/delta_support.h"

namespace cot::server::cells {

QVariant cell(const Delta& delta, const QVariantList& values, int index) {
    if (index < 0 || index >= values.size()) return {};
    return coerceValue(values.at(index), delta.fields.at(index).type);
}

QString cellText(const Delta& delta, const QVariantList& values, int index) {
    return cell(delta, values, index).toString().trimmed();
}

bool changes(const Delta& delta, const RowChange& change, int index) {
    if (index < 0) return false;
    if (change.op == ChangeOp::Insert) return true;
    const QVariant a = cell(delta, change.oldValues, index), b = cell(delta, change.newValues, index);
    return a.isNull() != b.isNull() || a != b;
}

}  // namespace cot::server::cells
