#include "server/methods/acceptance_charging.h"

#include <QStringList>
#include <algorithm>

#include "base/clock.h"
#include "data/packet.h"
#include "server/methods/read_support.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"

namespace cot::server::acceptance {

namespace {

QVariant orNull(const QString& s) { return s.isEmpty() ? QVariant() : QVariant(s); }

struct Charges {
    Database& db;
    const AcceptedProposal& p;
    QDateTime now;
    int sequence = 0;

    void add(const char* origin, const QVariant& line, const QVariant& due, double value) {
        db.exec(QStringLiteral("INSERT INTO COBRPROP (NRPROPOSFAS, NRVERPROPFAS, NRSEQCOBR, CDFILIAL, CDCLIENTE, "
                               "IDORIGCOBR, CDLINPPROP, DTVENCCOBR, VRCOBR, NRMESREAJCOBR, CDOPERINCL, DTINCLUSAO) "
                               "VALUES (:NR, :VER, :SEQ, :FIL, :CLI, :ORIG, :LIN, :VENC, :VR, :MES, :OP, :AGORA)"),
                {{"NR", p.number}, {"VER", p.version}, {"SEQ", ++sequence}, {"FIL", p.branch}, {"CLI", p.client},
                 {"ORIG", QString::fromLatin1(origin)}, {"LIN", line}, {"VENC", due}, {"VR", value},
                 {"MES", p.readjustMonth}, {"OP", orNull(p.oper)}, {"AGORA", now}});
    }
};

QString systemsOf(Database& db, const AcceptedProposal& p, const QString& line, QStringList& codes) {
    const Packet systems = db.query(QStringLiteral("SELECT CDSISTEMA FROM SISTLINPPROP WHERE %1 AND CDLINPPROP = :L")
                                        .arg(read::ProposalKey::condition()),
                                    {{"NR", p.number}, {"VER", p.version}, {"L", line}});
    for (int i = 0; i < systems.rows.size(); ++i) codes << systems.value(i, "CDSISTEMA").toString().trimmed();
    // The configuration text compared when a line is offered again: plain text order.
    std::sort(codes.begin(), codes.end());
    return codes.join(u' ').trimmed();
}

void contractLines(Database& db, const AcceptedProposal& p, Charges& charges, ChargingSummary& out) {
    const Packet lines = db.query(QStringLiteral(R"SQL(
SELECT CDLINPPROP, CDLINPPROPINFOR, NMLINPPROP, NRUSUALINPP, IDTIPLINPP, QTMINIMAFATPROP, VRLICENCUSOPROP,
       VRMENSALIDAPROP, VRDESLICUSOPROP, VRDESMENSALPROP, IDMPROCLINPP, IDLPROCLINPP, DTCALUSLINPP, IDAMBLINPP
FROM LINPPROP WHERE %1 ORDER BY CDLINPPROP)SQL")
                                      .arg(read::ProposalKey::condition()),
                                  {{"NR", p.number}, {"VER", p.version}});
    for (int i = 0; i < lines.rows.size(); ++i) {
        const QString key = lines.value(i, "CDLINPPROP").toString();
        const double licence = lines.value(i, "VRLICENCUSOPROP").toDouble();
        const double quantity = lines.value(i, "QTMINIMAFATPROP").toDouble();
        const long double unit = static_cast<long double>(licence) - lines.value(i, "VRDESLICUSOPROP").toDouble();
        const long double monthly =
            static_cast<long double>(lines.value(i, "VRMENSALIDAPROP").toDouble()) -
            lines.value(i, "VRDESMENSALPROP").toDouble();
        if (db.scalar(QStringLiteral("SELECT COUNT(*) FROM LINPCLIE WHERE CDCLIENTE = :C AND CDLINPCLIE = :L"),
                      {{"C", p.client}, {"L", key}})
                .toInt() > 0)
            throw MethodError(QStringLiteral("Linha de produto %1 já está no contrato do cliente.")
                                  .arg(lines.value(i, "CDLINPPROPINFOR").toString().trimmed()));
        QStringList codes;
        const QString systems = systemsOf(db, p, key, codes);
        db.exec(QStringLiteral(R"SQL(
INSERT INTO LINPCLIE (CDCLIENTE, CDLINPCLIE, CDLINPPROPINFOR, NMLINPCLIE, IDTIPLINPC, NRUSUALINPC, IDAMBLINPC,
    IDLPROCLINPC, IDMPROCLINPC, CDSISTEMAS, QTMINIMAFATC, VRLICENCUSOC, VRMENSALIDAC, DTCALUSLINPC, NRMESREAJLINC,
    IDSITULINPC, NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, DTINCLUSAO)
VALUES (:C, :L, :INFOR, :NOME, :TIPO, :USU, :AMB, :LOC, :MODO, :SIST, :QT, :LIC, :MENS, :CAR, :MES, 'A', :NR, :VER,
    :L, :AGORA))SQL"),
                {{"C", p.client}, {"L", key}, {"INFOR", lines.value(i, "CDLINPPROPINFOR")},
                 {"NOME", lines.value(i, "NMLINPPROP")}, {"TIPO", lines.value(i, "IDTIPLINPP")},
                 {"USU", lines.value(i, "NRUSUALINPP")}, {"AMB", lines.value(i, "IDAMBLINPP")},
                 {"LOC", lines.value(i, "IDLPROCLINPP")}, {"MODO", lines.value(i, "IDMPROCLINPP")},
                 {"SIST", orNull(systems)}, {"QT", quantity}, {"LIC", static_cast<double>(unit)},
                 {"MENS", static_cast<double>(monthly)}, {"CAR", lines.value(i, "DTCALUSLINPP")},
                 {"MES", p.readjustMonth}, {"NR", p.number}, {"VER", p.version}, {"AGORA", charges.now}});
        for (const QString& code : codes)
            db.exec(QStringLiteral("INSERT INTO SISTLINPCLIE (CDCLIENTE, CDLINPCLIE, CDSISTEMA) VALUES (:C, :L, :S)"),
                    {{"C", p.client}, {"L", key}, {"S", code}});
        ++out.lines;

        // The licence of use is charged under LU/maintenance, one charge per installment.
        if (p.contract != QLatin1String("M") || licence == 0 || quantity == 0) continue;
        const Packet schedule = db.query(QStringLiteral("SELECT DTVELUSOPEDP, VRVELUSOPEDP FROM VENCLINPPROP "
                                                        "WHERE %1 "
                                                        "AND CDLINPPROP = :L ORDER BY DTVELUSOPEDP")
                                             .arg(read::ProposalKey::condition()),
                                         {{"NR", p.number}, {"VER", p.version}, {"L", key}});
        for (int s = 0; s < schedule.rows.size(); ++s) {
            const double value = schedule.value(s, "VRVELUSOPEDP").toDouble();
            charges.add("L", key, schedule.value(s, "DTVELUSOPEDP"), value);
            out.licence += value;
        }
    }
}

void contractServices(Database& db, const AcceptedProposal& p, ChargingSummary& out) {
    const Packet services = db.query(QStringLiteral("SELECT NRSERVPROP, CDTIPOSERV, IDTIPOCOBRPROP, QTSERVPROP, "
                                                    "VRDEHORAPROP FROM SERVPROP WHERE %1 ORDER BY NRSERVPROP")
                                         .arg(read::ProposalKey::condition()),
                                     {{"NR", p.number}, {"VER", p.version}});
    for (int i = 0; i < services.rows.size(); ++i) {
        QString kind = services.value(i, "IDTIPOCOBRPROP").toString().trimmed();
        if (kind.isEmpty()) kind = p.serviceCharging;
        db.exec(QStringLiteral("INSERT INTO SERVCLIE (CDCLIENTE, NRPROPOSFAS, NRVERPROPFAS, NRSERVPROP, CDTIPOSERV, "
                               "IDTIPOCOBRCLIE, QTSERVCLIE, VRHORACLIE, DTINICLIE) "
                               "VALUES (:C, :NR, :VER, :S, :T, :K, :Q, :V, :D)"),
                {{"C", p.client}, {"NR", p.number}, {"VER", p.version}, {"S", services.value(i, "NRSERVPROP")},
                 {"T", services.value(i, "CDTIPOSERV")}, {"K", orNull(kind)}, {"Q", services.value(i, "QTSERVPROP")},
                 {"V", services.value(i, "VRDEHORAPROP")}, {"D", p.acceptedOn}});
        ++out.services;
    }
}

// The service package is charged per installment, whatever the contract type.
void packageCharges(Database& db, const AcceptedProposal& p, Charges& charges, ChargingSummary& out) {
    if (p.serviceCharging != QLatin1String("P")) return;
    const Packet schedule = db.query(QStringLiteral("SELECT DTVENCSERVPROP, VRVENCSERVPROP FROM VENCSERVPROP "
                                                    "WHERE %1 "
                                                    "ORDER BY DTVENCSERVPROP")
                                         .arg(read::ProposalKey::condition()),
                                     {{"NR", p.number}, {"VER", p.version}});
    for (int s = 0; s < schedule.rows.size(); ++s) {
        const double value = schedule.value(s, "VRVENCSERVPROP").toDouble();
        charges.add("S", QVariant(), schedule.value(s, "DTVENCSERVPROP"), value);
        out.package += value;
    }
}

}  // namespace

ChargingSummary generateCharging(Database& db, const AcceptedProposal& proposal) {
    ChargingSummary out;
    Charges charges{db, proposal, Clock::current().now()};
    charges.sequence = db.scalar(QStringLiteral("SELECT COALESCE(MAX(NRSEQCOBR), 0) FROM COBRPROP "
                                                "WHERE %1")
                                     .arg(read::ProposalKey::condition()),
                                 {{"NR", proposal.number}, {"VER", proposal.version}})
                           .toInt();
    const int first = charges.sequence;
    contractLines(db, proposal, charges, out);
    contractServices(db, proposal, out);
    packageCharges(db, proposal, charges, out);
    out.charges = charges.sequence - first;
    return out;
}

}  // namespace cot::server::acceptance
