#pragma once
// Selections of the proposal filter (clients, prospects, contacts) as the desktop's
// multi-row pick sends them:
//
//   'code1','code2','code3'
//
// every code between single quotes, a quote inside a code doubled (''), codes joined by
// commas (blanks around the commas are tolerated). The codes become bound parameters;
// the text itself never reaches SQL.
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <optional>

namespace cot::server {

// The codes of a selection text, in order; nullopt when the text is malformed
// (an unquoted code, an unclosed quote, a missing or doubled comma, or text after the
// last quote). An empty or blank text is a valid selection of no codes.
std::optional<QStringList> parseSelectionText(const QString& text);

// "COLUMN IN (:P0, :P1, ...)" with the codes added to `params` under `prefix` + index.
// An empty list gives a condition no row satisfies.
QString inCondition(const QString& column, const QStringList& codes, const QString& prefix, QVariantMap& params);

}  // namespace cot::server
