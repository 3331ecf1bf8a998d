#pragma once
// The package value (VRPACOTESERV) of one proposal version, as the list GetProposta
// shows it, and the SetProposta delta that changes it from a value read before: the
// smallest save that meets the resolver's check for changes made by someone else.
//
//   const QVariant seen = proposalPackageValue(list, number);
//   net.call("SetProposta", {QVariant::fromValue(proposalPackageChange(number, "01", old, old + 1))});
#include <QString>
#include <QVariant>

#include "data/packet.h"

namespace cot::testing {

// Null when the list has no such version.
QVariant proposalPackageValue(const Packet& list, const QString& number, const QString& version = QStringLiteral("01"));
Delta proposalPackageChange(const QString& number, const QString& version, double oldValue, double newValue);

}  // namespace cot::testing
