// Texts of a proposal version: their saves and the checks the screen makes before one.
//
//   SetMensagem(delta) → the texts' change log in one transaction. Each text has a code
//       (CDTXTPROPFAS, up to 20 characters) and a whole order number (NRORDEMMSG, 0 to 999),
//       both unique within the version, and a body (TXPROPFAS) that is not blank. The orders
//       are checked once the whole change log is applied, so two texts may swap orders in
//       one change log.
//   ValidaMsg(NR, CDTXTPROPFAS, VER) → NRPROPOSFAS, NRVERPROPFAS, CDTXTPROPFAS, TXPROPFAS of
//       the version's text with that code (empty when the code is free).
//   ValidaOrdem(NR, NRORDEMMSG, CDTXTPROPFAS, VER) → NRPROPOSFAS, NRVERPROPFAS, CDTXTPROPFAS
//       of the version's texts with that order other than the text CDTXTPROPFAS itself, so a
//       text is never in its own way (empty when the order is free or not given).
//   PesqMsg() → CDPADTXT, TXPADTXT: the register of standard texts, by code.
#include <QSet>
#include <cmath>

#include "server/methods/delta_support.h"
#include "server/methods/read_support.h"
#include "server/methods/service_text_methods.h"
#include "server/methods/service_text_support.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"
#include "server/storage/resolver.h"

namespace cot::server::detail {

namespace {

using namespace read;
using cells::cell;
using cells::cellText;
using cells::changes;

constexpr int kHighestOrder = 999;

const TableResolver& textResolver() {
    static const TableResolver r = tableResolver(QStringLiteral("TXTPROPFAS"));
    return r;
}

// The order as the table keeps it: a whole number. The screen's field is a float.
QVariant wholeOrder(const QVariant& sent) {
    const QVariant order = coerceValue(sent, FieldType::Float);
    if (order.isNull()) throw MethodError(QStringLiteral("Ordem deve ser informada"));
    const double d = order.toDouble();
    if (d != std::floor(d) || d < 0 || d > kHighestOrder)
        throw MethodError(QStringLiteral("Ordem deve ser um número inteiro de 0 a 999."));
    return qint64(d);
}

Reply setMensagem(MethodContext& ctx, const Args& args) {
    Delta delta = args.delta(0);
    const int nr = delta.indexOf(QStringLiteral("NRPROPOSFAS")), ver = delta.indexOf(QStringLiteral("NRVERPROPFAS"));
    const int code = delta.indexOf(QStringLiteral("CDTXTPROPFAS")), order = delta.indexOf(QStringLiteral("NRORDEMMSG"));
    const int body = delta.indexOf(QStringLiteral("TXPROPFAS"));
    // Bound as a whole number, which the column is on both engines.
    if (order >= 0) delta.fields[order].type = FieldType::Integer;
    QSet<QPair<QString, QString>> touched;
    Transaction tx(ctx.db);
    applyDelta(ctx.db, textResolver(), delta, [&](RowChange& change) {
        if (change.op == ChangeOp::Delete) return;
        QVariantList& v = change.newValues;
        const QString number = cellText(delta, v, nr), version = cellText(delta, v, ver);
        if (!touched.contains({number, version}))
            svctext::requireProposal(ctx.db, number, version, QStringLiteral("NRPROPOSFAS"));
        touched.insert({number, version});

        const bool insert = change.op == ChangeOp::Insert;
        const QString text = cellText(delta, v, code);
        if (insert || changes(delta, change, code)) {
            if (text.isEmpty()) throw MethodError(QStringLiteral("Mensagem deve ser informada"));
            if (ctx.db
                    .scalar(QStringLiteral("SELECT COUNT(*) FROM TXTPROPFAS WHERE %1 AND CDTXTPROPFAS = :C")
                                .arg(ProposalKey::condition()),
                            {{"NR", number}, {"VER", version}, {"C", text}})
                    .toInt() > 0)
                throw MethodError(QStringLiteral("Mensagem já cadastrada"));
            v[code] = text;
        }
        if (order < 0) throw MethodError(QStringLiteral("Ordem deve ser informada"));
        v[order] = wholeOrder(v.value(order));
        if ((insert || changes(delta, change, body)) && cellText(delta, v, body).isEmpty())
            throw MethodError(QStringLiteral("Mensagem deve ser informada"));
    });
    for (const auto& [number, version] : touched) {
        const QVariant repeated = ctx.db.scalar(QStringLiteral(R"SQL(
SELECT COUNT(*) FROM (SELECT NRORDEMMSG FROM TXTPROPFAS WHERE %1
                      GROUP BY NRORDEMMSG HAVING COUNT(*) > 1) R)SQL")
                                                    .arg(ProposalKey::condition()),
                                                {{"NR", number}, {"VER", version}});
        if (repeated.toInt() > 0) throw MethodError(QStringLiteral("Ordem já cadastrada"));
    }
    tx.commit();
    return QJsonValue();
}

Reply validaMsg(MethodContext& ctx, const Args& args) {
    static const QList<FieldDef> fields{stored("TXTPROPFAS", "NRPROPOSFAS"), stored("TXTPROPFAS", "NRVERPROPFAS"),
                                        stored("TXTPROPFAS", "CDTXTPROPFAS"), memo("TXPROPFAS")};
    return packetResult(
        shaped(ctx.db,
               QStringLiteral("SELECT NRPROPOSFAS, NRVERPROPFAS, CDTXTPROPFAS, TXPROPFAS FROM TXTPROPFAS "
                              "WHERE %1 AND CDTXTPROPFAS = :C")
                   .arg(ProposalKey::condition()),
               {{"NR", args.string(0).trimmed()}, {"VER", args.string(2).trimmed()}, {"C", args.string(1).trimmed()}},
               fields));
}

Reply validaOrdem(MethodContext& ctx, const Args& args) {
    static const QList<FieldDef> fields{stored("TXTPROPFAS", "NRPROPOSFAS"), stored("TXTPROPFAS", "NRVERPROPFAS"),
                                        stored("TXTPROPFAS", "CDTXTPROPFAS")};
    Packet none{fields, {}};
    if (args.isNull(1) || (args.raw(1).isString() && args.string(1).trimmed().isEmpty())) return packetResult(none);
    const double order = args.number(1);
    if (order != std::floor(order)) return packetResult(none);
    return packetResult(shaped(ctx.db,
                               QStringLiteral("SELECT NRPROPOSFAS, NRVERPROPFAS, CDTXTPROPFAS FROM TXTPROPFAS "
                                              "WHERE %1 AND NRORDEMMSG = :O "
                                              "AND CDTXTPROPFAS <> :C ORDER BY CDTXTPROPFAS")
                                   .arg(ProposalKey::condition()),
                               {{"NR", args.string(0).trimmed()},
                                {"VER", args.string(3).trimmed()},
                                {"O", qint64(order)},
                                {"C", args.string(2).trimmed()}},
                               fields));
}

Reply pesqMsg(MethodContext& ctx, const Args&) {
    static const QList<FieldDef> fields{stored("PADTXT", "CDPADTXT"), memo("TXPADTXT")};
    return packetResult(shaped(ctx.db, QStringLiteral("SELECT CDPADTXT, TXPADTXT FROM PADTXT ORDER BY CDPADTXT"), {}, fields));
}

}  // namespace

void registerTextWriteMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("SetMensagem"), 1, AccessRule::childDelta(0), setMensagem);
    registry.add(QStringLiteral("ValidaMsg"), 3, AccessRule::proposal(0, 2), validaMsg);
    registry.add(QStringLiteral("ValidaOrdem"), 4, AccessRule::proposal(0, 3), validaOrdem);
    registry.add(QStringLiteral("PesqMsg"), 0, AccessRule::session(), pesqMsg);
}

}  // namespace cot::server::detail
