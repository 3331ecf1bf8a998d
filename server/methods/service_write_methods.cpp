// Services of a proposal version: their saves, their objective and the mandatory types a
// proposal lacks.
//
//   SetServico(delta) → the services' change log and the package value it implies, in one
//       transaction. When the proposal is charged by package ('P'), its VRPACOTESERV
//       becomes the sum of QTSERVPROP × VRDEHORAPROP over its services (no rounding); a
//       proposal charged by the hour keeps its value. The VRPACOTESERV column of the
//       change log is never stored: the package is the server's. The package schedule
//       follows the package in the same transaction, as SetTipoCobrServ leaves it (a
//       first installment, a re-spread keeping the shares, none once no service is left).
//       A new service of a proposal charged by the hour with no installment stored brings
//       the first one too, of the proposal's VRPACOTESERV (0 by the hour).
//       A new service without a sequence (NRSERVPROP) takes the next one of its version;
//       its type code is padded to three digits; modality and readjustment month come from
//       the proposal and the excess-hour value from the contractual rate when not sent.
//       Returns the package value stored afterwards (null when the change log touched no
//       proposal, or several). The desktop puts it into its proposal row as already saved;
//       GetServico gives it on every row, with the sequences issued here.
//       Refused with nothing written: type missing or not registered; factor, hours or
//       contractual rate missing; discount outside 0-100 %; invoiced rate above the
//       contractual one; contractual rate not above zero; a negative rate or negative
//       hours; modality other than H, F or P; a description over 250 characters; a row
//       changed by someone else.
//   SetObjServico(delta) → the objective text's change log in one transaction (at most one
//       objective per version).
//   GetTipoServObr(NR, VER) → CDTIPOSERV, NMTIPOSERV: the types mandatory for proposals to
//       prospects that the version does not quote, by code. Whether the proposal is to a
//       prospect is the caller's to decide.
#include <QSet>

#include "server/methods/delta_support.h"
#include "server/methods/read_support.h"
#include "server/methods/service_text_methods.h"
#include "server/methods/service_text_support.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"
#include "server/storage/resolver.h"
#include "services/money.h"

namespace cot::server::detail {

namespace {

using namespace read;
using cells::cell;
using cells::cellText;
using cells::changes;

constexpr int kSequenceWidth = 3;
constexpr int kTypeWidth = 3;

const TableResolver& serviceResolver() {
    static const TableResolver r = tableResolver(QStringLiteral("SERVPROP"));
    return r;
}

using Key = QPair<QString, QString>;

class ServiceChecks {
public:
    ServiceChecks(Database& db, const Delta& delta) : db_(db), delta_(delta) {}

    void operator()(RowChange& change) {
        if (change.op != ChangeOp::Insert) touch(keyOf(change.oldValues), false);
        if (change.op == ChangeOp::Delete) return;
        QVariantList& v = change.newValues;
        const Key key = keyOf(v);
        if (key.first.isEmpty() || key.second.isEmpty())
            throw MethodError(QStringLiteral("Número e versão da proposta devem ser informados."));
        const Packet proposal = touch(key, true);
        const bool insert = change.op == ChangeOp::Insert;
        if (insert) inserted_.insert(key);

        if (insert || changed(change, {"CDTIPOSERV"})) checkType(v);
        if (insert) fillNew(v, key, proposal);
        if (insert || changed(change, {"VRPEACHEPROP", "QTSERVPROP", "VRHORAPROP", "VRDEHORAPROP", "VRPEHORAPROP"}))
            checkValues(v);
        if (insert || changed(change, {"IDTIPOCOBRPROP"})) {
            const QString modality = text(v, "IDTIPOCOBRPROP");
            if (!modality.isEmpty() && !QStringList{"H", "F", "P"}.contains(modality))
                throw MethodError(QStringLiteral("Modalidade de cobrança inválida: use H, F ou P."));
        }
    }

    const QList<Key>& touched() const { return touched_; }
    bool inserted(const Key& key) const { return inserted_.contains(key); }

private:
    int index(const char* name) const { return delta_.indexOf(QString::fromLatin1(name)); }
    QString text(const QVariantList& v, const char* name) const { return cellText(delta_, v, index(name)); }
    QVariant value(const QVariantList& v, const char* name) const { return cell(delta_, v, index(name)); }
    void set(QVariantList& v, const char* name, const QVariant& value) const {
        if (index(name) >= 0) v[index(name)] = value;
    }
    Key keyOf(const QVariantList& v) const { return {text(v, "NRPROPOSFAS"), text(v, "NRVERPROPFAS")}; }
    bool changed(const RowChange& change, std::initializer_list<const char*> names) const {
        for (const char* n : names)
            if (changes(delta_, change, index(n))) return true;
        return false;
    }

    // Locks the proposal once per transaction and remembers it for the package.
    Packet touch(const Key& key, bool required) {
        if (!proposals_.contains(key)) {
            const Packet p = required ? svctext::requireProposal(db_, key.first, key.second,
                                                                 QStringLiteral("IDTIPOCOBRSERV, NRMESREAJPROP"))
                                      : svctext::lockedProposal(db_, key.first, key.second,
                                                                QStringLiteral("IDTIPOCOBRSERV, NRMESREAJPROP"));
            if (p.rows.isEmpty()) return p;
            proposals_.insert(key, p);
            touched_.append(key);
        }
        return proposals_.value(key);
    }

    void checkType(QVariantList& v) {
        const QString code = adjusted(text(v, "CDTIPOSERV"), kTypeWidth);
        if (code.isEmpty()) throw MethodError(QStringLiteral("Serviço deve ser informado"));
        if (db_.scalar(QStringLiteral("SELECT COUNT(*) FROM TIPOSERV WHERE CDTIPOSERV = :T"), {{"T", code}}).toInt() == 0)
            throw MethodError(QStringLiteral("Serviço não cadastrado"));
        set(v, "CDTIPOSERV", code);
    }

    void fillNew(QVariantList& v, const Key& key, const Packet& proposal) {
        const QVariantMap params{{"NR", key.first}, {"VER", key.second}};
        QString sequence = text(v, "NRSERVPROP");
        if (sequence.isEmpty()) {
            QStringList used;
            const Packet p = db_.query(
                QStringLiteral("SELECT NRSERVPROP FROM SERVPROP WHERE %1").arg(ProposalKey::condition()), params);
            for (const QVariantList& row : p.rows) used << row.value(0).toString();
            sequence = nextOrder(used, kSequenceWidth,
                                 QStringLiteral("A proposta já atingiu o número máximo de serviços (999)."));
            set(v, "NRSERVPROP", sequence);
        } else {
            QVariantMap taken = params;
            taken.insert(QStringLiteral("S"), sequence);
            if (db_.scalar(QStringLiteral("SELECT COUNT(*) FROM SERVPROP WHERE %1 "
                                          "AND NRSERVPROP = :S")
                               .arg(ProposalKey::condition()),
                           taken)
                    .toInt() > 0)
                throw MethodError(QStringLiteral("Serviço já cadastrado na proposta com essa sequência."));
        }
        if (text(v, "IDTIPOCOBRPROP").isEmpty()) set(v, "IDTIPOCOBRPROP", proposal.value(0, "IDTIPOCOBRSERV"));
        if (text(v, "NRMESREAJPROP").isEmpty()) set(v, "NRMESREAJPROP", proposal.value(0, "NRMESREAJPROP"));
        if (value(v, "VREXCEDPROP").isNull()) set(v, "VREXCEDPROP", value(v, "VRHORAPROP"));
    }

    // The checks the screen makes before a post, in its order; a negative number of
    // hours would lower the package.
    void checkValues(const QVariantList& v) {
        const QVariant factor = value(v, "VRPEACHEPROP"), hours = value(v, "QTSERVPROP"), rate = value(v, "VRHORAPROP");
        const double invoiced = value(v, "VRDEHORAPROP").toDouble(), discount = value(v, "VRPEHORAPROP").toDouble();
        if (discount > 100 || discount < 0)
            throw MethodError(QStringLiteral("Desconto(%) deve estar entre 0% e 100%."));
        if (factor.isNull()) throw MethodError(QStringLiteral("Fator deve ser informado"));
        if (hours.isNull()) throw MethodError(QStringLiteral("Quantidade de horas deve ser informada "));
        if (rate.isNull()) throw MethodError(QStringLiteral("Valor/Hora do serviço deve ser informado."));
        if (rate.toDouble() < invoiced && !sameMoney(rate.toDouble(), invoiced))
            throw MethodError(QStringLiteral("Vr.Hora Faturar não pode ser maior que Vr.Hora Contratual."));
        if (rate.toDouble() == 0) throw MethodError(QStringLiteral("Valor Hora deve ser maior que zero"));
        if (rate.toDouble() < 0) throw MethodError(QStringLiteral("Valor hora não pode ser negativo"));
        if (invoiced < 0) throw MethodError(QStringLiteral("Valor hora com desconto não pode ser negativo"));
        if (hours.toDouble() < 0) throw MethodError(QStringLiteral("Quantidade de horas não pode ser negativa."));
    }

    Database& db_;
    const Delta& delta_;
    QHash<Key, Packet> proposals_;
    QList<Key> touched_;
    QSet<Key> inserted_;
};

Reply setServico(MethodContext& ctx, const Args& args) {
    Delta delta = args.delta(0);
    bool insertsOnly = true;
    for (const RowChange& c : delta.changes) insertsOnly &= c.op == ChangeOp::Insert;
    // A sequence is issued for a new service; changes of stored ones must name theirs.
    if (insertsOnly) ensureDeltaColumn(delta, text("NRSERVPROP", kSequenceWidth));
    ensureDeltaColumn(delta, stored("SERVPROP", "IDTIPOCOBRPROP"));
    ensureDeltaColumn(delta, stored("SERVPROP", "NRMESREAJPROP"));
    ensureDeltaColumn(delta, number("VREXCEDPROP"));

    Transaction tx(ctx.db);
    ServiceChecks checks(ctx.db, delta);
    applyDelta(ctx.db, serviceResolver(), delta, [&](RowChange& change) { checks(change); });
    QJsonValue package;
    for (const Key& key : checks.touched()) package = svctext::settlePackage(ctx.db, key.first, key.second, checks.inserted(key));
    tx.commit();
    return checks.touched().size() == 1 ? package : QJsonValue();
}

const TableResolver& objectiveResolver() {
    static const TableResolver r = tableResolver(QStringLiteral("OBJSERVPROP"));
    return r;
}

Reply setObjServico(MethodContext& ctx, const Args& args) {
    const Delta delta = args.delta(0);
    const int nr = delta.indexOf(QStringLiteral("NRPROPOSFAS")), ver = delta.indexOf(QStringLiteral("NRVERPROPFAS"));
    Transaction tx(ctx.db);
    applyDelta(ctx.db, objectiveResolver(), delta, [&](RowChange& change) {
        if (change.op == ChangeOp::Delete) return;
        const QString number = cellText(delta, change.newValues, nr), version = cellText(delta, change.newValues, ver);
        svctext::requireProposal(ctx.db, number, version, QStringLiteral("NRPROPOSFAS"));
        if (change.op == ChangeOp::Insert &&
            ctx.db.scalar(QStringLiteral("SELECT COUNT(*) FROM OBJSERVPROP WHERE %1").arg(ProposalKey::condition()),
                          {{"NR", number}, {"VER", version}})
                    .toInt() > 0)
            throw MethodError(QStringLiteral("Objetivo dos serviços já cadastrado na proposta."));
    });
    tx.commit();
    return QJsonValue();
}

Reply getTipoServObr(MethodContext& ctx, const Args& args) {
    static const QList<FieldDef> fields{stored("TIPOSERV", "CDTIPOSERV"), stored("TIPOSERV", "NMTIPOSERV")};
    return packetResult(shaped(ctx.db,
                               QStringLiteral(R"SQL(
SELECT T.CDTIPOSERV, T.NMTIPOSERV FROM TIPOSERV T
WHERE T.IDSERVOBRIGPROS = 'S'
  AND NOT EXISTS (SELECT 1 FROM SERVPROP S WHERE %1
                  AND S.CDTIPOSERV = T.CDTIPOSERV)
ORDER BY T.CDTIPOSERV)SQL")
                                   .arg(ProposalKey::condition(QStringLiteral("S"))),
                               proposalKey(args).params(), fields));
}

}  // namespace

void registerServiceWriteMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("SetServico"), 1, AccessRule::childDelta(0), setServico);
    registry.add(QStringLiteral("SetObjServico"), 1, AccessRule::childDelta(0), setObjServico);
    registry.add(QStringLiteral("GetTipoServObr"), 2, AccessRule::proposal(0, 1), getTipoServObr);
}

}  // namespace cot::server::detail
