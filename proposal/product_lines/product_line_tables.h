#pragma once

namespace cot {
class ClientTable;

// Fields of the product-line tables: lines, their systems and their installments.
namespace product_line_tables {
void productLineFields(ClientTable& t);
void systemOfLineFields(ClientTable& t);
void validaSistProdFields(ClientTable& t);
void installmentFields(ClientTable& t);
void dueDateFields(ClientTable& t);  // answers holding one due date
}  // namespace product_line_tables
}  // namespace cot
