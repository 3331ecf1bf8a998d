// Systems of a product line.
//
//   GetSistema(platform, "", CDPROCOMERCI, kind) → the active systems of the commercial
//       product on that platform, each marked "N" (selectable) for the selection dialog.
//       No product given: the systems of every product on the platform. The second
//       argument and the line kind ("PROD"/"PTOA") do not narrow the list: the dialog
//       itself keeps an access-point line to one system.
//   InsereSistema(NR, VER, line, CDSISTEMA) → adds one system to a stored line.
//   SetSistema(delta) → the systems' change log in one transaction.
//
// A system is on a line once. Adding one that is already there succeeds and changes
// nothing, so a call repeated after a lost answer, or a selection confirmed again after
// a failure midway, never duplicates a system nor fails on the ones already written.
// An access-point line (types P and A) takes one system: another one is refused.
#include "server/methods/system_methods.h"

#include "server/methods/delta_support.h"
#include "server/methods/read_support.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"
#include "server/storage/resolver.h"

namespace cot::server {

namespace {

using namespace read;

const QString kNoLine = QStringLiteral("Linha de produto não cadastrada na proposta.");
const QString kNoSystem = QStringLiteral("Sistema não cadastrado.");
const QString kOneSystem =
    QStringLiteral("Linha de produto do tipo ponto de acesso pode possuir apenas um sistema.");

Reply getSistema(MethodContext& ctx, const Args& args) {
    static const QList<FieldDef> fields{stored("SISTEMA", "SGSISTEMA"), stored("SISTEMA", "CDPROCOMERCI"),
                                        stored("PRODCOMERCI", "NMPROCOMERCI"), stored("SISTEMA", "IDTECNOSIST"),
                                        stored("SISTEMA", "CDSISTEMA"), fixed("IDCHECK", 1),
                                        stored("SISTEMA", "NMSISTEMA")};
    const QString platform = args.string(0).trimmed().toUpper();
    const QString product = args.string(2).trimmed();
    QVariantMap params{{"AMB", platform}};
    QString byProduct;
    if (!product.isEmpty()) {
        byProduct = QStringLiteral(" AND (S.CDPROCOMERCI = :PROD OR S.CDPROCOMERCI = :PRODAJ)");
        params.insert(QStringLiteral("PROD"), product);
        params.insert(QStringLiteral("PRODAJ"), adjusted(product, 10));
    }
    return packetResult(shaped(ctx.db, QStringLiteral(R"SQL(
SELECT S.SGSISTEMA, S.CDPROCOMERCI, PC.NMPROCOMERCI, S.IDTECNOSIST, S.CDSISTEMA, 'N' AS IDCHECK, S.NMSISTEMA
FROM SISTEMA S
LEFT JOIN PRODCOMERCI PC ON PC.CDPROCOMERCI = S.CDPROCOMERCI
WHERE S.IDAMBSIST = :AMB AND S.IDSITUSIST = 'A'%1
ORDER BY S.SGSISTEMA, S.CDSISTEMA)SQL")
                                                  .arg(byProduct),
                               params, fields));
}

struct LineSystem {
    QString number, version, line, system;
    QVariantMap params() const { return {{"NR", number}, {"VER", version}, {"L", line}, {"S", system}}; }
};

// The type of the stored line; throws when there is no such line.
QString lineType(Database& db, const LineSystem& s) {
    const Packet line = db.query(
        QStringLiteral("SELECT IDTIPLINPP FROM LINPPROP WHERE %1 AND CDLINPPROP = :L").arg(ProposalKey::condition()),
        s.params());
    if (line.rows.isEmpty()) throw MethodError(kNoLine);
    return line.value(0, "IDTIPLINPP").toString().trimmed();
}

bool onLine(Database& db, const LineSystem& s) {
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM SISTLINPPROP WHERE %1 "
                                    "AND CDLINPPROP = :L AND CDSISTEMA = :S")
                         .arg(ProposalKey::condition()),
                     s.params())
               .toInt() > 0;
}

// Checks a system about to be added to a line (in place of `replacing`, when a row is
// moved). False: it is already there.
bool admit(Database& db, const LineSystem& s, const QString& replacing = {}) {
    if (s.number.isEmpty() || s.version.isEmpty())
        throw MethodError(QStringLiteral("Número e versão da proposta devem ser informados."));
    if (s.line.isEmpty()) throw MethodError(QStringLiteral("Linha de produto deve ser informada."));
    if (s.system.isEmpty()) throw MethodError(QStringLiteral("Sistema deve ser selecionado."));
    const QString type = lineType(db, s);
    if (db.scalar(QStringLiteral("SELECT COUNT(*) FROM SISTEMA WHERE CDSISTEMA = :S"), s.params()).toInt() == 0)
        throw MethodError(kNoSystem);
    if (onLine(db, s)) return false;
    if (type == QLatin1String("P") || type == QLatin1String("A")) {
        QVariantMap params = s.params();
        QString sql = QStringLiteral(
                          "SELECT COUNT(*) FROM SISTLINPPROP WHERE %1 "
                          "AND CDLINPPROP = :L")
                          .arg(ProposalKey::condition());
        if (!replacing.isEmpty()) {
            sql += QStringLiteral(" AND CDSISTEMA <> :R");
            params.insert(QStringLiteral("R"), replacing);
        }
        const int systems = db.scalar(sql, params).toInt();
        if (systems > 0) throw MethodError(kOneSystem);
    }
    return true;
}

Reply insereSistema(MethodContext& ctx, const Args& args) {
    const LineSystem s{args.string(0).trimmed(), args.string(1).trimmed(), args.string(2).trimmed(),
                       args.string(3).trimmed()};
    Transaction tx(ctx.db);
    if (admit(ctx.db, s))
        ctx.db.exec(QStringLiteral("INSERT INTO SISTLINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, CDSISTEMA) "
                                   "VALUES (:NR, :VER, :L, :S)"),
                    s.params());
    tx.commit();
    return QJsonValue();
}

const TableResolver& systemResolver() {
    static const TableResolver r = tableResolver(QStringLiteral("SISTLINPPROP"));
    return r;
}

// A row typed in the grid may carry only the abbreviation: the system of that
// abbreviation on the line's platform, when there is exactly one.
QString systemByAbbreviation(Database& db, const LineSystem& s, const QString& abbreviation) {
    const Packet found = db.query(QStringLiteral(R"SQL(
SELECT S.CDSISTEMA FROM SISTEMA S
JOIN LINPPROP L ON %1 AND L.CDLINPPROP = :L
WHERE S.SGSISTEMA = :SG AND S.IDAMBSIST = L.IDAMBLINPP AND S.IDSITUSIST = 'A')SQL")
                                      .arg(ProposalKey::condition(QStringLiteral("L"))),
                                  {{"NR", s.number}, {"VER", s.version}, {"L", s.line}, {"SG", abbreviation}});
    return found.rows.size() == 1 ? found.value(0, "CDSISTEMA").toString() : QString();
}

Reply setSistema(MethodContext& ctx, const Args& args) {
    Delta delta = args.delta(0);
    const int nr = delta.indexOf(QStringLiteral("NRPROPOSFAS"));
    const int ver = delta.indexOf(QStringLiteral("NRVERPROPFAS"));
    const int line = delta.indexOf(QStringLiteral("CDLINPPROP"));
    const int system = ensureDeltaColumn(delta, {QStringLiteral("CDSISTEMA"), FieldType::String, 8});
    const int abbreviation = delta.indexOf(QStringLiteral("SGSISTEMA"));
    Transaction tx(ctx.db);
    applyDelta(ctx.db, systemResolver(), delta, [&](RowChange& change) {
        if (change.op == ChangeOp::Delete) return;
        LineSystem s{cells::cellText(delta, change.newValues, nr), cells::cellText(delta, change.newValues, ver),
                     cells::cellText(delta, change.newValues, line), cells::cellText(delta, change.newValues, system)};
        if (change.op == ChangeOp::Update) {
            // Moving a row onto another system is adding that system.
            if (!cells::changes(delta, change, system) && !cells::changes(delta, change, line)) return;
        }
        if (s.system.isEmpty() && abbreviation >= 0) {
            const QString sg = cells::cellText(delta, change.newValues, abbreviation);
            if (sg.isEmpty()) throw MethodError(QStringLiteral("Sigla deve ser informada."));
            s.system = systemByAbbreviation(ctx.db, s, sg);
            if (s.system.isEmpty() && !s.line.isEmpty()) {
                lineType(ctx.db, s);
                throw MethodError(kNoSystem);
            }
            change.newValues[system] = s.system;
        }
        const QString replacing =
            change.op == ChangeOp::Update && !cells::changes(delta, change, line)
                ? cells::cellText(delta, change.oldValues, system)
                : QString();
        if (admit(ctx.db, s, replacing)) return;
        // Already on the line: nothing to write, and a stale update is still a conflict.
        if (change.op == ChangeOp::Insert) {
            change.op = ChangeOp::Update;
            change.oldValues = change.newValues;
        } else {
            throw MethodError(QStringLiteral("Sistema já cadastrado para a linha de produto."));
        }
    });
    tx.commit();
    return QJsonValue();
}

}  // namespace

void registerSystemMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("GetSistema"), 4, AccessRule::session(), getSistema);
    registry.add(QStringLiteral("InsereSistema"), 4, AccessRule::proposal(0, 1).writes(), insereSistema);
    registry.add(QStringLiteral("SetSistema"), 1, AccessRule::childDelta(0), setSistema);
}

}  // namespace cot::server
