// Product lines of a proposal version, their systems and installment schedules.
//
//   GetLinProd(NR, VER)                    → the lines, in the order they were created
//   GetSistLinhaProd(NR, VER, CDLINPPROP)  → the systems of one line, by abbreviation
//   GetVenc_Valor(NR, VER, CDLINPPROP, 1)  → installments of one line's licence of use
//   GetVenc_Valor(NR, VER, "", 2)          → installments of the service package
// Installments come by due date.
#include "server/methods/proposal_screen_methods.h"
#include "server/methods/read_support.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"

namespace cot::server::detail {

namespace {

using namespace read;

Reply getLinProd(MethodContext& ctx, const Args& args) {
    static const QList<FieldDef> fields{
        stored("LINPPROP", "NRPROPOSFAS"), stored("LINPPROP", "NRVERPROPFAS"), stored("LINPPROP", "CDLINPPROP"),
        stored("LINPPROP", "CDLINPPROPINFOR"), stored("LINPPROP", "NMLINPPROP"), number("NRUSUALINPP"),
        stored("LINPPROP", "IDTIPLINPP"), number("QTMINIMAFATPROP"), number("VRLICENCUSOPROP"),
        number("VRMENSALIDAPROP"), number("VRDESLICUSOPROP"), number("VRDESMENSALPROP"),
        stored("LINPPROP", "IDMPROCLINPP"), stored("LINPPROP", "IDLPROCLINPP"), date("DTCALUSLINPP"),
        stored("LINPPROP", "IDAMBLINPP"), stored("PROPOSTAFAS", "IDTIPOPROPFAS"), text("MENSCALUSLINPP", 7),
        date("DTCALUSLINPPAUX")};
    Packet lines = shaped(ctx.db,
                          QStringLiteral(R"SQL(
SELECT L.NRPROPOSFAS, L.NRVERPROPFAS, L.CDLINPPROP, L.CDLINPPROPINFOR, L.NMLINPPROP, L.NRUSUALINPP,
       L.IDTIPLINPP, L.QTMINIMAFATPROP, L.VRLICENCUSOPROP, L.VRMENSALIDAPROP, L.VRDESLICUSOPROP,
       L.VRDESMENSALPROP, L.IDMPROCLINPP, L.IDLPROCLINPP, L.DTCALUSLINPP, L.IDAMBLINPP,
       P.IDTIPOPROPFAS, L.DTCALUSLINPP AS DTCALUSLINPPAUX
FROM LINPPROP L
JOIN PROPOSTAFAS P ON P.NRPROPOSFAS = L.NRPROPOSFAS AND P.NRVERPROPFAS = L.NRVERPROPFAS
WHERE %1
ORDER BY L.CDLINPPROP)SQL")
                              .arg(ProposalKey::condition(QStringLiteral("L"))),
                          proposalKey(args).params(), fields);
    // The grace month as the grid shows it ("MM/yyyy").
    const int grace = lines.indexOf(QStringLiteral("DTCALUSLINPP"));
    const int month = lines.indexOf(QStringLiteral("MENSCALUSLINPP"));
    for (QVariantList& row : lines.rows) {
        const QDateTime dt = row.value(grace).toDateTime();
        if (dt.isValid()) row[month] = dt.toString(QStringLiteral("MM/yyyy"));
    }
    return packetResult(lines);
}

Reply getSistLinhaProd(MethodContext& ctx, const Args& args) {
    static const QList<FieldDef> fields{stored("SISTEMA", "SGSISTEMA"), stored("PRODCOMERCI", "NMPROCOMERCI"),
                                        stored("SISTLINPPROP", "NRPROPOSFAS"), stored("SISTLINPPROP", "NRVERPROPFAS"),
                                        stored("SISTLINPPROP", "CDLINPPROP"), stored("SISTEMA", "NMSISTEMA"),
                                        stored("SISTLINPPROP", "CDSISTEMA"), stored("SISTEMA", "IDTECNOSIST")};
    QVariantMap params = proposalKey(args).params();
    params.insert(QStringLiteral("LINHA"), args.string(2).trimmed());
    return packetResult(shaped(ctx.db,
                               QStringLiteral(R"SQL(
SELECT S.SGSISTEMA, PC.NMPROCOMERCI, SL.NRPROPOSFAS, SL.NRVERPROPFAS, SL.CDLINPPROP, S.NMSISTEMA,
       SL.CDSISTEMA, S.IDTECNOSIST
FROM SISTLINPPROP SL
JOIN SISTEMA S ON S.CDSISTEMA = SL.CDSISTEMA
LEFT JOIN PRODCOMERCI PC ON PC.CDPROCOMERCI = S.CDPROCOMERCI
WHERE %1 AND SL.CDLINPPROP = :LINHA
ORDER BY S.SGSISTEMA, SL.CDSISTEMA)SQL")
                                   .arg(ProposalKey::condition(QStringLiteral("SL"))),
                               params, fields));
}

Reply getVencValor(MethodContext& ctx, const Args& args) {
    const qint64 kind = args.integer(3);
    QVariantMap params = proposalKey(args).params();
    if (kind == 1) {
        static const QList<FieldDef> fields{stored("VENCLINPPROP", "NRPROPOSFAS"),
                                            stored("VENCLINPPROP", "NRVERPROPFAS"),
                                            stored("VENCLINPPROP", "CDLINPPROP"), date("DTVELUSOPEDP"),
                                            number("VRVELUSOPEDP")};
        params.insert(QStringLiteral("LINHA"), args.string(2).trimmed());
        return packetResult(
            shaped(ctx.db,
                   QStringLiteral("SELECT NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, DTVELUSOPEDP, VRVELUSOPEDP "
                                  "FROM VENCLINPPROP WHERE %1 "
                                  "AND CDLINPPROP = :LINHA ORDER BY DTVELUSOPEDP")
                       .arg(ProposalKey::condition()),
                   params, fields));
    }
    if (kind == 2) {
        static const QList<FieldDef> fields{stored("VENCSERVPROP", "NRPROPOSFAS"),
                                            stored("VENCSERVPROP", "NRVERPROPFAS"), date("DTVENCSERVPROP"),
                                            number("VRVENCSERVPROP")};
        return packetResult(shaped(ctx.db,
                                   QStringLiteral("SELECT NRPROPOSFAS, NRVERPROPFAS, DTVENCSERVPROP, VRVENCSERVPROP "
                                                  "FROM VENCSERVPROP WHERE %1 "
                                                  "ORDER BY DTVENCSERVPROP")
                                       .arg(ProposalKey::condition()),
                                   params, fields));
    }
    throw MethodError(QStringLiteral("Tipo de vencimento inválido: use 1 (linha de produto) ou 2 (pacote de serviços)."));
}

}  // namespace

void registerProductLineReadMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("GetLinProd"), 2, AccessRule::proposal(0, 1), getLinProd);
    registry.add(QStringLiteral("GetSistLinhaProd"), 3, AccessRule::proposal(0, 1), getSistLinhaProd);
    registry.add(QStringLiteral("GetVenc_Valor"), 4, AccessRule::proposal(0, 1), getVencValor);
}

}  // namespace cot::server::detail
