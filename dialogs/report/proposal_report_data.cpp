#include "dialogs/report/proposal_report_data.h"

#include <QDateTime>

#include "base/errors.h"
#include "data/cell_reads.h"
#include "rpc/net_connection.h"
#include "services/consiste.h"
#include "services/mask_text.h"
#include "services/messages.h"

namespace cot {

namespace {

QList<ProposalDocument::Installment> schedule(const Packet& p, const char* due, const char* value) {
    QList<ProposalDocument::Installment> out;
    for (int r = 0; r < p.rows.size(); ++r) out << ProposalDocument::Installment{cellDay(p, r, due), cellNumber(p, r, value)};
    return out;
}

// The header of the version among the branch's proposals (every operator's: the key is given).
void readHeader(NetConnection& net, ProposalDocument& d, const TMessages& messages) {
    const Packet list = net.getPacket(QStringLiteral("GetProposta"), {d.branch, QStringLiteral("T")});
    for (int r = 0; r < list.rows.size(); ++r) {
        if (cellText(list, r, "NRPROPOSFAS") != d.number || cellText(list, r, "NRVERPROPFAS") != d.version) continue;
        d.reference = cellText(list, r, "DSREFEPROPOSFAS");
        d.party = cellText(list, r, "IDCLIENPROSP");
        d.partyCode = cellText(list, r, "CODIGO");
        d.partyName = cellText(list, r, "NOME");
        d.corporateName = cellText(list, r, "NMRAZSOCPROS");
        d.inscription = cellText(list, r, "NRINSJURCLIE");
        const QString mask = Consiste::PictPess(Consiste::Ajusta_Inscricao(d.inscription));
        if (!mask.isEmpty()) d.inscription = formatMaskText(mask, d.inscription);
        d.contract = cellText(list, r, "IDTIPOPROPFAS");
        d.language = cellText(list, r, "IDIDIOMA");
        d.contact = cellText(list, r, "DSREFECONT");
        d.product = cellText(list, r, "NMPROCOMERCI");
        d.salesperson = cellText(list, r, "NMOPERRESP");
        if (d.salesperson.isEmpty()) d.salesperson = cellText(list, r, "CDOPERRESP");
        d.date = cellDay(list, r, "DTPROPOSFAS");
        d.validUntil = cellDay(list, r, "DTVALPROPFAS");
        d.acceptedOn = cellDay(list, r, "DTACEPROPFAS");
        d.serviceCharging = cellText(list, r, "IDTIPOCOBRSERV");
        d.packageValue = cellNumber(list, r, "VRPACOTESERV");
        return;
    }
    throw UserError(messages.Msg(QStringLiteral("PROP_NAO_CAD"), {d.number, d.version, d.branch}));
}

void readLines(NetConnection& net, ProposalDocument& d) {
    const Packet lines = net.getPacket(QStringLiteral("GetLinProd"), {d.number, d.version});
    for (int r = 0; r < lines.rows.size(); ++r) {
        ProposalDocument::Line l;
        const QString key = cellText(lines, r, "CDLINPPROP");
        l.code = cellText(lines, r, "CDLINPPROPINFOR");
        l.name = cellText(lines, r, "NMLINPPROP");
        l.type = cellText(lines, r, "IDTIPLINPP");
        l.platform = cellText(lines, r, "IDAMBLINPP");
        l.graceMonth = cellText(lines, r, "MENSCALUSLINPP");
        l.users = cellNumber(lines, r, "NRUSUALINPP");
        l.quantity = cellNumber(lines, r, "QTMINIMAFATPROP");
        l.licence = cellNumber(lines, r, "VRLICENCUSOPROP");
        l.licenceDiscount = cellNumber(lines, r, "VRDESLICUSOPROP");
        l.monthly = cellNumber(lines, r, "VRMENSALIDAPROP");
        l.monthlyDiscount = cellNumber(lines, r, "VRDESMENSALPROP");
        const Packet systems = net.getPacket(QStringLiteral("GetSistLinhaProd"), {d.number, d.version, key});
        for (int s = 0; s < systems.rows.size(); ++s)
            l.systems << cellText(systems, s, "SGSISTEMA") + QStringLiteral(" - ") + cellText(systems, s, "NMSISTEMA");
        l.schedule = schedule(net.getPacket(QStringLiteral("GetVenc_Valor"), {d.number, d.version, key, 1}),
                              "DTVELUSOPEDP", "VRVELUSOPEDP");
        d.lines << l;
    }
}

void readServices(NetConnection& net, ProposalDocument& d) {
    const Packet services = net.getPacket(QStringLiteral("GetServico"), {d.number, d.version});
    for (int r = 0; r < services.rows.size(); ++r) {
        ProposalDocument::Service s;
        s.name = cellText(services, r, "NMTIPOSERV");
        if (s.name.isEmpty()) s.name = cellText(services, r, "CDTIPOSERV");
        s.place = cellText(services, r, "DSLOCALPROP");
        s.charging = cellText(services, r, "IDTIPOCOBRPROP");
        s.hours = cellNumber(services, r, "QTSERVPROP");
        s.rate = cellNumber(services, r, "VRHORAPROP");
        s.discountPercent = cellNumber(services, r, "VRPEHORAPROP");
        s.rateWithDiscount = cellNumber(services, r, "VRDEHORAPROP");
        d.services << s;
    }
    if (d.services.isEmpty()) return;
    d.serviceSchedule = schedule(net.getPacket(QStringLiteral("GetVenc_Valor"), {d.number, d.version, QString(), 2}),
                                 "DTVENCSERVPROP", "VRVENCSERVPROP");
    const Packet objective = net.getPacket(QStringLiteral("GetObjServico"), {d.number, d.version});
    if (!objective.isEmpty()) d.serviceObjective = objective.value(0, QStringLiteral("TXOBJETPROPFAS")).toString();
}

void readTexts(NetConnection& net, ProposalDocument& d) {
    const Packet texts = net.getPacket(QStringLiteral("GetMensagem"), {d.number, d.version});
    for (int r = 0; r < texts.rows.size(); ++r)
        d.texts << ProposalDocument::Text{cellText(texts, r, "CDTXTPROPFAS"),
                                            texts.value(r, QStringLiteral("TXPROPFAS")).toString()};
}

void readTotals(NetConnection& net, ProposalDocument& d) {
    const Packet p = net.getPacket(QStringLiteral("GetTotaisProposta"), {d.number, d.version});
    if (p.isEmpty()) return;
    const auto figure = [&](const char* name) {
        return static_cast<long double>(p.value(0, QString::fromLatin1(name)).toDouble());
    };
    d.totals = {figure("VRLICENCA"), figure("VRMENSAL"), figure("VRSERVICOS"), figure("VRUNICO")};
}

void readIdentity(NetConnection& net, ProposalDocument& d) {
    const Packet p = net.getPacket(QStringLiteral("GetIdentidadeProposta"), {d.number, d.version});
    if (p.isEmpty()) return;
    ProposalDocument::Identity& id = d.identity;
    id.company = cellText(p, 0, "NMEMPRESA");
    id.cnpj = cellText(p, 0, "NRCNPJ");
    id.address = cellText(p, 0, "DSENDERECO");
    id.phone = cellText(p, 0, "NRFONE");
    id.site = cellText(p, 0, "DSSITE");
    id.footer = cellText(p, 0, "DSRODAPE");
    id.logoType = cellText(p, 0, "IDTIPOLOGO");
    id.logo = QByteArray::fromBase64(cellText(p, 0, "TXLOGO").toLatin1());
    id.sellerName = cellText(p, 0, "NMVENDEDOR");
    id.sellerEmail = cellText(p, 0, "DSEMAILVENDEDOR");
    id.sellerPhone = cellText(p, 0, "NRFONEVENDEDOR");
}

}  // namespace

ProposalDocument readProposalReport(NetConnection& net, const QString& branch, const QString& number,
                                      const QString& version, const TMessages& messages) {
    ProposalDocument d;
    d.branch = branch.trimmed();
    d.number = number.trimmed();
    d.version = version.trimmed();
    if (d.number.isEmpty() || d.version.isEmpty())
        throw UserError(messages.Msg(QStringLiteral("PROP_INF")));
    readHeader(net, d, messages);
    readLines(net, d);
    readServices(net, d);
    readTexts(net, d);
    readIdentity(net, d);
    readTotals(net, d);
    return d;
}

}  // namespace cot
