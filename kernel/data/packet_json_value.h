#pragma once
// Packets read from a parsed RapidJSON value: the fast reader used for replies of the
// application server, where a list can carry hundreds of thousands of rows.
#include <memory>
#include <rapidjson/document.h>

#include "packet.h"

namespace cot {

// The same checks and messages as packetFromJson(); throws PacketError.
Packet packetFromJsonValue(const rapidjson::Value& json);

// A packet read a row at a time, each row parsed on its own (a list read while it
// arrives); the same checks, messages and values as packetFromJsonValue().
class PacketRowsReader {
public:
    explicit PacketRowsReader(const rapidjson::Value* fields);  // the "fields" array; throws PacketError
    ~PacketRowsReader();
    PacketRowsReader(const PacketRowsReader&) = delete;
    PacketRowsReader& operator=(const PacketRowsReader&) = delete;

    void reserve(qsizetype rows);
    void addRow(const rapidjson::Value& row);  // throws PacketError
    qsizetype rowCount() const;
    Packet take();

private:
    struct State;
    std::unique_ptr<State> d;
};

// Parses JSON text in place (the buffer is overwritten); false when it is not JSON.
bool parseJsonInPlace(rapidjson::Document& doc, char* text);

}  // namespace cot
