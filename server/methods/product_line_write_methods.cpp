// Product lines of a proposal version: keys, saves and the checks against what the
// client already has.
//
//   PrxLinhaProd()                 → the next line key, 20 digits (unique across proposals)
//   SetLinProd(delta)              → the lines' change log in one transaction; deleting a
//                                    line takes its systems and installments with it
//   ValidaLinhaProd(code, client)  → the client's contracted lines with that typed code
//   GetVdLinProd(client, NR, VER, line, type, users, platform, location, mode, systems)
//       → one row when another line has the same configuration: a contracted line of the
//         client or another line of the same proposal version. QTLINHAPROD counts them,
//         plus the line itself when its stored configuration is that one too.
//   GetVdQtPtoAcesso(client, type) → QTPTOACESSO: the client's lines of that type,
//         contracted or offered in the latest version of an open proposal
//   ValidaContrato(line, code)     → the client's contracted lines with the typed code of
//                                    that proposal line (the line's own contract aside)
#include "server/methods/product_line_write_methods.h"

#include <QStringList>

#include "base/clock.h"
#include "server/methods/delta_support.h"
#include "server/methods/numbering.h"
#include "server/methods/read_support.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"
#include "server/storage/resolver.h"
#include "services/money.h"

namespace cot::server {

namespace {

using namespace read;
using cells::cell;
using cells::cellText;
using cells::changes;

const TableResolver& lineResolver() {
    static const TableResolver r = tableResolver(QStringLiteral("LINPPROP"));
    return r;
}

Reply prxLinhaProd(MethodContext& ctx, const Args&) {
    const qint64 n = nextNumber(ctx.db, QStringLiteral("LINHAPROD"), [&] {
        return ctx.db.scalar(QStringLiteral("SELECT MAX(CDLINPPROP) FROM LINPPROP")).toString().toLongLong();
    });
    return paddedNumber(n, 20);
}

// The checks a line must pass whoever sends it; each runs when one of its fields changes,
// so a line stored before a rule existed can still be edited elsewhere.
class LineChecks {
public:
    LineChecks(Database& db, const Delta& delta) : db_(db), delta_(delta) {}

    void operator()(RowChange& change) {
        if (change.op == ChangeOp::Delete) return;
        const QVariantList& v = change.newValues;
        const QString number = text(v, "NRPROPOSFAS"), version = text(v, "NRVERPROPFAS");
        const QString line = text(v, "CDLINPPROP");
        if (number.isEmpty() || version.isEmpty())
            throw MethodError(QStringLiteral("Número e versão da proposta devem ser informados."));
        if (line.isEmpty()) throw MethodError(QStringLiteral("Linha de produto deve ser informada."));
        const Packet proposal =
            db_.query(QStringLiteral("SELECT DTPROPOSFAS FROM PROPOSTAFAS WHERE %1").arg(ProposalKey::condition()),
                      {{"NR", number}, {"VER", version}});
        if (proposal.rows.isEmpty()) throw MethodError(QStringLiteral("Proposta não cadastrada."));

        if (touched(change, {"CDLINPPROPINFOR"})) checkCode(v, number, version, line);
        if (touched(change, {"NMLINPPROP"}) && text(v, "NMLINPPROP").isEmpty())
            throw MethodError(QStringLiteral("Nome da linha de produto deve ser informada"));
        if (touched(change, {"IDAMBLINPP"})) {
            const QString platform = text(v, "IDAMBLINPP");
            if (platform.isEmpty()) throw MethodError(QStringLiteral("Plataforma deve ser informada."));
            if (!QStringList{"WEB", "WIN", "DOS"}.contains(platform))
                throw MethodError(QStringLiteral("Plataforma inválida: use WEB, WIN ou DOS."));
        }
        if (touched(change, {"IDTIPLINPP"})) {
            const QString type = text(v, "IDTIPLINPP");
            if (type.isEmpty()) throw MethodError(QStringLiteral("Tipo de Linha de Produto deve ser informada"));
            if (!QStringList{"M", "L", "P", "A"}.contains(type))
                throw MethodError(QStringLiteral("Tipo de linha de produto inválido: use M, L, P ou A."));
        }
        for (const char* mode : {"IDMPROCLINPP", "IDLPROCLINPP"})
            if (touched(change, {mode})) {
                const QString m = text(v, mode);
                if (!m.isEmpty() && m != QLatin1String("M") && m != QLatin1String("F"))
                    throw MethodError(QStringLiteral("Processamento inválido: use M (Matriz) ou F (Filial)."));
            }
        if (touched(change, {"NRUSUALINPP"}) && number_(v, "NRUSUALINPP") < 0)
            throw MethodError(QStringLiteral("Número de Usuários deve ser maior ou igual a zero"));
        if (touched(change, {"QTMINIMAFATPROP"}) && number_(v, "QTMINIMAFATPROP") < 0)
            throw MethodError(QStringLiteral("Quantidade mínima de licenças deve ser maior ou igual a zero."));
        if (touched(change, {"VRLICENCUSOPROP", "VRDESLICUSOPROP"}))
            checkDiscount(v, "VRLICENCUSOPROP", "VRDESLICUSOPROP",
                          QStringLiteral("Desconto não pode ser maior que Vr. Unitário"));
        if (touched(change, {"VRMENSALIDAPROP", "VRDESMENSALPROP"}))
            checkDiscount(v, "VRMENSALIDAPROP", "VRDESMENSALPROP",
                          QStringLiteral("Valor do desconto deve ser menor que o valor unitário da mensalidade."));
        if (touched(change, {"DTCALUSLINPP"})) {
            const QDateTime grace = cell(delta_, v, delta_.indexOf(QStringLiteral("DTCALUSLINPP"))).toDateTime();
            if (!grace.isValid())
                throw MethodError(QStringLiteral("Data de Carência para cobrança deve ser informada."));
            const QDateTime created = proposal.value(0, "DTPROPOSFAS").toDateTime();
            if (created.isValid() && created.date() > grace.date())
                throw MethodError(QStringLiteral("Mês de carência deve ser maior que o mês de cadastro da proposta."));
        }
    }

private:
    int index(const char* name) const { return delta_.indexOf(QString::fromLatin1(name)); }
    QString text(const QVariantList& v, const char* name) const { return cellText(delta_, v, index(name)); }
    double number_(const QVariantList& v, const char* name) const { return cell(delta_, v, index(name)).toDouble(); }
    bool touched(const RowChange& change, std::initializer_list<const char*> names) const {
        for (const char* n : names)
            if (changes(delta_, change, index(n))) return true;
        return false;
    }

    // One typed code per line of a proposal version.
    void checkCode(const QVariantList& v, const QString& number, const QString& version, const QString& line) {
        const QString code = text(v, "CDLINPPROPINFOR");
        if (code.isEmpty()) throw MethodError(QStringLiteral("Código da Linha de Produto deve ser informado"));
        const QVariant taken = db_.scalar(QStringLiteral("SELECT COUNT(*) FROM LINPPROP WHERE %1 "
                                                         "AND CDLINPPROPINFOR = :C AND CDLINPPROP <> :L")
                                              .arg(ProposalKey::condition()),
                                          {{"NR", number}, {"VER", version}, {"C", code}, {"L", line}});
        if (taken.toInt() > 0) throw MethodError(QStringLiteral("Código de Linha de Produto já cadastrado na proposta"));
    }

    // A discount is an amount up to the unit value (equal leaves the price at zero).
    void checkDiscount(const QVariantList& v, const char* unit, const char* discount, const QString& message) {
        const long double u = number_(v, unit), d = number_(v, discount);
        if (d > u && !sameMoney(d, u)) throw MethodError(message);
    }

    Database& db_;
    const Delta& delta_;
};

Reply setLinProd(MethodContext& ctx, const Args& args) {
    const Delta delta = args.delta(0);
    Transaction tx(ctx.db);
    LineChecks checks(ctx.db, delta);
    applyDelta(ctx.db, lineResolver(), delta, [&](RowChange& change) { checks(change); });
    tx.commit();
    return QJsonValue();
}

const QList<FieldDef>& contractedLineFields() {
    static const QList<FieldDef> fields{stored("LINPCLIE", "CDCLIENTE"), stored("LINPCLIE", "CDLINPCLIE"),
                                        stored("LINPCLIE", "CDLINPPROPINFOR"), stored("LINPCLIE", "NMLINPCLIE")};
    return fields;
}

Reply validaLinhaProd(MethodContext& ctx, const Args& args) {
    const QString code = args.string(0).trimmed(), client = args.string(1).trimmed();
    if (code.isEmpty() || client.isEmpty()) return packetResult(Packet{contractedLineFields(), {}});
    return packetResult(shaped(ctx.db,
                               QStringLiteral("SELECT CDCLIENTE, CDLINPCLIE, CDLINPPROPINFOR, NMLINPCLIE FROM LINPCLIE "
                                              "WHERE CDCLIENTE = :C AND CDLINPPROPINFOR = :L AND IDSITULINPC = 'A' "
                                              "ORDER BY CDLINPCLIE"),
                               {{"C", client}, {"L", code}}, contractedLineFields()));
}

// System codes as one configuration text: sorted, joined by single blanks.
QString systemsText(QStringList codes) {
    for (QString& c : codes) c = c.trimmed();
    codes.removeAll(QString());
    codes.sort();
    return codes.join(u' ');
}

Reply getVdLinProd(MethodContext& ctx, const Args& args) {
    static const QList<FieldDef> fields{
        stored("LINPCLIE", "CDCLIENTE"),    stored("CLIENTE", "NMFANTCLIE"),   stored("LINPCLIE", "IDTIPLINPC"),
        stored("LINPCLIE", "NRUSUALINPC"),  stored("LINPCLIE", "IDAMBLINPC"),  stored("LINPCLIE", "IDLPROCLINPC"),
        stored("LINPCLIE", "IDMPROCLINPC"), stored("LINPCLIE", "CDSISTEMAS"), number("QTLINHAPROD")};
    const QString client = args.string(0).trimmed();
    const QString line = args.string(3).trimmed();
    const QString type = args.string(4).trimmed();
    const double users = args.isNull(5) ? 0.0 : args.number(5);
    const QString platform = args.string(6).trimmed(), location = args.string(7).trimmed(),
                  mode = args.string(8).trimmed();
    const QString systems = systemsText(args.string(9).split(u' ', Qt::SkipEmptyParts));
    // A line without systems has no configuration yet.
    if (systems.isEmpty()) return packetResult(Packet{fields, {}});

    // Empty texts are bound as texts, never as nulls, so they compare.
    auto bound = [](const QString& s) { return s.isNull() ? QStringLiteral("") : s; };
    const QVariantMap config{{"T", bound(type)}, {"AMB", bound(platform)}, {"LOC", bound(location)},
                             {"MODO", bound(mode)}};
    int others = 0;
    if (!client.isEmpty()) {
        QVariantMap params = config;
        params.insert(QStringLiteral("C"), client);
        // The contract that came from this very line is no duplicate of it.
        QString ownContract;
        if (!line.isEmpty()) {
            ownContract = QStringLiteral(" AND (CDLINPPROP IS NULL OR CDLINPPROP <> :L)");
            params.insert(QStringLiteral("L"), line);
        }
        const Packet contracted = ctx.db.query(QStringLiteral(R"SQL(
SELECT NRUSUALINPC, CDSISTEMAS FROM LINPCLIE
WHERE CDCLIENTE = :C AND IDSITULINPC = 'A' AND IDTIPLINPC = :T AND COALESCE(IDAMBLINPC, '') = :AMB
  AND COALESCE(IDLPROCLINPC, '') = :LOC AND COALESCE(IDMPROCLINPC, '') = :MODO%1)SQL")
                                                   .arg(ownContract),
                                               params);
        for (int r = 0; r < contracted.rows.size(); ++r)
            if (sameMoney(contracted.value(r, "NRUSUALINPC").toDouble(), users) &&
                systemsText(contracted.value(r, "CDSISTEMAS").toString().split(u' ')) == systems)
                ++others;
    }
    QVariantMap params = config;
    params.insert(QStringLiteral("NR"), args.string(1).trimmed());
    params.insert(QStringLiteral("VER"), args.string(2).trimmed());
    const Packet offered = ctx.db.query(QStringLiteral(R"SQL(
SELECT CDLINPPROP, NRUSUALINPP FROM LINPPROP
WHERE %1 AND IDTIPLINPP = :T AND COALESCE(IDAMBLINPP, '') = :AMB
  AND COALESCE(IDLPROCLINPP, '') = :LOC AND COALESCE(IDMPROCLINPP, '') = :MODO)SQL")
                                            .arg(ProposalKey::condition()),
                                        params);
    bool self = false;
    for (int r = 0; r < offered.rows.size(); ++r) {
        if (!sameMoney(offered.value(r, "NRUSUALINPP").toDouble(), users)) continue;
        const QString key = offered.value(r, "CDLINPPROP").toString();
        const Packet stored = ctx.db.query(QStringLiteral("SELECT CDSISTEMA FROM SISTLINPPROP WHERE %1 "
                                                          "AND CDLINPPROP = :L")
                                               .arg(ProposalKey::condition()),
                                           {{"NR", params.value("NR")}, {"VER", params.value("VER")}, {"L", key}});
        QStringList codes;
        for (int s = 0; s < stored.rows.size(); ++s) codes << stored.value(s, "CDSISTEMA").toString();
        if (systemsText(codes) != systems) continue;
        if (key == line) self = true;
        else ++others;
    }
    Packet out{fields, {}};
    if (others > 0) {
        const QVariant name = client.isEmpty()
                                  ? QVariant()
                                  : ctx.db.scalar(QStringLiteral("SELECT NMFANTCLIE FROM CLIENTE WHERE CDCLIENTE = :C"),
                                                  {{"C", client}});
        out.rows << QVariantList{client, name, type, users, platform, location, mode, systems,
                                 double(others + (self ? 1 : 0))};
    }
    return packetResult(out);
}

Reply getVdQtPtoAcesso(MethodContext& ctx, const Args& args) {
    const QString client = args.string(0).trimmed(), type = args.string(1).trimmed();
    double count = 0;
    if (!client.isEmpty())
        count = ctx.db
                    .scalar(QStringLiteral(R"SQL(
SELECT (SELECT COUNT(*) FROM LINPCLIE WHERE CDCLIENTE = :C AND IDTIPLINPC = :T AND IDSITULINPC = 'A')
     + (SELECT COUNT(*) FROM LINPPROP L
        JOIN PROPOSTAFAS P ON P.NRPROPOSFAS = L.NRPROPOSFAS AND P.NRVERPROPFAS = L.NRVERPROPFAS
        WHERE P.CDCLIENTE = :C AND L.IDTIPLINPP = :T AND P.DTACEPROPFAS IS NULL
          AND (P.DTVALPROPFAS IS NULL OR P.DTVALPROPFAS >= :HOJE)
          AND P.NRVERPROPFAS = (SELECT MAX(P2.NRVERPROPFAS) FROM PROPOSTAFAS P2
                                WHERE P2.NRPROPOSFAS = P.NRPROPOSFAS)))SQL"),
                            {{"C", client}, {"T", type}, {"HOJE", dayStart(Clock::current().today())}})
                    .toDouble();
    Packet out{{number("QTPTOACESSO")}, {}};
    out.rows << QVariantList{count};
    return packetResult(out);
}

Reply validaContrato(MethodContext& ctx, const Args& args) {
    const QString line = args.string(0).trimmed(), client = args.string(1).trimmed();
    return packetResult(shaped(ctx.db, QStringLiteral(R"SQL(
SELECT DISTINCT C.CDCLIENTE, C.CDLINPCLIE, C.CDLINPPROPINFOR, C.NMLINPCLIE
FROM LINPCLIE C
JOIN LINPPROP L ON L.CDLINPPROP = :L AND L.CDLINPPROPINFOR = C.CDLINPPROPINFOR
WHERE C.CDCLIENTE = :C AND C.IDSITULINPC = 'A' AND (C.CDLINPPROP IS NULL OR C.CDLINPPROP <> :L)
ORDER BY C.CDLINPCLIE)SQL"),
                               {{"L", line}, {"C", client}}, contractedLineFields()));
}

}  // namespace

void registerProductLineWriteMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("PrxLinhaProd"), 0, AccessRule::session(), prxLinhaProd);
    registry.add(QStringLiteral("SetLinProd"), 1, AccessRule::childDelta(0), setLinProd);
    registry.add(QStringLiteral("ValidaLinhaProd"), 2, AccessRule::session(), validaLinhaProd);
    registry.add(QStringLiteral("GetVdLinProd"), 10, AccessRule::proposal(1, 2), getVdLinProd);
    registry.add(QStringLiteral("GetVdQtPtoAcesso"), 2, AccessRule::session(), getVdQtPtoAcesso);
    registry.add(QStringLiteral("ValidaContrato"), 2, AccessRule::session(), validaContrato);
}

}  // namespace cot::server
