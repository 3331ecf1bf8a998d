#pragma once

namespace cot {
class ClientDataSet;
class Field;
class TMessages;

// Fields of the simulation tables.
namespace simulation_tables {
void simulationFields(ClientDataSet& t);
void simulatedLineFields(ClientDataSet& t);
void productLinePickFields(ClientDataSet& t);
void commercialProductFields(ClientDataSet& t);
// Answers holding one text column (maximum numbers and orders, checks).
void oneTextField(ClientDataSet& t, const char* name, int size);
// The product-line type shown and typed as its catalogue word; the field keeps the code.
void lineTypeWords(Field& f, const TMessages& m);
}  // namespace simulation_tables
}  // namespace cot
