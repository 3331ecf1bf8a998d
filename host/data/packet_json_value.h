#pragma once
// Packets read from a parsed RapidJSON value: the fast reader used for replies of the
// application server, where a list can carry hundreds of thousands of rows.
#include <rapidjson/document.h>

#include "packet.h"

namespace cot {

// The same checks and messages as packetFromJson(); throws PacketError.
Packet packetFromJsonValue(const rapidjson::Value& json);

// Parses JSON text in place (the buffer is overwritten); false when it is not JSON.
bool parseJsonInPlace(rapidjson::Document& doc, char* text);

}  // namespace cot
