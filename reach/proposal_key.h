#pragma once
// What a proposal key is on the desktop, and the rows of one key in a table.
//
// A stored number is 20 digits, zero-padded (a shorter one is the same number without its
// zeros); a version is two digits. A key is data: it is compared with field values, never
// pasted into a path, a filter text or SQL.
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <vector>

namespace cot {

class ClientTable;

// Key of the proposal version under the list's cursor.
struct ProposalKey {
    QString nr;   // NRPROPOSFAS
    QString ver;  // NRVERPROPFAS
};

namespace proposal_key {

bool isNumber(const QString& number);    // 1 to 20 digits 0-9, nothing else
bool isVersion(const QString& version);  // exactly two digits 0-9

// Field names and the text each must hold.
using KeyValues = QList<QPair<QString, QString>>;

// Whether the row `table` reads now holds every value of `key` (text compared exactly).
bool holds(const ClientTable& table, const KeyValues& key);

// The sums of `columns` (as floats, no rounding) over the rows of `table` that hold `key`;
// the cursor does not move.
std::vector<long double> sums(const ClientTable& table, const KeyValues& key, const QStringList& columns);

}  // namespace proposal_key
}  // namespace cot
