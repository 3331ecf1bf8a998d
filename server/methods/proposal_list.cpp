#include "server/methods/proposal_list.h"

#include "base/clock.h"
#include "data/proposal_number.h"
#include "server/methods/read_support.h"
#include "server/storage/database.h"
#include "server/storage/query_packet.h"
#include <cmath>

namespace cot::server {

namespace {

using namespace read;

// Columns of the list; the names of people, indexes and products come from their registers.
const char* const kSelect = R"SQL(
SELECT
    P.IDSOLPROPFAS, P.NRPROPOSFAS, P.DSREFEPROPOSFAS, P.NRCONTATO, P.NRVERPROPFAS,
    CASE WHEN P.IDCLIENPROSP = 'P' THEN PR.NMFANTPROS ELSE CL.NMFANTCLIE END AS NOME,
    P.DTPROPOSFAS, P.DTACEPROPFAS, P.DTVALPROPFAS,
    OS.NMOPERADOR AS OPERSOLI, P.CDOPERINCL, P.IDCLIENPROSP, P.CDPROSPECT, P.DSEMAIPROFAS,
    P.CDFILIAL, P.CDCLIENTE, P.NRFAXPROPFAS, P.DSOBSPROPFAS,
    P.CDOPERINCL AS CDOPERADOR, OI.NMOPERADOR AS NMOPERADOR, P.CDOPERSOLI, P.DSREFECONT,
    CL.IDTPIJURCLIE, PR.IDTPIJURPROS, CT.IDTPCONTATO, CT.DSREFECONT AS NMCONTATO,
    P.CDTPINDICE1, P.IDPERVALOR1, P.CDINDICE1, P.VRPEINCIND1,
    P.CDTPINDICE2, P.IDPERVALOR2, P.CDINDICE2, P.IDTPREAJPROP, P.VRPEINCIND2,
    I1.NMINDICE AS NMINDICEREAJ1, I2.NMINDICE AS NMINDICEREAJ2,
    CASE WHEN P.IDCLIENPROSP = 'P' THEN P.CDPROSPECT ELSE P.CDCLIENTE END AS CODIGO,
    CASE WHEN P.IDCLIENPROSP = 'P' THEN PR.NRINSJURPROS ELSE CL.NRINSJURCLIE END AS NRINSJURCLIE,
    P.NRMESREAJPROP, ORS.NMOPERADOR AS NMOPERRESP, P.CDOPERRESP,
    P.NRPROPOSFAS || '/' || P.NRVERPROPFAS AS PROPOSTAVERS,
    P.IDTIPOPROPFAS, P.DTINCLUSAO, P.CDINTECLIE, P.CDINTEPROS,
    CASE WHEN P.IDCLIENPROSP = 'P' THEN P.CDINTEPROS ELSE P.CDINTECLIE END AS CODIGOINTER,
    CASE WHEN P.IDCLIENPROSP = 'P' THEN IP.NMINTEPROS ELSE IC.NMINTECLIE END AS NMINTECLIE,
    P.CDPROCOMERCI, PC.NMPROCOMERCI, P.IDIDIOMA,
    CASE WHEN P.IDCLIENPROSP = 'P' THEN PR.NMRAZSOCPROS ELSE CL.NMRAZSOCCLIE END AS NMRAZSOCPROS,
    P.VRPACOTESERV, P.IDTIPOCOBRSERV,
    DC.IDDECISAO AS IDDECCLIENTE,
    P.VRTOTCENTPROP, P.VRMENCENTPROP,
    %CLOSED% AS SITFECHADA
FROM PROPOSTAFAS P
LEFT JOIN DECISAOPROP DC ON DC.NRPROPOSFAS = P.NRPROPOSFAS AND DC.NRVERPROPFAS = P.NRVERPROPFAS
LEFT JOIN CLIENTE CL ON CL.CDCLIENTE = P.CDCLIENTE
LEFT JOIN PROSPECT PR ON PR.CDPROSPECT = P.CDPROSPECT
LEFT JOIN CONTATO CT ON CT.CDFILIAL = P.CDFILIAL AND CT.NRCONTATO = P.NRCONTATO
LEFT JOIN OPERADOR OS ON OS.CDOPERADOR = P.CDOPERSOLI
LEFT JOIN OPERADOR OI ON OI.CDOPERADOR = P.CDOPERINCL
LEFT JOIN OPERADOR ORS ON ORS.CDOPERADOR = P.CDOPERRESP
LEFT JOIN INDICE I1 ON I1.CDINDICE = P.CDINDICE1 AND I1.CDTPINDICE = P.CDTPINDICE1
LEFT JOIN INDICE I2 ON I2.CDINDICE = P.CDINDICE2 AND I2.CDTPINDICE = P.CDTPINDICE2
LEFT JOIN PRODCOMERCI PC ON PC.CDPROCOMERCI = P.CDPROCOMERCI
LEFT JOIN INTECLIE IC ON IC.CDCLIENTE = P.CDCLIENTE AND IC.CDINTECLIE = P.CDINTECLIE
LEFT JOIN INTEPROS IP ON IP.CDPROSPECT = P.CDPROSPECT AND IP.CDINTEPROS = P.CDINTEPROS
)SQL";

// A value column: the cents the version keeps, none counted as zero.
double valueOf(const SqlRow& row, int column) {
    if (column < 0) return 0;
    switch (row.kind(column)) {
    case SqlRow::Kind::Null: return 0;
    case SqlRow::Kind::Integer: return static_cast<double>(row.integer(column)) / 100.0;
    default: return std::round(row.value(column).toDouble()) / 100.0;
    }
}

}  // namespace

// A proposal open without a validity date has nothing to hold the client to: expired.
QString proposalStatus(const QDateTime& accepted, const QDateTime& validUntil, const QDate& today,
                       const QString& closed) {
    if (accepted.isValid()) return QString::fromLatin1(ProposalStatus::Accepted);
    if (closed == QLatin1String(ProposalStatus::Lost) || closed == QLatin1String(ProposalStatus::Superseded))
        return closed;
    if (!validUntil.isValid()) return QString::fromLatin1(ProposalStatus::Expired);
    const qint64 left = today.daysTo(validUntil.date());
    if (left < 0) return QString::fromLatin1(ProposalStatus::Expired);
    if (left <= 10) return QString::fromLatin1(ProposalStatus::Expiring);
    return QString::fromLatin1(ProposalStatus::Valid);
}

const QList<FieldDef>& proposalFields() {
    static const QList<FieldDef> fields{
        fixed("IDSITUACAO"), stored("PROPOSTAFAS", "IDSOLPROPFAS"), stored("PROPOSTAFAS", "NRPROPOSFAS"),
        stored("PROPOSTAFAS", "DSREFEPROPOSFAS"), stored("PROPOSTAFAS", "NRCONTATO"),
        stored("PROPOSTAFAS", "NRVERPROPFAS"), text("NOME", 50), date("DTPROPOSFAS"), date("DTACEPROPFAS"),
        date("DTVALPROPFAS"), text("OPERSOLI", 40), stored("PROPOSTAFAS", "CDOPERINCL"),
        stored("PROPOSTAFAS", "IDCLIENPROSP"), stored("PROPOSTAFAS", "CDPROSPECT"),
        stored("PROPOSTAFAS", "DSEMAIPROFAS"), stored("PROPOSTAFAS", "CDFILIAL"), stored("PROPOSTAFAS", "CDCLIENTE"),
        stored("PROPOSTAFAS", "NRFAXPROPFAS"), stored("PROPOSTAFAS", "DSOBSPROPFAS"), stored("OPERADOR", "CDOPERADOR"),
        stored("OPERADOR", "NMOPERADOR"), stored("PROPOSTAFAS", "CDOPERSOLI"), stored("PROPOSTAFAS", "DSREFECONT"),
        stored("CLIENTE", "IDTPIJURCLIE"), stored("PROSPECT", "IDTPIJURPROS"), stored("CONTATO", "IDTPCONTATO"),
        stored("PROPOSTAFAS", "CDTPINDICE1"), stored("PROPOSTAFAS", "IDPERVALOR1"), stored("PROPOSTAFAS", "CDINDICE1"),
        number("VRPEINCIND1"), stored("PROPOSTAFAS", "CDTPINDICE2"), stored("PROPOSTAFAS", "IDPERVALOR2"),
        stored("PROPOSTAFAS", "CDINDICE2"), stored("PROPOSTAFAS", "IDTPREAJPROP"), number("VRPEINCIND2"),
        text("NMINDICEREAJ1", 30), text("NMINDICEREAJ2", 30), text("CODIGO", 21), stored("CLIENTE", "NRINSJURCLIE"),
        stored("PROPOSTAFAS", "NRMESREAJPROP"), text("NMOPERRESP", 60), stored("PROPOSTAFAS", "CDOPERRESP"),
        fixed("ANEXO"), text("PROPOSTAVERS", 25), stored("PROPOSTAFAS", "IDTIPOPROPFAS"),
        stored("PROPOSTAFAS", "DTINCLUSAO"), stored("PROPOSTAFAS", "CDINTECLIE"), stored("PROPOSTAFAS", "CDINTEPROS"),
        text("CODIGOINTER", 2), stored("INTECLIE", "NMINTECLIE"), text("PROPNOME", 73),
        stored("PROPOSTAFAS", "CDPROCOMERCI"), stored("PRODCOMERCI", "NMPROCOMERCI"), stored("PROPOSTAFAS", "IDIDIOMA"),
        stored("PROSPECT", "NMRAZSOCPROS"), number("VRPACOTESERV"), stored("PROPOSTAFAS", "IDTIPOCOBRSERV"),
        fixed("IDDECCLIENTE"), number("VRTOTAL"), number("VRMENSAL"), text("NMCONTATO", 60)};
    return fields;
}

QString proposalListSql(const QString& where) {
    static const QString select = QString::fromLatin1(kSelect)
                                      .replace(QStringLiteral("%CLOSED%"), closedStatusSql());
    QString sql = select;
    if (!where.trimmed().isEmpty()) sql += QStringLiteral("WHERE ") + where + u'\n';
    return sql + QStringLiteral("ORDER BY P.NRPROPOSFAS DESC, P.NRVERPROPFAS DESC");
}

Reply proposalList(Database& db, const QString& where, const QVariantMap& params,
                   std::function<bool(const SqlRow&)> keep) {
    QueryPacket list;
    list.sql = proposalListSql(where);
    list.params = params;
    list.fields = proposalFields();
    list.keep = std::move(keep);

    // Computed here, from columns looked up once per list.
    auto accepted = std::make_shared<RowColumn>("DTACEPROPFAS");
    auto validUntil = std::make_shared<RowColumn>("DTVALPROPFAS");
    auto nr = std::make_shared<RowColumn>("NRPROPOSFAS");
    auto version = std::make_shared<RowColumn>("NRVERPROPFAS");
    auto name = std::make_shared<RowColumn>("NOME");
    auto closed = std::make_shared<RowColumn>("SITFECHADA");
    const QDate today = Clock::current().today();
    list.computed.insert(QStringLiteral("IDSITUACAO"), [=](const SqlRow& row) -> QVariant {
        return proposalStatus(dateOf(row, accepted->in(row)), dateOf(row, validUntil->in(row)), today,
                              textOf(row, closed->in(row)));
    });
    list.computed.insert(QStringLiteral("PROPNOME"), [=](const SqlRow& row) -> QVariant {
        const QString n = textOf(row, name->in(row));
        const QString shown = shortProposalNumber(textOf(row, nr->in(row)), textOf(row, version->in(row)));
        return (shown + (n.isEmpty() ? QString() : " - " + n)).left(73);
    });
    // The version's two figures (version_value_sql.h): VRTOTAL the one-off value, licence
    // as charged plus services; VRMENSAL the monthly value.
    auto oneOff = std::make_shared<RowColumn>("VRTOTCENTPROP");
    auto monthly = std::make_shared<RowColumn>("VRMENCENTPROP");
    list.computed.insert(QStringLiteral("VRTOTAL"),
                         [=](const SqlRow& row) -> QVariant { return valueOf(row, oneOff->in(row)); });
    list.computed.insert(QStringLiteral("VRMENSAL"),
                         [=](const SqlRow& row) -> QVariant { return valueOf(row, monthly->in(row)); });
    // Attachments live in the desktop's attachment folder; the list marks them itself.
    list.computed.insert(QStringLiteral("ANEXO"), [](const SqlRow&) -> QVariant { return QString(); });

    return Reply::streamed(
        [&db, list = std::move(list)](QByteArray& out, const Reply::Pace& pace) { list.writeTo(db, out, pace); });
}

}  // namespace cot::server
