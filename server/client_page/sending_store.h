#pragma once
// The sendings of a proposal version to its client (ENVIOPROP) and the links they carry.
// A link holds a random token; only the token's SHA-256 is stored, so the table alone
// opens no page and a leaked copy of it gives nobody a link. The PDF of a sending is
// stored once per content (PDFENVIO, by its SHA-256) however many sendings carry it, and
// every sending is also counted for its operator's quota (COTAENVIO, sending_quota.h).
#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>

namespace cot::server {

class Database;

namespace client_page {

struct Sending {
    QString nr, ver;
    int number = 0;  // NRENVIO: 1, 2... within the version
    QDateTime sentAt;
    QString operatorCode;
    QString to;                // the addresses the mail went to, as typed
    QDate expires;             // the proposal's validity when it was sent: the link's last day
    QDateTime revokedAt;       // invalid while the link stands
    QString revokedBy;
    QString contentHash;       // SHA-256 (hex) of the proposal content the link was sent for
    QString pdfHash;           // SHA-256 (hex) of the PDF sent; empty when none was stored
    bool revoked() const { return revokedAt.isValid(); }
};

// 32 random bytes (libsodium), base64url without padding: 43 characters.
QString newToken();
// Exactly the shape newToken() gives; anything else is refused before a lookup.
bool wellFormedToken(const QString& token);
// SHA-256 of the token's text, lowercase hex.
QString tokenHash(const QString& token);

// Records a sending, numbered after the version's last one, in the caller's transaction:
// its row, its PDF unless the same bytes are stored already, and its count for the quota.
Sending recordSending(Database& db, Sending sending, const QString& tokenHash, const QByteArray& pdf);
// Takes back a sending whose mail did not go out or whose version changed meanwhile, with
// its count and (when no other sending names it) its PDF, in a transaction of its own. A
// sending the client already decided on through its link stays.
void withdrawSending(Database& db, const Sending& sending);
// The sending a token opens; none for a malformed or unknown token. Revoked and expired
// sendings are returned as they are: the caller says why they no longer open the page.
std::optional<Sending> findByToken(Database& db, const QString& token);
// The sendings of a version, oldest first.
QList<Sending> sendingsOf(Database& db, const QString& nr, const QString& ver);
// The PDF that went with the sending (empty when none): what GET /cliente/TOKEN/proposta.pdf
// answers with.
QByteArray sendingPdf(Database& db, const Sending& sending);
// Revokes a standing link; false when the version has no such sending or it was revoked.
bool revoke(Database& db, const QString& nr, const QString& ver, int number, const QString& operatorCode,
            const QDateTime& at);

}  // namespace client_page
}  // namespace cot::server
