#pragma once
#include <QDate>
#include <QString>

#include "packet.h"

namespace cot {

// Typed reads of one cell of a packet by column name, for code that reads a reply row by row.
// An absent column or row reads as empty text, zero or an invalid date, as a null does.

// The text, trimmed of the padding fixed-width columns carry.
QString cellText(const Packet& packet, int row, const char* field);
double cellNumber(const Packet& packet, int row, const char* field);
// The day of a date or date-time cell; an invalid QDate for null.
QDate cellDay(const Packet& packet, int row, const char* field);

}  // namespace cot
