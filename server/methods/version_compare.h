#pragma once
#include <QList>
#include <QString>

namespace cot::server {
class Database;

// What changed from one version of a proposal number to another, section by section,
// for reading side by side. Rows are matched by their key within the version: a product
// line by its code (a line of the second version whose code is new but whose informed
// code meets exactly one unmatched line of the first is the same line), a system by its
// line and code, an installment by its line and its place in due-date order, a service
// by its sequence, a text by its code. Values are texts formatted for reading: money
// "1.500,00", dates dd/mm/aaaa, quantities with a decimal comma, codes as stored, rich
// texts as plain text cut to a readable length (compared whole).
namespace version_compare {

enum class Change : char { Added = 'I', Removed = 'E', Altered = 'A', Total = 'T' };

struct Difference {
    QString section;     // "Cabeçalho", "Linhas de produto", ..., "Totais"
    QString item;        // the row, e.g. "6001 - ERP Web - filiais"
    QString field;       // column name; empty for a row added or removed
    QString fieldLabel;  // the column as a reader knows it
    Change change = Change::Altered;
    QString first, second;  // the value in each version; empty on the side that lacks the row
};

// Both versions must be stored (the caller says otherwise). Every difference in section
// order, then the totals of both versions: licence of use, monthly, services and the
// grand total (licence plus services, as the proposal report adds them).
QList<Difference> compare(Database& db, const QString& number, const QString& first, const QString& second);

// Stored rich text as a reader sees it: tags, head and style dropped, the common entities
// decoded, blanks collapsed.
QString plainText(const QString& stored);

}  // namespace version_compare
}  // namespace cot::server
