#pragma once

namespace cot {
class ClientDataSet;

// Fields of the proposal texts and the observation.
namespace text_tables {
void messageFields(ClientDataSet& t);
void standardTextFields(ClientDataSet& t);
void checkFields(ClientDataSet& t, bool withText);  // ValidaMsg / ValidaOrdem answers
void observationFields(ClientDataSet& t);
}  // namespace text_tables
}  // namespace cot
