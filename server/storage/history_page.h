#pragma once
// One page of a version's history as GetHistorico sends it: newest first (DTHIST DESC,
// NRSEQHIST DESC; rows alike in both in a fixed order of their other columns), bounded in
// rows and in text, with the cursor where the next page starts.
//
// Bounds: at most kMaxRows rows; each of VLANTERIOR and VLNOVO at most kValueCharacters
// characters (a longer one is cut and ends in "…"); the values of one page at most
// kPageValueCharacters characters in all (the page ends early, cursor given, before the row
// that would pass it; a first row always fits). The other cells are cut to their columns'
// sizes (12 + 40 + 30 + 200 + 1 + 30 characters and a date), the cursor is under 100 and
// the row's description at most 200, so a page's text is at most 2 Mi + 1000 × ~540
// characters, some 2.6 million.
//
// The cursor is opaque text, "h1." and base64url of the last row's DTHIST as the engine
// gives it, its NRSEQHIST and how many rows of that instant and sequence were sent; the
// next page is the rows after it. A cursor not made so is refused.
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include "data/packet.h"

namespace cot::server {
class Database;

namespace history {

inline constexpr int kDefaultRows = 200;
inline constexpr int kMaxRows = 1000;
inline constexpr int kValueCharacters = 64 * 1024;
inline constexpr int kPageValueCharacters = 2 * 1024 * 1024;
inline constexpr int kDescriptionCharacters = 200;

struct PageRequest {
    QString number, version;
    QStringList tables;  // only these tables' rows; empty: every row
    int rows = kDefaultRows;  // 1..kMaxRows
    QString cursor;           // empty: the first page
    // The rows the reader may read (server/auth/history_rights.h).
    QString readable;
    QVariantMap readableParams;
};

// The page's rows: DTHIST, CDOPERADOR, NMMETODO, NMTABELA, DSCHAVE, IDOPERHIST, NMCAMPO,
// VLANTERIOR, VLNOVO, DSREGISTRO, DSCURSOR; DSREGISTRO the row the entry is about as a
// person knows it (history_items.h), null when there is nothing to say beyond the table;
// DSCURSOR, always last, null but on the last row of a page that has a next one, where it
// is the next page's cursor. Throws MethodError for a malformed cursor.
Packet readPage(Database& db, const PageRequest& request);

}  // namespace history
}  // namespace cot::server
