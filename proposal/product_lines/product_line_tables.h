#pragma once

namespace cot {
class ClientDataSet;

// Fields of the product-line tables: lines, their systems and their installments.
namespace product_line_tables {
void productLineFields(ClientDataSet& t);
void systemOfLineFields(ClientDataSet& t);
void systemChoiceFields(ClientDataSet& t);
void validaSistProdFields(ClientDataSet& t);
void installmentFields(ClientDataSet& t);
void dueDateFields(ClientDataSet& t);  // answers holding one due date
}  // namespace product_line_tables
}  // namespace cot
