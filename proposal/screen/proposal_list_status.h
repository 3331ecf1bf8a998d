#pragma once
#include <QDate>
#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>

namespace cot {

class ClientTable;

// Status picture of a proposal in the list: accepted proposals have none; a version
// marked lost and one superseded by another accepted version (the server's IDSITUACAO
// "P" and "S") have their own; then a version the client declined on his page and not yet
// marked lost (the server's "R", or the row's client decision IDDECCLIENTE "R");
// otherwise, by calendar day, expired after the validity day, expiring from ten days
// before it up to that day, valid before that.
enum class ProposalListStatus { Accepted, Valid, Expiring, Expired, Superseded, Lost, Declined };

// `serverStatus` is the row's IDSITUACAO: only its "P", "S" and "R" are taken from it;
// `clientDecision` its IDDECCLIENTE. The validity colours are worked out here from today,
// so a list left open over midnight still shows them right.
ProposalListStatus proposalListStatus(const QDateTime& accepted, const QDateTime& validUntil, const QDate& today,
                                      const QString& serverStatus = {}, const QString& clientDecision = {});

// The status of the list's current row (today by the clock).
ProposalListStatus proposalListStatusOf(const ClientTable& list);

// The legend's catalogue key of a status ("Leg_Valida"...), and of a client decision
// ("Leg_AceitaCliente", "Leg_RecusadaCliente"; empty without one): the words a picture
// stands for, in the legend and in an exported list.
QString proposalListStatusKey(ProposalListStatus status);
QString clientDecisionKey(const QString& decision);

// The status as words ("Aceita", "Válida"... as dialogs/status_words.h says them).
QString proposalListStatusWord(ProposalListStatus status);

// The words the list's picture columns stand for on the row being read, for the export:
// the status, the client's decision, nothing for the attachment mark.
std::function<std::optional<QString>(const QString& fieldName)> listPictureWords(const ClientTable& list);

// Name of the screen's picture for a status (imgVerde, imgAmarelo, imgVermelho, imgCinza,
// imgPreto; a declined one the client decision's imgRecusadaCliente); empty for accepted
// proposals, which get none.
QString proposalListPicture(ProposalListStatus status);

// Name of the picture of the client's decision (IDDECCLIENTE "A" imgAceitaCliente, "R"
// imgRecusadaCliente); empty without a decision.
QString clientDecisionPicture(const QString& decision);

// Text colour of the other columns of a row: closed proposals (accepted, superseded or
// lost) in grey, requests not yet accepted in red, the rest as the grid draws them.
enum class ProposalListInk { Normal, Grey, Red };

ProposalListInk proposalListInk(bool closed, const QString& idSolPropFas);

inline bool isClosed(ProposalListStatus s) {
    return s == ProposalListStatus::Accepted || s == ProposalListStatus::Superseded || s == ProposalListStatus::Lost;
}

}  // namespace cot
