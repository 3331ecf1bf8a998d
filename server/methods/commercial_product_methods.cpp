// The commercial product of a proposal.
//
//   GetPesqProdComer()        → CDPROCOMERCI, NMPROCOMERCI of the active products, by code
//   GetVd_ProdComer(code)     → the active product with that code (typed short or
//                               zero-padded), or no row
//   GetValidaSistProd(NR, VER, CDPROCOMERCI, kind) → SGSISTEMA, NMSISTEMA, IDTECNOSIST:
//       the systems of the proposal's lines of that kind ("PROD": product lines M and L,
//       "PTOA": access-point lines P and A, empty: every line) that belong to another
//       product, each once. No product given: nothing to report.
#include "server/methods/proposal_screen_methods.h"
#include "server/methods/read_support.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"

namespace cot::server::detail {

namespace {

using namespace read;

constexpr int kProductWidth = 10;

const QList<FieldDef>& productFields() {
    static const QList<FieldDef> fields{stored("PRODCOMERCI", "CDPROCOMERCI"), stored("PRODCOMERCI", "NMPROCOMERCI")};
    return fields;
}

Reply getPesqProdComer(MethodContext& ctx, const Args&) {
    return packetResult(shaped(ctx.db,
                               QStringLiteral("SELECT CDPROCOMERCI, NMPROCOMERCI FROM PRODCOMERCI "
                                              "WHERE IDSITUPROCOM = 'A' ORDER BY CDPROCOMERCI"),
                               {}, productFields()));
}

Reply getVdProdComer(MethodContext& ctx, const Args& args) {
    const QString code = args.string(0).trimmed();
    return packetResult(shaped(ctx.db,
                               QStringLiteral("SELECT CDPROCOMERCI, NMPROCOMERCI FROM PRODCOMERCI WHERE IDSITUPROCOM = 'A' "
                                              "AND (CDPROCOMERCI = :CODIGO OR CDPROCOMERCI = :CODIGOAJ)"),
                               {{"CODIGO", code}, {"CODIGOAJ", adjusted(code, kProductWidth)}}, productFields()));
}

Reply getValidaSistProd(MethodContext& ctx, const Args& args) {
    static const QList<FieldDef> fields{stored("SISTEMA", "SGSISTEMA"), stored("SISTEMA", "NMSISTEMA"),
                                        stored("SISTEMA", "IDTECNOSIST")};
    const QString product = args.string(2).trimmed();
    const QString kind = args.string(3).trimmed().toUpper();
    QString kinds;
    if (kind == QLatin1String("PROD")) kinds = QStringLiteral(" AND L.IDTIPLINPP IN ('M', 'L')");
    else if (kind == QLatin1String("PTOA")) kinds = QStringLiteral(" AND L.IDTIPLINPP IN ('P', 'A')");
    else if (!kind.isEmpty())
        throw MethodError(QStringLiteral("Tipo de linha de produto inválido: use \"PROD\" ou \"PTOA\"."));
    if (product.isEmpty()) return packetResult(Packet{fields, {}});

    QVariantMap params = proposalKey(args).params();
    params.insert(QStringLiteral("PROD"), product);
    params.insert(QStringLiteral("PRODAJ"), adjusted(product, kProductWidth));
    return packetResult(shaped(ctx.db,
                               QStringLiteral(R"SQL(
SELECT DISTINCT S.SGSISTEMA, S.NMSISTEMA, S.IDTECNOSIST, S.CDSISTEMA
FROM SISTLINPPROP SL
JOIN LINPPROP L ON L.NRPROPOSFAS = SL.NRPROPOSFAS AND L.NRVERPROPFAS = SL.NRVERPROPFAS
               AND L.CDLINPPROP = SL.CDLINPPROP
JOIN SISTEMA S ON S.CDSISTEMA = SL.CDSISTEMA
WHERE %2
  AND S.CDPROCOMERCI <> :PROD AND S.CDPROCOMERCI <> :PRODAJ%1
ORDER BY S.SGSISTEMA, S.CDSISTEMA)SQL")
                                   .arg(kinds, ProposalKey::condition(QStringLiteral("SL"))),
                               params, fields));
}

}  // namespace

void registerCommercialProductMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("GetPesqProdComer"), 0, AccessRule::session(), getPesqProdComer);
    registry.add(QStringLiteral("GetVd_ProdComer"), 1, AccessRule::session(), getVdProdComer);
    registry.add(QStringLiteral("GetValidaSistProd"), 4, AccessRule::proposal(0, 1), getValidaSistProd);
}

}  // namespace cot::server::detail
