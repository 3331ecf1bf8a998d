#pragma once
#include <QDate>
#include <QString>
#include <QVariantMap>

#include <functional>

#include "data/packet.h"
#include "server/methods/proposal_status_sql.h"
#include "server/rpc/reply.h"
#include "server/storage/sql_row.h"

namespace cot::server {

class Database;

// Status codes of the proposal list (IDSITUACAO): accepted first; then lost (the
// salesperson marked the version lost); then superseded (another version of the same
// number is accepted, or accepted by the client on his page); then, by calendar day,
// expired when today is past the validity date, expiring when the validity date is today
// or at most ten days ahead, otherwise valid.
namespace ProposalStatus {
inline constexpr const char* Accepted = "A";
inline constexpr const char* Lost = "P";
inline constexpr const char* Superseded = "S";
inline constexpr const char* Valid = "V";
inline constexpr const char* Expiring = "E";
inline constexpr const char* Expired = "X";
}  // namespace ProposalStatus

// `closed` is "P" for a lost version, "S" for a superseded one, empty otherwise (the
// list's query works it out: closedStatusSql() in proposal_status_sql.h, where the whole
// status is also written as SQL for the aggregates).
QString proposalStatus(const QDateTime& accepted, const QDateTime& validUntil, const QDate& today,
                       const QString& closed = {});

// The fields of the proposal list, in order, with their sizes.
const QList<FieldDef>& proposalFields();

// The query behind the list, with `where` as an extra condition on the proposal table
// (alias P; the version's client decision is joined as DC).
QString proposalListSql(const QString& where);

// The proposal list: every field of proposalFields() with the joined names and the
// computed status, caption and markers, newest number and version first, written
// straight from the query. `where` is an extra condition on the proposal table
// (alias P, client decision DC) using `params`; rows for which `keep` answers false are left out.
Reply proposalList(Database& db, const QString& where, const QVariantMap& params,
                   std::function<bool(const SqlRow&)> keep = {});

}  // namespace cot::server
