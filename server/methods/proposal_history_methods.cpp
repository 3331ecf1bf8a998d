// The history of a proposal version, as the server wrote it with every change
// (server/storage/proposal_history.h), read a page at a time (server/storage/history_page.h).
//
//   GetHistorico(NR, VER[, TABELA[, LINHAS[, CONTINUACAO]]]) → DTHIST, CDOPERADOR, NMMETODO,
//       NMTABELA, DSCHAVE, IDOPERHIST, NMCAMPO, VLANTERIOR, VLNOVO, DSREGISTRO, DSCURSOR:
//       newest first (in the order written within one instant). DSREGISTRO: the row the
//       entry is about as a person knows it (a line's code and name, an installment's due
//       date, a service's type, a text's title; server/storage/history_items.h), or null.
//       TABELA: only the rows of that table, or of those tables when it lists several
//       separated by commas (at most 20 names); null or empty: every table.
//       LINHAS: the page's rows, 200 when null; more than 1000 reads 1000; less than 1 is
//       refused.
//       CONTINUACAO: null or empty for the first page; otherwise the DSCURSOR of the last row
//       of the page before (opaque text; anything else is refused).
//       DSCURSOR is null on every row but the last of a page that has a next one, where it is
//       that page's CONTINUACAO: a page whose last DSCURSOR is null is the last page. The old
//       call (NR, VER[, TABELA]) reads the first 200 rows so.
//       A value longer than 65,536 characters comes cut, ending in "…"; a page's values are
//       at most 2 Mi characters in all (the page ends early, with its DSCURSOR).
//   Open to whoever may see the version as stored; each row to whoever may see the version
//   as that row kept it (server/auth/history_rights.h), so the history of a deleted version
//   is read by those who could see it. Nothing writes the history through a method.
#include <QRegularExpression>

#include "server/auth/caller.h"
#include "server/auth/history_rights.h"
#include "server/methods/proposal_screen_methods.h"
#include "server/methods/read_support.h"
#include "server/rpc/method_registry.h"
#include "server/storage/history_page.h"

namespace cot::server::detail {

namespace {

constexpr int kMaxTables = 20;

QStringList tablesOf(const Args& args) {
    static const QRegularExpression name(QStringLiteral("^[A-Z][A-Z0-9_]{0,29}$"));
    if (args.size() <= 2 || args.isNull(2)) return {};
    const QString text = args.string(2).trimmed().toUpper();
    if (text.isEmpty()) return {};
    QStringList tables;
    for (const QString& part : text.split(u',')) {
        const QString table = part.trimmed();
        if (!name.match(table).hasMatch() || tables.size() == kMaxTables)
            throw MethodError(QStringLiteral("Tabela do histórico inválida: informe até %1 nomes de tabela "
                                             "separados por vírgula.")
                                  .arg(kMaxTables),
                              -32602);
        if (!tables.contains(table)) tables << table;
    }
    return tables;
}

int rowsOf(const Args& args) {
    if (args.size() <= 3 || args.isNull(3)) return history::kDefaultRows;
    const qint64 rows = args.integer(3);
    if (rows < 1)
        throw MethodError(QStringLiteral("O histórico é lido em páginas de 1 a %1 linhas.").arg(history::kMaxRows),
                          -32602);
    return int(std::min<qint64>(rows, history::kMaxRows));
}

Reply getHistorico(MethodContext& ctx, const Args& args) {
    const read::ProposalKey key = read::proposalKey(args);
    history::PageRequest request;
    request.number = key.number;
    request.version = key.version;
    request.tables = tablesOf(args);
    request.rows = rowsOf(args);
    if (args.size() > 4 && !args.isNull(4)) request.cursor = args.string(4).trimmed();
    const history_rights::Readable readable =
        history_rights::readableRows(ctx.db, ctx.caller(), key.number, key.version);
    request.readable = readable.condition;
    request.readableParams = readable.params;
    return packetResult(history::readPage(ctx.db, request));
}

}  // namespace

void registerProposalHistoryMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("GetHistorico"), 2, 5, AccessRule::proposal(0, 1), getHistorico);
}

}  // namespace cot::server::detail
