#include "dialogs/report/proposal_report_data.h"

#include <QDateTime>

#include "base/errors.h"
#include "data/packet.h"
#include "rpc/net_connection.h"
#include "services/consiste.h"
#include "services/mask_text.h"
#include "services/messages.h"

namespace cot {

namespace {

QString text(const Packet& p, int row, const char* field) {
    return p.value(row, QString::fromLatin1(field)).toString().trimmed();
}
double number(const Packet& p, int row, const char* field) {
    return p.value(row, QString::fromLatin1(field)).toDouble();
}
QDate day(const Packet& p, int row, const char* field) {
    const QVariant v = p.value(row, QString::fromLatin1(field));
    return v.toDateTime().isValid() ? v.toDateTime().date() : v.toDate();
}

QList<ProposalReportData::Installment> schedule(const Packet& p, const char* due, const char* value) {
    QList<ProposalReportData::Installment> out;
    for (int r = 0; r < p.rows.size(); ++r) out << ProposalReportData::Installment{day(p, r, due), number(p, r, value)};
    return out;
}

// The header of the version among the branch's proposals (every operator's: the key is given).
void readHeader(NetConnection& net, ProposalReportData& d, const TMessages& messages) {
    const Packet list = net.getPacket(QStringLiteral("GetProposta"), {d.branch, QStringLiteral("T")});
    for (int r = 0; r < list.rows.size(); ++r) {
        if (text(list, r, "NRPROPOSFAS") != d.number || text(list, r, "NRVERPROPFAS") != d.version) continue;
        d.reference = text(list, r, "DSREFEPROPOSFAS");
        d.party = text(list, r, "IDCLIENPROSP");
        d.partyCode = text(list, r, "CODIGO");
        d.partyName = text(list, r, "NOME");
        d.corporateName = text(list, r, "NMRAZSOCPROS");
        d.inscription = text(list, r, "NRINSJURCLIE");
        const QString mask = Consiste::PictPess(Consiste::Ajusta_Inscricao(d.inscription));
        if (!mask.isEmpty()) d.inscription = formatMaskText(mask, d.inscription);
        d.contract = text(list, r, "IDTIPOPROPFAS");
        d.language = text(list, r, "IDIDIOMA");
        d.contact = text(list, r, "DSREFECONT");
        d.product = text(list, r, "NMPROCOMERCI");
        d.salesperson = text(list, r, "NMOPERRESP");
        if (d.salesperson.isEmpty()) d.salesperson = text(list, r, "CDOPERRESP");
        d.date = day(list, r, "DTPROPOSFAS");
        d.validUntil = day(list, r, "DTVALPROPFAS");
        d.acceptedOn = day(list, r, "DTACEPROPFAS");
        d.serviceCharging = text(list, r, "IDTIPOCOBRSERV");
        d.packageValue = number(list, r, "VRPACOTESERV");
        return;
    }
    throw UserError(messages.Msg(QStringLiteral("PROP_NAO_CAD"), {d.number, d.version, d.branch}));
}

void readLines(NetConnection& net, ProposalReportData& d) {
    const Packet lines = net.getPacket(QStringLiteral("GetLinProd"), {d.number, d.version});
    for (int r = 0; r < lines.rows.size(); ++r) {
        ProposalReportData::Line l;
        const QString key = text(lines, r, "CDLINPPROP");
        l.code = text(lines, r, "CDLINPPROPINFOR");
        l.name = text(lines, r, "NMLINPPROP");
        l.type = text(lines, r, "IDTIPLINPP");
        l.platform = text(lines, r, "IDAMBLINPP");
        l.graceMonth = text(lines, r, "MENSCALUSLINPP");
        l.users = number(lines, r, "NRUSUALINPP");
        l.quantity = number(lines, r, "QTMINIMAFATPROP");
        l.licence = number(lines, r, "VRLICENCUSOPROP");
        l.licenceDiscount = number(lines, r, "VRDESLICUSOPROP");
        l.monthly = number(lines, r, "VRMENSALIDAPROP");
        l.monthlyDiscount = number(lines, r, "VRDESMENSALPROP");
        const Packet systems = net.getPacket(QStringLiteral("GetSistLinhaProd"), {d.number, d.version, key});
        for (int s = 0; s < systems.rows.size(); ++s)
            l.systems << text(systems, s, "SGSISTEMA") + QStringLiteral(" - ") + text(systems, s, "NMSISTEMA");
        l.schedule = schedule(net.getPacket(QStringLiteral("GetVenc_Valor"), {d.number, d.version, key, 1}),
                              "DTVELUSOPEDP", "VRVELUSOPEDP");
        d.lines << l;
    }
}

void readServices(NetConnection& net, ProposalReportData& d) {
    const Packet services = net.getPacket(QStringLiteral("GetServico"), {d.number, d.version});
    for (int r = 0; r < services.rows.size(); ++r) {
        ProposalReportData::Service s;
        s.name = text(services, r, "NMTIPOSERV");
        if (s.name.isEmpty()) s.name = text(services, r, "CDTIPOSERV");
        s.place = text(services, r, "DSLOCALPROP");
        s.charging = text(services, r, "IDTIPOCOBRPROP");
        s.hours = number(services, r, "QTSERVPROP");
        s.rate = number(services, r, "VRHORAPROP");
        s.discountPercent = number(services, r, "VRPEHORAPROP");
        s.rateWithDiscount = number(services, r, "VRDEHORAPROP");
        d.services << s;
    }
    if (d.services.isEmpty()) return;
    d.serviceSchedule = schedule(net.getPacket(QStringLiteral("GetVenc_Valor"), {d.number, d.version, QString(), 2}),
                                 "DTVENCSERVPROP", "VRVENCSERVPROP");
    const Packet objective = net.getPacket(QStringLiteral("GetObjServico"), {d.number, d.version});
    if (!objective.isEmpty()) d.serviceObjective = objective.value(0, QStringLiteral("TXOBJETPROPFAS")).toString();
}

void readTexts(NetConnection& net, ProposalReportData& d) {
    const Packet texts = net.getPacket(QStringLiteral("GetMensagem"), {d.number, d.version});
    for (int r = 0; r < texts.rows.size(); ++r)
        d.texts << ProposalReportData::Text{text(texts, r, "CDTXTPROPFAS"),
                                            texts.value(r, QStringLiteral("TXPROPFAS")).toString()};
}

}  // namespace

static long double sumOf(const QList<ProposalReportData::Installment>& rows) {
    long double sum = 0;
    for (const ProposalReportData::Installment& i : rows) sum += i.value;
    return sum;
}

long double ProposalReportData::Line::quotedLicence() const {
    return (static_cast<long double>(licence) - licenceDiscount) * quantity;
}

// The installments are what is charged: printing the quoted figure beside them would
// show a total that is not the one paid.
long double ProposalReportData::Line::licenceTotal() const {
    return schedule.isEmpty() ? quotedLicence() : sumOf(schedule);
}

long double ProposalReportData::Line::monthlyTotal() const {
    return (static_cast<long double>(monthly) - monthlyDiscount) * quantity;
}

long double ProposalReportData::Service::value() const { return static_cast<long double>(hours) * rateWithDiscount; }

long double ProposalReportData::licenceTotal() const {
    long double sum = 0;
    for (const Line& l : lines) sum += l.licenceTotal();
    return sum;
}

long double ProposalReportData::monthlyTotal() const {
    long double sum = 0;
    for (const Line& l : lines) sum += l.monthlyTotal();
    return sum;
}

long double ProposalReportData::servicesTotal() const {
    if (serviceCharging == QLatin1String("P")) return serviceSchedule.isEmpty() ? packageValue : sumOf(serviceSchedule);
    long double sum = 0;
    for (const Service& s : services) sum += s.value();
    return sum;
}

ProposalReportData readProposalReport(NetConnection& net, const QString& branch, const QString& number,
                                      const QString& version, const TMessages& messages) {
    ProposalReportData d;
    d.branch = branch.trimmed();
    d.number = number.trimmed();
    d.version = version.trimmed();
    if (d.number.isEmpty() || d.version.isEmpty())
        throw UserError(messages.Msg(QStringLiteral("PROP_INF")));
    readHeader(net, d, messages);
    readLines(net, d);
    readServices(net, d);
    readTexts(net, d);
    return d;
}

}  // namespace cot
