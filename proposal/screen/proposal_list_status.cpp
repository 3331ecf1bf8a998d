// The status and client-decision pictures of the proposal list and its rows' text colour.
#include "proposal/screen/proposal_list_status.h"

#include "base/clock.h"
#include "data/client_table.h"
#include "dialogs/status_words.h"

namespace cot {

QString proposalListPicture(ProposalListStatus status) {
    switch (status) {
    case ProposalListStatus::Expired: return QStringLiteral("imgVermelho");
    case ProposalListStatus::Expiring: return QStringLiteral("imgAmarelo");
    case ProposalListStatus::Valid: return QStringLiteral("imgVerde");
    case ProposalListStatus::Superseded: return QStringLiteral("imgCinza");
    case ProposalListStatus::Lost: return QStringLiteral("imgPreto");
    case ProposalListStatus::Declined: return clientDecisionPicture(QStringLiteral("R"));
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
                                      const QString& serverStatus, const QString& clientDecision) {
    if (accepted.isValid()) return ProposalListStatus::Accepted;
    if (serverStatus == QLatin1String("P")) return ProposalListStatus::Lost;
    if (serverStatus == QLatin1String("S")) return ProposalListStatus::Superseded;
    // Declined by the client: no longer valid, whatever its validity says.
    if (serverStatus == QLatin1String("R") || clientDecision.trimmed() == QLatin1String("R"))
        return ProposalListStatus::Declined;
    // Open without a validity date: nothing holds the client to it, as the server lists it.
    if (!validUntil.isValid()) return ProposalListStatus::Expired;
    const qint64 days = today.daysTo(validUntil.date());
    if (days < 0) return ProposalListStatus::Expired;
    if (days <= 10) return ProposalListStatus::Expiring;
    return ProposalListStatus::Valid;
}

ProposalListStatus proposalListStatusOf(const ClientTable& list) {
    return proposalListStatus(list.fieldByName(QStringLiteral("DTACEPROPFAS")).asDateTime(),
                              list.fieldByName(QStringLiteral("DTVALPROPFAS")).asDateTime(), Clock::current().today(),
                              list.fieldByName(QStringLiteral("IDSITUACAO")).asString(),
                              list.fieldByName(QStringLiteral("IDDECCLIENTE")).asString());
}

QString proposalListStatusKey(ProposalListStatus status) {
    switch (status) {
    case ProposalListStatus::Accepted: return QStringLiteral("Leg_Aceite");
    case ProposalListStatus::Valid: return QStringLiteral("Leg_Valida");
    case ProposalListStatus::Expiring: return QStringLiteral("Leg_AVencer");
    case ProposalListStatus::Expired: return QStringLiteral("Leg_Vencida");
    case ProposalListStatus::Superseded: return QStringLiteral("Leg_Substituida");
    case ProposalListStatus::Lost: return QStringLiteral("Leg_Perdida");
    case ProposalListStatus::Declined: return clientDecisionKey(QStringLiteral("R"));
    }
    return {};
}

QString proposalListStatusWord(ProposalListStatus status) {
    switch (status) {
    case ProposalListStatus::Accepted: return proposalStatusWord(QStringLiteral("A"));
    case ProposalListStatus::Valid: return proposalStatusWord(QStringLiteral("V"));
    case ProposalListStatus::Expiring: return proposalStatusWord(QStringLiteral("E"));
    case ProposalListStatus::Expired: return proposalStatusWord(QStringLiteral("X"));
    case ProposalListStatus::Superseded: return proposalStatusWord(QStringLiteral("S"));
    case ProposalListStatus::Lost: return proposalStatusWord(QStringLiteral("P"));
    case ProposalListStatus::Declined: return proposalStatusWord(QStringLiteral("R"));
    }
    return {};
}

std::function<std::optional<QString>(const QString&)> listPictureWords(const ClientTable& list) {
    return [&list](const QString& field) -> std::optional<QString> {
        if (field == QLatin1String("IDSITUACAO")) return proposalListStatusWord(proposalListStatusOf(list));
        if (field == QLatin1String("IDDECCLIENTE"))
            return clientDecisionWord(list.fieldByName(QStringLiteral("IDDECCLIENTE")).asString());
        if (field == QLatin1String("ANEXO")) return QString();
        return std::nullopt;
    };
}

QString clientDecisionKey(const QString& decision) {
    if (decision == QLatin1String("A")) return QStringLiteral("Leg_AceitaCliente");
    if (decision == QLatin1String("R")) return QStringLiteral("Leg_RecusadaCliente");
    return {};
}

}  // namespace cot
