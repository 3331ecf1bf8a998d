#pragma once
// One entry per fuzzed decoder, shared by the libFuzzer targets and the corpus replay test.
// Each takes arbitrary bytes, swallows the errors its decoder documents (parse errors,
// user errors) and throws FuzzFinding when an invariant of the decoder breaks; any other
// escaping exception, crash or sanitizer report is a finding too.
#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace cot::fuzz {

class FuzzFinding : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

void rpcRequest(const uint8_t* data, size_t size);       // JSON-RPC request body
void packetText(const uint8_t* data, size_t size);       // packet JSON text (and JSON string writer)
void deltaText(const uint8_t* data, size_t size);        // delta JSON text
void filterExpression(const uint8_t* data, size_t size); // client table filter
void selectionText(const uint8_t* data, size_t size);    // list search selection
void maskText(const uint8_t* data, size_t size);         // "mask\nvalue"
void dateText(const uint8_t* data, size_t size);         // ISO and dd/mm/yyyy dates

}  // namespace cot::fuzz
