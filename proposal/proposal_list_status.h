#pragma once
#include <QDate>
#include <QDateTime>

namespace cot {

// Status picture of a proposal in the list, by calendar day: accepted proposals have
// none; otherwise expired after the validity day, expiring from ten days before it up
// to that day, valid before that.
enum class ProposalListStatus { Accepted, Valid, Expiring, Expired };

ProposalListStatus proposalListStatus(const QDateTime& accepted, const QDateTime& validUntil, const QDate& today);

}  // namespace cot
