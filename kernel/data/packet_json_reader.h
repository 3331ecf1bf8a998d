#pragma once
#include <QByteArray>

#include "packet.h"

namespace cot {

// A packet from its JSON text, read without a Qt document tree; throws PacketError.
Packet packetFromJsonText(QByteArray text);

}  // namespace cot
