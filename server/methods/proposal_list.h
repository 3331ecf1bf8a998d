#pragma once
#include <QDate>
#include <QString>
#include <QVariantMap>

#include "data/packet.h"

namespace cot::server {

class Database;

// Status codes of the proposal list (IDSITUACAO), by calendar day:
// accepted first; then expired when today is past the validity date; expiring when the
// validity date is today or at most ten days ahead; otherwise valid.
namespace ProposalStatus {
inline constexpr const char* Accepted = "A";
inline constexpr const char* Valid = "V";
inline constexpr const char* Expiring = "E";
inline constexpr const char* Expired = "X";
}  // namespace ProposalStatus

QString proposalStatus(const QDateTime& accepted, const QDateTime& validUntil, const QDate& today);

// The fields of the proposal list, in order, with their sizes.
const QList<FieldDef>& proposalFields();

// The proposal list: every field of proposalFields() with the joined names and the
// computed status, caption and markers, newest number and version first.
// `where` is an extra condition on the proposal table (alias P) using `params`.
Packet selectProposals(Database& db, const QString& where, const QVariantMap& params);

}  // namespace cot::server
