// The status and client-decision pictures of the proposal list and its rows' text colour.
#include "proposal/screen/proposal_list_status.h"

namespace cot {

QString proposalListPicture(ProposalListStatus status) {
    switch (status) {
    case ProposalListStatus::Expired: return QStringLiteral("imgVermelho");
    case ProposalListStatus::Expiring: return QStringLiteral("imgAmarelo");
    case ProposalListStatus::Valid: return QStringLiteral("imgVerde");
    case ProposalListStatus::Superseded: return QStringLiteral("imgCinza");
    case ProposalListStatus::Lost: return QStringLiteral("imgPreto");
    case ProposalListStatus::Accepted: break;
    }
    return {};
}

QString clientDecisionPicture(const QString& decision) {
    if (decision == QLatin1String("A")) return QStringLiteral("imgAceitaCliente");
    if (decision == QLatin1String("R")) return QStringLiteral("imgRecusadaCliente");
    return {};
}

ProposalListInk proposalListInk(bool closed, const QString& idSolPropFas) {
    if (closed) return ProposalListInk::Grey;
    if (idSolPropFas == QLatin1String("S")) return ProposalListInk::Red;
    return ProposalListInk::Normal;
}

ProposalListStatus proposalListStatus(const QDateTime& accepted, const QDateTime& validUntil, const QDate& today,
                                      const QString& serverStatus) {
    if (accepted.isValid()) return ProposalListStatus::Accepted;
    if (serverStatus == QLatin1String("P")) return ProposalListStatus::Lost;
    if (serverStatus == QLatin1String("S")) return ProposalListStatus::Superseded;
    // Open without a validity date: nothing holds the client to it, as the server lists it.
    if (!validUntil.isValid()) return ProposalListStatus::Expired;
    const qint64 days = today.daysTo(validUntil.date());
    if (days < 0) return ProposalListStatus::Expired;
    if (days <= 10) return ProposalListStatus::Expiring;
    return ProposalListStatus::Valid;
}

}  // namespace cot
