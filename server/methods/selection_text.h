#pragma once
// Bound SQL conditions for the selections of the proposal filter (format and parser
// in data/selection_text.h).
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include "data/selection_text.h"

namespace cot::server {

// "COLUMN IN (:P0, :P1, ...)" with the codes added to `params` under `prefix` + index.
// An empty list gives a condition no row satisfies.
QString inCondition(const QString& column, const QStringList& codes, const QString& prefix, QVariantMap& params);

}  // namespace cot::server
