#pragma once
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

#include "data/packet.h"

namespace cot::server {

class Database;

// What the resolver may write for one table: its name, its key and the columns that
// belong to it. Any other column of a delta (joined names, calculated values) is ignored.
struct TableResolver {
    QString table;
    QStringList keyColumns;
    QStringList columns;  // includes the key columns
};

// The resolver of a catalogued table (data/table_catalogue.h): its key and its columns,
// less `serverKept`, the columns only the server itself writes (a delta's values for
// them are ignored). Throws std::invalid_argument for a table or column not catalogued.
TableResolver tableResolver(const QString& table, const QStringList& serverKept = {});

// Applies a client table's change log in one transaction, all or nothing.
// Updates touch only the changed columns and only while the key and the original values
// of those columns still match; deletes only while the key matches. A row that no longer
// matches fails the whole delta with "Registro alterado ou excluído por outro usuário.".
// `beforeApply` sees each change before it is written (fill server-side columns, refuse
// a row by throwing MethodError).
// A text longer than its column (server/storage/text_bounds.h) refuses the whole delta
// before anything is written, whether the client sent it or beforeApply put it there.
// Each change of a proposal's row is written to the proposal's history in the same
// transaction (server/storage/proposal_history.h).
void applyDelta(Database& db, const TableResolver& resolver, const Delta& delta,
                const std::function<void(RowChange&)>& beforeApply = {});

// Adds a column (null in every change) unless the delta already has it, so beforeApply can
// fill a server-side value. Returns the column's index.
int ensureDeltaColumn(Delta& delta, const FieldDef& field);

}  // namespace cot::server
