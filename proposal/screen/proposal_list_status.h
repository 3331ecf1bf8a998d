#pragma once
#include <QDate>
#include <QDateTime>
#include <QString>

namespace cot {

// Status picture of a proposal in the list, by calendar day: accepted proposals have
// none; otherwise expired after the validity day, expiring from ten days before it up
// to that day, valid before that.
enum class ProposalListStatus { Accepted, Valid, Expiring, Expired };

ProposalListStatus proposalListStatus(const QDateTime& accepted, const QDateTime& validUntil, const QDate& today);

// Name of the screen's picture for a status (imgVerde, imgAmarelo, imgVermelho); empty
// for accepted proposals, which get none.
QString proposalListPicture(ProposalListStatus status);

// Text colour of the other columns of a row: accepted proposals in grey, requests not yet
// accepted in red, the rest as the grid draws them.
enum class ProposalListInk { Normal, Grey, Red };

ProposalListInk proposalListInk(bool accepted, const QString& idSolPropFas);

}  // namespace cot
