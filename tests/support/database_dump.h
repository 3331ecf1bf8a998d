#pragma once
// Every row of every table as one text, to show that a refused call wrote nothing.
#include <QString>
#include <string>

namespace cot::server {
class Database;
}

namespace cot::testing {

// Each table's rows, sorted, under the table's name; tables in name order.
QString wholeDatabase(server::Database& db);
// The first line where two dumps part ("was: …\nnow: …"), or empty when they are the same.
std::string firstDifference(const QString& before, const QString& after);

}  // namespace cot::testing
