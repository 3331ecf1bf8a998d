#pragma once
// The history of a proposal: every change the server applies to a proposal version and its
// rows, one row per field changed, written in the transaction of the change itself, so a
// change that is rolled back leaves no history and a change kept is never without it.
//
//   HISTPROP: NRPROPOSFAS, NRVERPROPFAS    the version changed
//             DTHIST, NRSEQHIST             when (server clock), and the order within it
//             CDOPERADOR, NMMETODO          who, through which remote method
//             NMTABELA, DSCHAVE             the table and the row's key ("COL=value; ...")
//             IDOPERHIST                    I inserted, A altered, E deleted; M a method that
//                                           wrote the version by itself (a copy, a switch,
//                                           a regeneration, the acceptance): no table, no field
//             NMCAMPO, VLANTERIOR, VLNOVO   the field with its value before and after, as text
//             CDFILIAL, CDOPERINCL,         the version's branch and operators (included,
//             CDOPERSOLI                    requested) when the row was written: who may read
//                                           it once the version is gone (history_rights.h)
//
// No remote method writes or deletes history rows; only these functions do.
#include <QString>
#include <QStringList>

#include "data/packet.h"

namespace cot::server {

class Database;
struct TableResolver;

namespace history {

// The history rows of one change of a delta, as the resolver applied it to its table:
// the table's fields an update changed, an insert stored or a delete removed (null ones
// left out). Nothing when the table's rows do not name a proposal version.
void recordChange(Database& db, const TableResolver& resolver, const Delta& delta, const RowChange& change);

// The run of a method that wrote the version by itself (not through a delta), named by
// the connection's author; `origin`, when given, is what it came from (a copy's source
// version, "NUMBER/VERSION"), kept as the old value.
void recordMethodRun(Database& db, const QString& nr, const QString& ver, const QString& origin = {});

// The text a value is kept as: dates in ISO form, numbers without exponent.
QString valueText(const QVariant& value);

}  // namespace history
}  // namespace cot::server
