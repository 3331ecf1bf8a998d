// The history of a proposal version, as the server wrote it with every change
// (server/storage/proposal_history.h).
//
//   GetHistorico(NR, VER[, TABELA]) → DTHIST, CDOPERADOR, NMMETODO, NMTABELA, DSCHAVE,
//       IDOPERHIST, NMCAMPO, VLANTERIOR, VLNOVO: newest first (in the order written within
//       one instant), only the rows of table TABELA when it is given and not empty. Open to
//       whoever may see the version. Nothing writes the history through a method.
#include "server/methods/proposal_screen_methods.h"
#include "server/methods/read_support.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"

namespace cot::server::detail {

namespace {

using namespace read;

Reply getHistorico(MethodContext& ctx, const Args& args) {
    static const QList<FieldDef> fields{date("DTHIST"),      text("CDOPERADOR", 12), text("NMMETODO", 40),
                                        text("NMTABELA", 30), text("DSCHAVE", 200),  fixed("IDOPERHIST"),
                                        text("NMCAMPO", 30),  memo("VLANTERIOR"),    memo("VLNOVO")};
    QVariantMap params = proposalKey(args).params();
    QString sql = QStringLiteral("SELECT DTHIST, CDOPERADOR, NMMETODO, NMTABELA, DSCHAVE, IDOPERHIST, NMCAMPO, "
                                 "VLANTERIOR, VLNOVO FROM HISTPROP WHERE NRPROPOSFAS = :NR AND NRVERPROPFAS = :VER");
    const QString table = args.size() > 2 && !args.isNull(2) ? args.string(2).trimmed().toUpper() : QString();
    if (!table.isEmpty()) {
        sql += QStringLiteral(" AND NMTABELA = :TAB");
        params.insert(QStringLiteral("TAB"), table);
    }
    sql += QStringLiteral(" ORDER BY DTHIST DESC, NRSEQHIST DESC");
    return packetResult(shaped(ctx.db, sql, params, fields));
}

}  // namespace

void registerProposalHistoryMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("GetHistorico"), 2, 3, AccessRule::proposal(0, 1), getHistorico);
}

}  // namespace cot::server::detail
