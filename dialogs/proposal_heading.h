#pragma once
#include <QString>

namespace cot {

class ClientTable;

// How a dialog names the proposal it works on: "15/02 — Cliente Ltda" from the list's
// current row (its number as a person reads it, then the client's or prospect's name);
// the number alone when the row has no name.
QString proposalHeading(const ClientTable& list);

}  // namespace cot
