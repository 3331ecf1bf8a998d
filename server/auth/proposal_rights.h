#pragma once
#include <QPair>
#include <QSet>
#include <QString>

#include "data/packet.h"

namespace cot::server {
class Caller;
class Database;

// Which proposals an operator may see and change, judged on the rows as stored:
// a version is visible to him when it is in one of his branches and he included or
// requested it, or his group sees every operator's proposals of the branch.
// Each check throws a MethodError saying why.
namespace proposal_rights {

using Key = QPair<QString, QString>;  // number, version
enum class Use { Read, Write };

// Both take the key exactly (proposal_key.h): anything else is refused, never trimmed.
// A version that is not stored is nobody's: the method finds nothing there and says so.
void requireVisible(Database& db, Caller& caller, const QString& number, const QString& version, Use use);
// Some version of the number is visible (a number not stored: as above).
void requireVisibleNumber(Database& db, Caller& caller, const QString& number, Use use);

// A version typed short ("1") is the stored "01"; anything else stays as typed.
QString paddedVersion(const QString& version);

// A change of the proposal table: every key in it, old and new, exactly a key
// (proposal_key.h); existing rows visible to him; a new row his own
// (CDOPERINCL), in one of his branches, under a well-formed key; a new or renumbered
// version joins a stored number only when every version of it is his to change (so nobody
// slips a version into another operator's proposal); a number never changes; nobody moves
// a proposal to a branch that is not his or names another operator as the one who
// included it. Returns the proposals the delta touches.
QSet<Key> requireHeaderDeltaRights(Database& db, Caller& caller, const Delta& delta);

// A change of a table under a proposal (NRPROPOSFAS, NRVERPROPFAS): every row's key, old
// and new, exactly a key; every row's proposal writable by him, and no row moved to
// another proposal. Returns the proposals touched.
QSet<Key> requireChildDeltaRights(Database& db, Caller& caller, const Delta& delta);

}  // namespace proposal_rights
}  // namespace cot::server
