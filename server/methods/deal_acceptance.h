#pragma once
// One accepted version per proposal number. The versions of a number are one deal: once
// a version is accepted, by the client on his page or by the approval on the desktop, the
// others are superseded. ACEITEPROP holds the accepted version under the number as its
// key, written in the transaction that accepts, so a second acceptance of any version of
// the number fails on the key whatever ran at the same moment.
#include <QDateTime>
#include <QString>
#include <optional>

namespace cot::server {

class Database;

namespace deal {

struct AcceptedVersion {
    QString nr, ver;
    QDateTime at;  // server clock of the acceptance
};

// What is refused of a superseded version; each names the accepted one.
enum class Refused { Sending, ClientDecision, Approval, Copy };

// The accepted version of the number. A version approved by a path that left no deal row
// (rows written before the table existed, or by hand) counts as well.
std::optional<AcceptedVersion> acceptedVersion(Database& db, const QString& nr);
// The accepted version when it is another one than `ver`.
std::optional<AcceptedVersion> acceptedOther(Database& db, const QString& nr, const QString& ver);

// "A proposta 15/02 já foi aceita; a versão 15/01 não pode ser enviada."
QString refusal(Refused what, const AcceptedVersion& accepted, const QString& ver);
// "Esta proposta foi substituída pela versão 15/02, aceita em dd/MM/yyyy HH:mm."
QString supersededSentence(const AcceptedVersion& accepted);
// Throws the refusal (MethodError) when another version of the number is accepted.
void refuseIfSuperseded(Database& db, Refused what, const QString& nr, const QString& ver);

// Claims the deal for `ver` in the caller's transaction: the number's row, and the links
// of the other versions revoked (at `at`, by nobody). Nothing written and the holder
// returned when another version holds it; a version that holds it already keeps it.
std::optional<AcceptedVersion> claim(Database& db, const QString& nr, const QString& ver, const QDateTime& at);

// The group authorisation (AUTGRUPOP) to reopen an accepted deal.
inline constexpr const char* kReopenAuthorisation = "REAB";

// Before a new version of the number is written by a copy. Nothing to do while no version
// is accepted. Otherwise refused (MethodError) unless the operator's group holds
// kReopenAuthorisation; with it, a deal the client accepted on his page and nobody approved
// opens again (the row goes, the client's decision stays as the record of that version),
// while an approved one keeps its contract and the new version is only a copy of it.
void reopenForNewVersion(Database& db, const QString& operatorCode, const QString& nr, const QString& newVer);

// Every version of the number locked to the end of the transaction (PostgreSQL; SQLite's
// writers are one at a time already): what reads a version's state and then writes waits
// for whoever writes another version of the number.
void lockProposalNumber(Database& db, const QString& nr);

}  // namespace deal
}  // namespace cot::server
