#pragma once
// Reading the cells of a client table's change log, as every writer does before it
// checks and stores a row: a column coerced to the field's type, and whether an update
// touches it.
#include <QString>
#include <QVariant>

#include "data/packet.h"

namespace cot::server::cells {

// A column of a change, coerced to the delta field's type; null when the delta lacks it.
QVariant cell(const Delta& delta, const QVariantList& values, int index);
// The same column as text, trimmed.
QString cellText(const Delta& delta, const QVariantList& values, int index);
// Whether an update changes the column (an insert changes every column it carries).
bool changes(const Delta& delta, const RowChange& change, int index);

}  // namespace cot::server::cells
