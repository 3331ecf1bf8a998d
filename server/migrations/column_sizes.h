#pragma once
// How many characters each text column holds, read from the migrations' own CREATE TABLE
// and ALTER TABLE ... ADD COLUMN statements: a column's size is written once, where the
// column is declared, and every check of a text reads it from there.
#include <QString>
#include <optional>

namespace cot::server::schema {

// What a memo column (TEXT: observations, proposal and standard texts, objectives,
// comments) accepts. The schema gives it no size; the server does, so no text is
// unbounded. A million characters is some four hundred pages, far above any proposal's
// text, and keeps one change of such a text (with its history row) near a megabyte.
inline constexpr int kMemoCharacters = 1'000'000;

// The characters the table's column holds: n of VARCHAR(n) and CHAR(n), kMemoCharacters
// of TEXT; nullopt when it holds no text (numbers, dates, timestamps). Names in any case.
// A table the schema does not declare (a test's own) is taken as memos throughout, so
// nothing goes unbounded. Throws std::invalid_argument for a column the table does not
// have: a caller names a column that exists.
std::optional<int> textSize(const QString& table, const QString& column);

}  // namespace cot::server::schema
