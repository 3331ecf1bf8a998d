#include "approval/approval_email.h"

#include <QEventLoop>
#include <QRegularExpression>
#include <QTextDocumentFragment>
#include <atomic>
#include <exception>
#include <thread>

#include "base/errors.h"
#include "data/client_table.h"
#include "data/field.h"
#include "data/format_br.h"
#include "dialogs/report/proposal_report_data.h"
#include "reach/proposal_reach.h"
#include "rpc/net_connection.h"
#include "services/cipher.h"
#include "services/local_query.h"
#include "services/messages.h"
#include "services/session.h"
#include "ui/busy_animation.h"

namespace cot::approval {

namespace {


QString escaped(const QString& value, bool html) { return html ? value.toHtmlEscaped() : value; }

bool looksLikeHtml(const QString& text) {
    static const QRegularExpression tag(QStringLiteral("<\\s*/?\\s*[A-Za-z][A-Za-z0-9]*(\\s[^<>]*)?/?\\s*>"));
    return tag.match(text).hasMatch();
}

QString plainTextOf(const QString& html) {
    QString text = QTextDocumentFragment::fromHtml(html).toPlainText();
    text.replace(QChar::Nbsp, QLatin1Char(' '));
    return text;
}

}  // namespace

ProposalEmailValues ProposalEmailValues::fromRecord(const ClientTable& cds) {
    ProposalEmailValues v;
    v.number = cds.fieldByName(QStringLiteral("NRPROPOSFAS")).asString();
    v.version = cds.fieldByName(QStringLiteral("NRVERPROPFAS")).asString();
    v.reference = cds.fieldByName(QStringLiteral("DSREFEPROPOSFAS")).asString();
    v.clientName = cds.fieldByName(QStringLiteral("NOME")).asString();
    v.language = cds.fieldByName(QStringLiteral("IDIDIOMA")).asString();
    v.contractType = cds.fieldByName(QStringLiteral("IDTIPOPROPFAS")).asString();
    v.serviceCharging = cds.fieldByName(QStringLiteral("IDTIPOCOBRSERV")).asString();
    v.packageValue = cds.fieldByName(QStringLiteral("VRPACOTESERV")).asFloat();
    return v;
}

QList<ProductLineValue> productLinesOf(ClientTable& cds) {
    QList<ProductLineValue> out;
    if (cds.isEmpty()) return out;
    const int at = cds.recNo();
    cds.disableControls();
    for (cds.first(); !cds.eof(); cds.next())
        out.append({cds.fieldByName(QStringLiteral("NMLINPPROP")).asString(),
                    cds.fieldByName(QStringLiteral("VRLINPROD")).asFloat()});
    if (at > 0) cds.setRecNo(at);
    cds.enableControls();
    return out;
}

EmailParam EmailParam::fromPacket(const Packet& p) {
    EmailParam param;
    if (p.isEmpty()) return param;
    param.subject = p.value(0, QStringLiteral("DSASSUNPAREMAIL")).toString();
    param.recipients = p.value(0, QStringLiteral("TXENDERPAREMAIL")).toString();
    param.text = p.value(0, QStringLiteral("TXTEXTOPAREMAIL")).toString();
    param.active = p.value(0, QStringLiteral("IDSITUPARAEMAIL")).toString() == QLatin1String("A");
    return param;
}

QString productLinesText(const QList<ProductLineValue>& lines, const QString& valorWord, bool html) {
    QString out;
    for (const ProductLineValue& line : lines)
        out += escaped(line.name, html) + QStringLiteral(", ") + valorWord + QLatin1Char(' ') +
               formatMoney(line.value) + (html ? QStringLiteral("</b> ") : QStringLiteral(" "));
    return out;
}

QList<std::pair<QString, QString>> placeholders(const QString& key, const ApprovalEmailData& data, bool html) {
    const ProposalEmailValues& p = data.proposal;
    QList<std::pair<QString, QString>> values{
        {QStringLiteral("#PROPOSTA"), escaped(p.number, html)},
        {QStringLiteral("#VERSAO"), escaped(p.version, html)},
        {QStringLiteral("#DESCRICAOPROP"), escaped(p.reference, html)},
        {QStringLiteral("#FANTASIACLIENTE/PROSPECT"), escaped(p.clientName, html)},
    };
    if (key == kParamLicenca) {
        values.append({QStringLiteral("#DADOSLINHAPROD"), productLinesText(data.lines, data.valorWord, html)});
        values.append({QStringLiteral("#VRTOTLINHAPROD"), formatMoney(data.linesTotal)});
    } else if (key == kParamServico) {
        values.append({QStringLiteral("#VALORPACOTESERVICO"), formatMoney(p.packageValue)});
    }
    return values;
}

QString expandTemplate(QString text, const QList<std::pair<QString, QString>>& values) {
    for (const auto& [placeholder, value] : values) text.replace(placeholder, value, Qt::CaseSensitive);
    return text;
}

bool notificationApplies(const QString& key, const ProposalEmailValues& proposal) {
    if (key == kParamLicenca) return proposal.contractType == QLatin1String("M");
    if (key == kParamServico) return proposal.serviceCharging == QLatin1String("P");
    return false;
}

std::optional<MailMessage> composeNotification(const QString& key, const Packet& packet, const ApprovalEmailData& data) {
    const EmailParam param = EmailParam::fromPacket(packet);
    if (!param.active || !notificationApplies(key, data.proposal)) return std::nullopt;
    MailMessage message;
    message.to = splitAddressList(param.recipients);
    message.subject = param.subject;
    message.htmlPart = expandTemplate(param.text, placeholders(key, data, true));
    // A template written in HTML gives the plain part as its text, never its tags.
    message.textPart = looksLikeHtml(param.text) ? plainTextOf(message.htmlPart)
                                                 : expandTemplate(param.text, placeholders(key, data, false));
    return message;
}

namespace {

Packet packetOf(NetConnection& connection, const QString& method, const QVariantList& args) {
    const RpcResult r = connection.call(method, args);
    if (!r.ok) throw ServerError(r.error, r.code);
    if (r.value.isNull()) return Packet{};
    if (r.value.typeId() != qMetaTypeId<Packet>())
        throw ServerError(QStringLiteral("Resposta inesperada do servidor de aplicação para %1.").arg(method));
    return r.value.value<Packet>();
}

QList<mail::Installment> installments(const QList<ProposalDocument::Installment>& schedule) {
    QList<mail::Installment> out;
    for (const auto& i : schedule) out.append({i.due, i.value});
    return out;
}

}  // namespace

ApprovalParties partiesFrom(NetConnection& connection, const QString& branch, const QString& nr, const QString& ver) {
    TMessages messages;
    messages.loadFromFile(QStringLiteral(":/cot05001/cot05001_messages.txt"));  // the report's own texts
    const ProposalDocument r = readProposalReport(connection, branch, nr, ver, messages);
    ApprovalParties p;
    mail::ApprovalContent& c = p.content;
    c.nr = nr;
    c.ver = ver;
    c.reference = r.reference;
    c.client = r.partyName;
    c.corporateName = r.corporateName;
    c.cnpj = r.inscription;
    c.approvedOn = r.acceptedOn;
    c.oneOff = r.totals.oneOff;
    c.monthly = r.totals.monthly;
    for (const ProposalDocument::Line& line : r.lines)
        p.lines.append({line.name, line.licenceTotal(), line.monthlyTotal(), installments(line.schedule)});
    if (r.serviceCharging == QLatin1String("P"))
        p.package.append({QStringLiteral("Pacote de serviços"), r.totals.services, 0, installments(r.serviceSchedule)});

    const Packet identity = packetOf(connection, QStringLiteral("GetIdentidadeProposta"), {nr, ver});
    if (!identity.isEmpty()) {
        const auto field = [&](const char* name) { return identity.value(0, QString::fromLatin1(name)).toString(); };
        p.signature = {field("DSRODAPE"), field("NMVENDEDOR"), field("DSEMAILVENDEDOR"), field("NRFONEVENDEDOR")};
    }
    // Newest first: the addresses the client last had the proposal at.
    const Packet sendings = packetOf(connection, QStringLiteral("GetEnvios"), {nr, ver});
    if (!sendings.isEmpty()) p.clientTo = splitAddressList(sendings.value(0, QStringLiteral("DSEMAILDEST")).toString());
    return p;
}

std::optional<MailMessage> composeLaidOutNotification(const QString& key, const Packet& packet,
                                                      const ApprovalEmailData& data, const ApprovalParties& parties) {
    const EmailParam param = EmailParam::fromPacket(packet);
    if (!param.active || !notificationApplies(key, data.proposal)) return std::nullopt;
    mail::ApprovalContent content = parties.content;
    content.items = key == kParamLicenca ? parties.lines : parties.package;
    MailMessage message = mail::approvalStaffMessage(content, parties.signature);
    if (!param.subject.trimmed().isEmpty()) message.subject = param.subject.simplified();
    message.to = splitAddressList(param.recipients);
    return message;
}

ParamLoader paramsFrom(NetConnection& connection) {
    return [&connection](const QString& language, const QString& key) {
        const RpcResult r = connection.call(QStringLiteral("GetParamEmail"), {language, key});
        if (!r.ok) throw ServerError(r.error, r.code);
        if (r.value.isNull()) return Packet{};
        if (r.value.typeId() != qMetaTypeId<Packet>())
            throw ServerError(QStringLiteral("Resposta inesperada do servidor de aplicação para GetParamEmail."));
        return r.value.value<Packet>();
    };
}

MailSetup mailSetupOf(const QString& branch, const QString& operatorCode) {
    TADOIBQuery qryConfFilial(QStringLiteral("qryConfFilial"));
    for (const char* line : {"SELECT", "   ED.CDFILIAL,", "   ED.DSEMAILFILI,", "   ED.CDSENHEMAILF,", "   ED.DSSMTPEMAILF,",
                             "   FI.NMFILIAL", "FROM", "   ENDEFILI ED, FILIAL FI", "WHERE", "    ED.CDFILIAL = :P_CDFILIAL",
                             "AND ED.IDTPENDEFILI = 'P'", "AND ED.CDFILIAL = FI.CDFILIAL"})
        qryConfFilial.addSql(QString::fromLatin1(line));
    qryConfFilial.setParam(QStringLiteral("P_CDFILIAL"), branch);
    qryConfFilial.open();
    if (qryConfFilial.isEmpty())
        throw UserError(QStringLiteral("A filial %1 não tem conta de e-mail cadastrada.").arg(branch));

    // The contracts mailbox of the proposal parameters stands in for an operator without address.
    TADOIBQuery qryOperEnvio(QStringLiteral("qryOperEnvio"));
    qryOperEnvio.setSql(QStringLiteral(
        "SELECT NVLSTR(OP.DSEMAILOPER, (SELECT PP.DSEMAILCONTRAT FROM PARAMPROP PP WHERE PP.IDPARAMPROP = 'U')) "
        "AS DSEMAILOPER FROM OPERADOR OP WHERE OP.CDOPERADOR = :P_CDOPERADOR"));
    qryOperEnvio.setParam(QStringLiteral("P_CDOPERADOR"), operatorCode);
    qryOperEnvio.open();

    MailSetup setup;
    setup.account.server = qryConfFilial.fieldByName(QStringLiteral("DSSMTPEMAILF")).asString();
    setup.account.user = qryConfFilial.fieldByName(QStringLiteral("DSEMAILFILI")).asString().trimmed();
    setup.account.password = Criptografa::Uncripto(qryConfFilial.fieldByName(QStringLiteral("CDSENHEMAILF")).asString(), 2);
    if (!qryOperEnvio.isEmpty()) setup.from = qryOperEnvio.fieldByName(QStringLiteral("DSEMAILOPER")).asString().trimmed();
    return setup;
}

QString ApprovalEmailResult::warning(const TMessages& catalogue) const {
    QStringList lines;
    for (const NotificationFailure& f : failed) {
        const QString name = f.key == kParamLicenca   ? catalogue.Msg(QStringLiteral("Email_PROPCOM"))
                             : f.key == kParamServico ? catalogue.Msg(QStringLiteral("Email_PROPSERV"))
                                                      : f.key;
        lines << catalogue.Msg(QStringLiteral("Email_Falha"), {name, f.error});
    }
    return lines.join(QLatin1Char('\n'));
}

void BackgroundMailSender::send(const MailAccount& account, const MailMessage& message) {
    BusyScope busy;
    QEventLoop loop;
    std::exception_ptr failure;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        try {
            inner_.send(account, message);
        } catch (...) {
            failure = std::current_exception();
        }
        done = true;
        // Queued: delivered once the loop runs, even when it has not started yet.
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    if (!done) loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    if (failure) std::rethrow_exception(failure);
}

ApprovalEmailResult GeraEmail(const ApprovalEmailData& data, const ParamLoader& params, MailSender& sender,
                              const MailSetupLoader& setupLoader, const PartiesLoader& partiesLoader) {
    ApprovalEmailResult result;
    std::optional<MailSetup> setup;
    const auto mailSetup = [&]() -> const MailSetup& {
        if (!setup) setup = setupLoader ? setupLoader() : mailSetupOf(Session::instance().branch(), Session::instance().operatorCode());
        return *setup;
    };
    // Every mail that applies and does not go out is named, whatever stopped it.
    const auto attempt = [&](const QString& key, const std::function<std::optional<MailMessage>()>& compose) {
        try {
            std::optional<MailMessage> message = compose();
            if (!message) return;
            message->from = mailSetup().from;
            sender.send(mailSetup().account, *message);
            result.sent << key;
        } catch (const UserError& e) {
            result.failed.append({key, e.text()});
        } catch (const Abort&) {
            result.failed.append({key, QString()});
        } catch (const std::exception& e) {
            result.failed.append({key, QString::fromUtf8(e.what())});
        }
    };

    std::optional<ApprovalParties> parties;
    QString partiesError;
    try {
        if (partiesLoader) parties = partiesLoader();
    } catch (const UserError& e) {
        partiesError = e.text();
    } catch (const std::exception& e) {
        partiesError = QString::fromUtf8(e.what());
    }

    for (const QString& key : {kParamLicenca, kParamServico}) {
        if (!notificationApplies(key, data.proposal)) continue;
        // A parameter that is inactive, or missing for the proposal's language, is the
        // administrator's choice not to send: nothing goes out and nothing is reported.
        attempt(key, [&]() -> std::optional<MailMessage> {
            const Packet packet = params(data.proposal.language, key);
            return parties ? composeLaidOutNotification(key, packet, data, *parties)
                           : composeNotification(key, packet, data);
        });
    }

    attempt(kApprovalToClient, [&]() -> std::optional<MailMessage> {
        if (!parties) throw UserError(partiesError);
        // A version never sent by e-mail has no address of the client's to tell.
        if (parties->clientTo.isEmpty()) return std::nullopt;
        mail::ApprovalContent content = parties->content;
        content.items = parties->lines + parties->package;
        MailMessage m = mail::approvalClientMessage(content, parties->signature);
        m.to = parties->clientTo;
        return m;
    });
    attempt(kApprovalToSeller, [&]() -> std::optional<MailMessage> {
        if (!parties || parties->signature.sellerEmail.trimmed().isEmpty()) return std::nullopt;
        mail::ApprovalContent content = parties->content;
        content.items = parties->lines + parties->package;
        MailMessage m = mail::approvalSellerMessage(content, parties->signature);
        m.to = QStringList{parties->signature.sellerEmail.trimmed()};
        return m;
    });
    return result;
}

}  // namespace cot::approval
