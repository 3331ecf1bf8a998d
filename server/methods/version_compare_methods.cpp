// Two versions of one proposal number side by side (the differences themselves are
// version_compare.h's).
//
//   GetComparacaoVersoes(NR, VER1, VER2) → NRORDEM, NMSECAO, DSITEM, NMCAMPO, DSCAMPO,
//       IDMUDANCA, VLVERSAO1, VLVERSAO2: one row per difference, in NRORDEM order, by
//       section ("Cabeçalho", "Linhas de produto", "Sistemas", "Parcelas da linha",
//       "Serviços", "Parcelas do pacote", "Textos", "Observação"), then the "Totais".
//       IDMUDANCA 'I': the row is only in VER2 (VLVERSAO2 sums it up); 'E': only in VER1
//       (VLVERSAO1 sums it up); 'A': one field of a row in both changed (NMCAMPO the
//       column, DSCAMPO its name for a reader, old and new value); 'T': a total of both
//       versions, always there: licence of use, monthly, services and the grand total
//       (licence plus services). Values are texts formatted for reading. Both versions
//       are exactly two digits (proposal_key.h). Open to whoever may see both versions:
//       VER2 is checked as the rule checks VER1, with the same refusal. Refused: the number
//       or a version missing or not stored ("Proposta não cadastrada."); the same version twice
//       ("Escolha duas versões diferentes."). The services' objective is compared under
//       "Serviços". Writes nothing.
#include "server/methods/version_compare_methods.h"

#include "server/auth/caller.h"
#include "server/auth/proposal_key.h"
#include "server/auth/proposal_rights.h"
#include "server/methods/read_support.h"
#include "server/methods/version_compare.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"

namespace cot::server {

namespace {

using namespace read;

// Long enough for the shortened rich texts and every summary.
constexpr int kValueSize = 400;

bool stored(Database& db, const QString& number, const QString& version) {
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM PROPOSTAFAS WHERE %1").arg(ProposalKey::condition()),
                     {{QStringLiteral("NR"), number}, {QStringLiteral("VER"), version}})
               .toInt() > 0;
}

Reply getComparacaoVersoes(MethodContext& ctx, const Args& args) {
    static const QList<FieldDef> fields{{QStringLiteral("NRORDEM"), FieldType::Integer, 0},
                                        text("NMSECAO", 30),
                                        text("DSITEM", 120),
                                        text("NMCAMPO", 30),
                                        text("DSCAMPO", 60),
                                        fixed("IDMUDANCA"),
                                        text("VLVERSAO1", kValueSize),
                                        text("VLVERSAO2", kValueSize)};
    const QString number = args.string(0), first = args.string(1);  // exactly a key: the rule's
    const QString second = proposal_key::versionArg(args, 2, true);
    if (number.isEmpty() || first.isEmpty() || second.isEmpty())
        throw MethodError(QStringLiteral("Proposta não cadastrada."));
    if (first == second) throw MethodError(QStringLiteral("Escolha duas versões diferentes."));
    proposal_rights::requireVisible(ctx.db, ctx.caller(), number, second, proposal_rights::Use::Read);
    if (!stored(ctx.db, number, first) || !stored(ctx.db, number, second))
        throw MethodError(QStringLiteral("Proposta não cadastrada."));

    Packet out;
    out.fields = fields;
    int order = 0;
    for (const version_compare::Difference& d : version_compare::compare(ctx.db, number, first, second))
        out.rows << QVariantList{++order,
                                 d.section,
                                 d.item.left(120),
                                 d.field,
                                 d.fieldLabel,
                                 QString(QChar(static_cast<char>(d.change))),
                                 d.first.left(kValueSize),
                                 d.second.left(kValueSize)};
    return packetResult(out);
}

}  // namespace

void registerVersionCompareMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("GetComparacaoVersoes"), 3, AccessRule::proposal(0, 1), getComparacaoVersoes);
}

}  // namespace cot::server
