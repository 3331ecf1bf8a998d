#pragma once
// The e-mails that tell those in charge that an accepted proposal will be charged:
//   "COT05000_PROPCOM"   licence of use of the product lines (contract type M)
//   "COT05000_PROPSERV"  service package (service charging kind P)
// Each is governed by an e-mail parameter of the server (subject, recipients, template,
// situation 'A' = active), fetched in the proposal's language.
//
// The approval dialog, once the acceptance is recorded and the list reloaded:
//
//   ApprovalEmailData data;
//   data.proposal = ProposalEmailValues::fromRecord(frm.cdsProposta());  // repositioned row
//   data.lines = productLinesOf(cdsLinhaProduto);  // as filtered for the final confirmation
//   data.linesTotal = exTotalLinhas;
//   data.valorWord = msgPadrao.Msg("valor");
//   const ApprovalEmailResult r = GeraEmail(data, paramsFrom(frm.netProposta()));
//   ... success message; when !r.ok(), r.warning(msgPadrao) shown after it as a warning.
//
// The parameter gives the subject and recipients of a notification and whether it is on; its
// body is laid out by services/mail_kinds.h (the proposal, the client with CNPJ, each line
// or the package with its value and due dates, the one-off and monthly totals) from the
// version as the server holds it. Only when that cannot be read does the parameter's own
// template (placeholders below) make the body, so those in charge hear of it all the same.
// The client (at the addresses of the version's latest sending) and the salesperson are
// told of the approval too.
//
// GeraEmail never throws for a notification that could not go out: each is tried on its
// own, and what failed (parameter, branch account, SMTP) is named in the result, so the
// acceptance, already recorded, is still reported as done.
#include <QList>
#include <QString>
#include <functional>
#include <optional>

#include "data/packet.h"
#include "services/mail_kinds.h"
#include "services/mail_sender.h"

namespace cot {
class ClientTable;
class NetConnection;
class TMessages;
}  // namespace cot

namespace cot::approval {

inline const QString kParamLicenca = QStringLiteral("COT05000_PROPCOM");
inline const QString kParamServico = QStringLiteral("COT05000_PROPSERV");
// The two mails that tell of the approval, named as the warning names them.
inline const QString kApprovalToClient = QStringLiteral("aviso de aprovação ao cliente");
inline const QString kApprovalToSeller = QStringLiteral("aviso de aprovação ao vendedor");

// What the notifications print, from the proposal's current record (cdsProposta).
struct ProposalEmailValues {
    QString number;           // NRPROPOSFAS
    QString version;          // NRVERPROPFAS
    QString reference;        // DSREFEPROPOSFAS
    QString clientName;       // NOME
    QString language;         // IDIDIOMA
    QString contractType;     // IDTIPOPROPFAS
    QString serviceCharging;  // IDTIPOCOBRSERV
    double packageValue = 0;  // VRPACOTESERV

    static ProposalEmailValues fromRecord(const ClientTable& cdsProposta);
};

// One product line of the licence-of-use notification.
struct ProductLineValue {
    QString name;      // NMLINPPROP
    double value = 0;  // VRLINPROD
};

// The rows of the table as it is filtered, in order (NMLINPPROP, VRLINPROD); the cursor
// is put back where it was.
QList<ProductLineValue> productLinesOf(ClientTable& cdsLinhaProduto);

struct ApprovalEmailData {
    ProposalEmailValues proposal;
    QList<ProductLineValue> lines;
    long double linesTotal = 0;
    QString valorWord = QStringLiteral("valor");
};

// One e-mail parameter as the server keeps it.
struct EmailParam {
    QString subject;     // DSASSUNPAREMAIL
    QString recipients;  // TXENDERPAREMAIL, addresses separated by ';' or ','
    QString text;        // TXTEXTOPAREMAIL, the template
    bool active = false; // IDSITUPARAEMAIL = 'A'; an empty packet is not active

    static EmailParam fromPacket(const Packet& packet);
};

// The placeholders of a notification with the values they take, in the order they are
// replaced. `html`: values escaped for the HTML part (the template and the markup of the
// product-line list are kept as written).
QList<std::pair<QString, QString>> placeholders(const QString& key, const ApprovalEmailData& data, bool html);

// Every occurrence of each placeholder replaced in turn; a value is not searched again for
// its own placeholder, only for later ones. No length limit.
QString expandTemplate(QString text, const QList<std::pair<QString, QString>>& values);

// "Fiscal, valor 1.500,00</b> Folha, valor 300,50</b> " (names escaped when `html`).
QString productLinesText(const QList<ProductLineValue>& lines, const QString& valorWord, bool html);

// Whether the notification applies to the proposal at all (contract M / package P).
bool notificationApplies(const QString& key, const ProposalEmailValues& proposal);

// The message of one notification from its parameter packet, or nothing when the parameter
// is inactive or missing or the notification does not apply. Recipients and subject as the
// parameter gives them; `from` is left to the caller.
std::optional<MailMessage> composeNotification(const QString& key, const Packet& param, const ApprovalEmailData& data);

// What the laid-out mails need, read from the server once the acceptance is recorded.
struct ApprovalParties {
    mail::ApprovalContent content;  // the header and totals; items as each mail picks them
    QList<mail::ApprovedItem> lines, package;  // the licence's lines; the service package
    mail::MailSignature signature;  // the branch's identity and the salesperson
    QStringList clientTo;           // the addresses of the latest sending; empty when never sent
};
using PartiesLoader = std::function<ApprovalParties()>;
// Through the connection: the version as the report reads it, GetIdentidadeProposta and
// GetEnvios. A failure throws.
ApprovalParties partiesFrom(NetConnection& connection, const QString& branch, const QString& nr, const QString& ver);

// The laid-out notification to those in charge: the parameter's subject and recipients,
// the items the notification is about (the lines, or the package).
std::optional<MailMessage> composeLaidOutNotification(const QString& key, const Packet& param,
                                                      const ApprovalEmailData& data, const ApprovalParties& parties);

// Fetches a parameter packet: (language, key) → packet. A failure throws UserError/ServerError.
using ParamLoader = std::function<Packet(const QString& language, const QString& key)>;
// Through the remote method GetParamEmail on the connection (errors thrown, not shown).
ParamLoader paramsFrom(NetConnection& connection);

// The account and sender a notification goes out with.
struct MailSetup {
    MailAccount account;
    QString from;
};
// From the host database: the branch's address record of kind P (server, account, the
// password deciphered) and the operator's address, or the contracts mailbox of the
// proposal parameters when he has none. UserError when the branch has no mail account.
MailSetup mailSetupOf(const QString& branch, const QString& operatorCode);
using MailSetupLoader = std::function<MailSetup()>;

struct NotificationFailure {
    QString key;    // kParamLicenca, kParamServico, kApprovalToClient or kApprovalToSeller
    QString error;  // the reason, as raised
};

struct ApprovalEmailResult {
    QStringList sent;  // keys of the notifications that went out
    QList<NotificationFailure> failed;

    bool ok() const { return failed.isEmpty(); }
    // One line per failed notification, from the catalogue's `Email_Falha` with the
    // notification's name (`Email_PROPCOM` / `Email_PROPSERV`) and the reason; empty when ok.
    QString warning(const TMessages& catalogue) const;
};

// Runs another sender's send on a worker thread: the SMTP dialogue may take its timeouts,
// and the caller's (interface) thread meanwhile keeps painting in a local event loop under
// the busy window, user input held back. Returns, or throws what the send threw, once the
// worker is done.
class BackgroundMailSender : public MailSender {
public:
    explicit BackgroundMailSender(MailSender& inner) : inner_(inner) {}
    void send(const MailAccount& account, const MailMessage& message) override;

private:
    MailSender& inner_;
};

// Sends the notifications that apply, licence of use first, then the client's and the
// salesperson's mails. A notification whose parameter is inactive or missing in the
// proposal's language is not sent and not reported; one that was to go and did not (the
// parameter could not be read, the branch's account, SMTP) is named in the result. `setup`
// runs once, only when a notification is to be sent; by default the current branch's and
// operator's. `parties` reads the version's parties (partiesFrom); when it fails, or none
// is given, the notifications go out from their templates, a failure named once, as the
// client's.
ApprovalEmailResult GeraEmail(const ApprovalEmailData& data, const ParamLoader& params,
                              MailSender& sender = defaultMailSender(), const MailSetupLoader& setup = {},
                              const PartiesLoader& parties = {});

}  // namespace cot::approval
