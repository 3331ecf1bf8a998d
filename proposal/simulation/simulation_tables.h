#pragma once

namespace cot {
class ClientTable;
class Field;
class TMessages;

// Fields of the simulation tables.
namespace simulation_tables {
void simulationFields(ClientTable& t);
void simulatedLineFields(ClientTable& t);
void productLinePickFields(ClientTable& t);
void commercialProductFields(ClientTable& t);
// Answers holding one text column (maximum numbers and orders, checks).
void oneTextField(ClientTable& t, const char* name, int size);
// The product-line type shown and typed as its catalogue word; the field keeps the code.
void lineTypeWords(Field& f, const TMessages& m);
}  // namespace simulation_tables
}  // namespace cot
