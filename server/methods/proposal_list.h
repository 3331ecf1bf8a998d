#pragma once
#include <QDate>
#include <QString>
#include <QVariantMap>

#include <functional>

#include "data/packet.h"
#include "server/rpc/reply.h"
#include "server/storage/sql_row.h"

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

// The query behind the list, with `where` as an extra condition on the proposal table.
QString proposalListSql(const QString& where);

// The proposal list: every field of proposalFields() with the joined names and the
// computed status, caption and markers, newest number and version first, written
// straight from the query. `where` is an extra condition on the proposal table
// (alias P) using `params`; rows for which `keep` answers false are left out.
Reply proposalList(Database& db, const QString& where, const QVariantMap& params,
                   std::function<bool(const SqlRow&)> keep = {});

}  // namespace cot::server
