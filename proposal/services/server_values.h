#pragma once
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

namespace cot {

class ClientTable;

// Writes values the server already holds into the current row of a table as the server's
// own: none of the table's handlers runs, nothing is logged to be sent again, and the
// values become the row's original ones. A row being edited simply takes them.
void storeServerValues(ClientTable& table, const QList<QPair<QString, QVariant>>& values);

}  // namespace cot
