#pragma once

namespace cot {
class ClientTable;

// Fields of the proposal texts and the observation.
namespace text_tables {
void messageFields(ClientTable& t);
void standardTextFields(ClientTable& t);
void checkFields(ClientTable& t, bool withText);  // ValidaMsg / ValidaOrdem answers
void observationFields(ClientTable& t);
}  // namespace text_tables
}  // namespace cot
