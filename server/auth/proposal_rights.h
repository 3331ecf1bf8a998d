#pragma once
#include "data/packet.h"

namespace cot::server {
class Caller;
class Database;

// Checks a change of the proposal table against the operator who sends it, before any of
// it is applied:
// - a new proposal is his own (CDOPERINCL) and in one of his branches;
// - an existing one, as stored, is in one of his branches and, unless his group sees the
//   whole branch, his own (included or requested by him);
// - nobody moves a proposal to a branch that is not his or names another operator as the
//   one who included it.
// Throws a MethodError saying why.
void requireProposalRights(Database& db, Caller& caller, const Delta& delta);

}  // namespace cot::server
