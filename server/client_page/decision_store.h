#pragma once
// The client's decision on a proposal version (DECISAOPROP): one per version, whatever
// the sending it came through. The table's key refuses a second one even when two posts
// race, so the first decision recorded is the one that stands.
#include <QChar>
#include <QDateTime>
#include <QString>
#include <optional>

namespace cot::server {

class Database;

namespace client_page {

struct Decision {
    QString nr, ver;
    int sending = 0;   // NRENVIO of the link it came through
    QChar kind;        // A accepted, R declined
    QDateTime at;      // server clock
    QString name, role;
    QChar reason;      // P Z C E O (declined only)
    QString comment;
    QString address;   // the client's, as the server counts it
    QString browser;   // User-Agent, at most kMaxBrowserLength
    QString contentHash;
    bool accepted() const { return kind == u'A'; }
};

inline constexpr qsizetype kMaxBrowserLength = 300;

std::optional<Decision> decisionOf(Database& db, const QString& nr, const QString& ver);

enum class Recorded { Yes, AlreadyDecided, Superseded };

// Records the decision with its history row (method "DecisaoCliente", no operator) in one
// transaction of its own; an acceptance also claims the deal (deal_acceptance.h), which
// revokes the other versions' links. Nothing written when the version already has a
// decision, or when the client accepts while another version of the number is accepted.
Recorded recordDecision(Database& db, const Decision& decision);

// "Proposta aceita em dd/mm/aaaa hh:mm por NOME." / "Proposta recusada em dd/mm/aaaa hh:mm."
QString decisionSentence(const Decision& decision);

}  // namespace client_page
}  // namespace cot::server
