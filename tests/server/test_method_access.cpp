// Every remote method is closed to whoever may not see the proposal it names. The walk
// goes over the real registry: a method added later is walked too, by the rule it declares.
#include <QFile>
#include <QJsonDocument>
#include <QSet>

#include "data/proposal_number.h"
#include "server/auth/sign_in_methods.h"
#include "server/methods/register_methods.h"
#include "support/database_dump.h"
#include "server_cases_a.h"

using namespace cot;
using namespace cot::testing;
using server::AccessRule;
using server::MethodInfo;
using server::MethodRegistry;

namespace {

// Methods that name no proposal: lookups and pick lists any session may use, lists and
// checks held to the operator's branch or to himself, and the sign-in.
const QSet<QString> kNoProposal{
    "AbreSessao", "FechaSessao", "PrxProposta", "GetParamPerc", "GetDataHoraServ", "PrxLinhaProd", "ValidaLinhaProd",
    "GetVdQtPtoAcesso", "ValidaContrato", "GetSistema", "GetPesqProdComer", "GetVd_ProdComer", "GetInterLoc", "GetPesqInterLoc",
    "PesqMsg", "GetTextoMens", "GetParamEmail", "GetPesqCliente", "GetPesqProspect", "GetPesqCont", "InsereCliente", "GetProposta",
    "GetPropostaAux", "GetPesqContato", "ValidaProposta", "GetControlaAnexo", "AlteraSenha", "GetPainelPropostas",
    "GetUltimaDecisao", "GetVeTodasPropostas", "GetClienteCadastrado"};

MethodRegistry realRegistry() {
    MethodRegistry r;
    server::registerAllMethods(r);
    server::registerSignInMethods(r, {});
    return r;
}

struct Target {
    QString number, version, branch;
};

QJsonObject field(const char* name, int size) { return {{"name", name}, {"type", "string"}, {"size", size}}; }
const QJsonArray kKeyFields{field("NRPROPOSFAS", 20), field("NRVERPROPFAS", 2)};
const QJsonArray kHeaderFields{field("NRPROPOSFAS", 20), field("NRVERPROPFAS", 2), field("CDFILIAL", 4), field("CDOPERINCL", 12)};

// A change of `t`'s key row; an update may move it to `movedTo`.
QJsonObject keyDelta(const Target& t, const char* op, const QJsonArray& movedTo = {}) {
    const QJsonArray key{t.number, t.version};
    QJsonObject change{{"op", op}};
    if (QLatin1String(op) != QLatin1String("insert")) change["old"] = key;
    if (QLatin1String(op) != QLatin1String("delete")) change["new"] = movedTo.isEmpty() ? key : movedTo;
    return {{"fields", kKeyFields}, {"changes", QJsonArray{change}}};
}

// The arguments the rule reads as change logs: the child tables', then the header's.
std::vector<int> deltasOf(const AccessRule& r) {
    std::vector<int> deltas = r.childDeltas();
    if (r.headerDeltaArg()) deltas.push_back(*r.headerDeltaArg());
    return deltas;
}

// Arguments that name `t` where the rule reads a proposal; the caller's own branch and
// name where it reads those, so the proposal is what the call is refused for.
QJsonArray argsFor(const MethodInfo& m, const Target& t, int deltaArg, const char* op) {
    QJsonArray args;
    for (int i = 0; i < m.maxArgc; ++i) args.append(QString());
    const AccessRule& r = m.access;
    for (int i : r.branchArgs()) args[i] = "0001";
    for (int i : r.selfArgs()) args[i] = "ASSIST";
    if (r.numberArg() >= 0) args[r.numberArg()] = t.number;
    if (r.versionArg() >= 0) args[r.versionArg()] = t.version;
    for (int i : deltasOf(r)) args[i] = i == deltaArg ? QJsonValue(keyDelta(t, op)) : QJsonValue(QJsonValue::Null);
    return args;
}

class MethodAccess : public cot::testing::DemoServerTest {
protected:
    MethodAccess() { token_ = server_.openSession("ASSIST"); }

    Target firstProposal(const QString& where) {
        const Packet p = server_.db().query(
            "SELECT NRPROPOSFAS, NRVERPROPFAS, CDFILIAL FROM PROPOSTAFAS WHERE " + where + " ORDER BY NRPROPOSFAS");
        EXPECT_FALSE(p.rows.isEmpty()) << "no proposal where " << where.toStdString();
        return p.rows.isEmpty() ? Target{} : Target{p.rows[0][0].toString(), p.rows[0][1].toString(), p.rows[0][2].toString()};
    }

    // Calls the method as ASSIST with every way its rule names `t`; each must be refused
    // with `expected` (the text for a read, or for a write when the rule writes).
    void expectRefused(const MethodInfo& m, const Target& t, const QString& readText, const QString& writeText) {
        std::vector<std::pair<int, const char*>> shapes;
        if (m.access.numberArg() >= 0) shapes.push_back({-1, "update"});
        for (int d : deltasOf(m.access))
            for (const char* op : {"update", "delete", "insert"}) shapes.push_back({d, op});
        const QString expected = m.access.isWrite() ? writeText : readText;
        for (const auto& [deltaArg, op] : shapes) {
            // A new proposal row is judged on its branch and operator, not as a stored one.
            if (m.access.headerDeltaArg() == deltaArg && QLatin1String(op) == QLatin1String("insert")) continue;
            const QJsonObject reply = server_.callAs(token_, m.name, argsFor(m, t, deltaArg, op));
            const QJsonObject error = reply["error"].toObject();
            EXPECT_EQ(error["message"].toString(), expected)
                << m.name.toStdString() << " delta arg " << deltaArg << " " << op << " on " << t.number.toStdString()
                << "/" << t.version.toStdString() << " answered "
                << QJsonDocument(reply).toJson(QJsonDocument::Compact).toStdString();
        }
    }

    // The error's text of a call as `token`; empty when it went through.
    QString refusal(const QByteArray& token, const QString& method, const QJsonArray& args) {
        return server_.callAs(token, method, args)["error"].toObject()["message"].toString();
    }

    QByteArray token_;
};

TEST_P(MethodAccess, EveryMethodNamingAProposalRefusesAnOperatorWhoMayNotSeeIt) {
    const MethodRegistry registry = realRegistry();
    ASSERT_NO_THROW(registry.requireRules());
    const Target sameBranch = firstProposal("CDFILIAL = '0001' AND CDOPERINCL <> 'ASSIST' AND "
                                            "(CDOPERSOLI IS NULL OR CDOPERSOLI <> 'ASSIST')");
    const Target otherBranch = firstProposal("CDFILIAL = '0002'");

    const QString before = wholeDatabase(server_.db());
    int walked = 0, malformed = 0;
    for (const QString& name : registry.names()) {
        const MethodInfo& m = *registry.find(name);
        if (!m.access.namesProposal()) {
            EXPECT_TRUE(kNoProposal.contains(name)) << name.toStdString()
                                                    << " names no proposal in its rule: is it really so?";
            continue;
        }
        ++walked;
        expectRefused(m, sameBranch, "O operador ASSIST não pode ver propostas de outros operadores.",
                      "O operador ASSIST não pode alterar propostas de outros operadores.");
        const QString elsewhere = "O operador ASSIST não trabalha na filial 0002.";
        expectRefused(m, otherBranch, elsewhere, elsewhere);
        // A write's deltas are decoded before its transaction, but a malformed one still fails
        // where the rule reads it: after the proposal the call names was refused.
        if (m.access.numberArg() >= 0 && !deltasOf(m.access).empty()) {
            ++malformed;
            QJsonArray args = argsFor(m, otherBranch, -1, "update");
            for (int d : deltasOf(m.access)) args[d] = QJsonObject{{"fields", 5}};
            EXPECT_EQ(refusal(token_, m.name, args), elsewhere) << name.toStdString() << " with a malformed delta";
        }
        ASSERT_EQ(firstDifference(before, wholeDatabase(server_.db())), "") << name.toStdString() << " wrote although refused";
    }
    EXPECT_GE(walked, 45);
    EXPECT_GE(malformed, 1);
}

// The owner is not refused by the same rules (the walk above is not refusing everyone),
// nor is who sees the branch. A delta's rows are judged by the proposal they name as stored,
// and never move.
TEST_P(MethodAccess, WhoMaySeeTheProposalPassesAndADeltaCannotReachBeyondIt) {
    const Target own = firstProposal("CDFILIAL = '0001' AND CDOPERINCL = 'ASSIST'");
    const Target other = firstProposal("CDFILIAL = '0001' AND CDOPERINCL = 'GERENTE'");
    const QByteArray manager = server_.openSession("GERENTE");
    for (const char* method : {"GetLinProd", "GetServico", "GetMensagem", "GetObs", "GetSimulacao"})
        EXPECT_EQ(refusal(token_, method, {own.number, own.version}), "") << method;
    EXPECT_EQ(refusal(manager, "GetLinProd", {own.number, own.version}), "");
    const QString before = wholeDatabase(server_.db());

    // The contract switch of his own proposal carrying a header change of another one.
    const QString othersProposal = "O operador ASSIST não pode alterar propostas de outros operadores.";
    EXPECT_EQ(refusal(token_, "SetTipoContrato", {own.number, own.version, "L", keyDelta(other, "delete")}), othersProposal);
    EXPECT_EQ(refusal(manager, "SetTipoContrato", {own.number, own.version, "L", keyDelta(other, "update")}),
              QString("O pacote de alterações só pode alterar a proposta %1.")
                  .arg(cot::shortProposalNumber(own.number, own.version)));

    // Re-keying his own row into another proposal.
    const QJsonObject rekey = keyDelta(own, "update", {other.number, "02"});
    for (const char* method : {"SetServico", "SetObs"})
        EXPECT_EQ(refusal(token_, method, method == QLatin1String("SetObs") ? QJsonArray{rekey, "N"} : QJsonArray{rekey}),
                  "O número e a versão da proposta de um registro não podem ser alterados.") << method;
    EXPECT_EQ(refusal(token_, "SetProposta", {rekey}), "O número de uma proposta não pode ser alterado.");

    // A version slipped into another operator's number, new or renumbered from his own.
    const QJsonObject join{{"fields", kHeaderFields},
                           {"changes", QJsonArray{QJsonObject{{"op", "insert"},
                                                              {"new", QJsonArray{other.number, "07", "0001", "ASSIST"}}}}}};
    EXPECT_EQ(refusal(token_, "SetProposta", {join}), othersProposal);
    EXPECT_EQ(firstDifference(before, wholeDatabase(server_.db())), "");

    // Renumbering a version of his own number is his to do.
    EXPECT_EQ(refusal(token_, "SetProposta", {keyDelta(own, "update", {own.number, "08"})}), "");
}

TEST_P(MethodAccess, KeysThatAreNotNumbersAreRefusedAndNothingIsWritten) {
    const QString before = wholeDatabase(server_.db());
    const QString number = "Número de proposta inválido: informe os 20 dígitos.";
    const QString version = "Versão de proposta inválida: informe os 2 dígitos.";
    for (const auto& [nr, ver, refused] : std::vector<std::tuple<QString, QString, QString>>{
             {"../../escaped", "01", number}, {"00000000000000000777", "01/../../tmp", version},
             {"0000000000000000077\\", "01", number}, {"0000000000000000077'", "01", number}, {"777", "01", number},
             {"00000000000000000777", "1", version}}) {
        const QJsonObject insert{{"op", "insert"}, {"new", QJsonArray{nr, ver, "0001", "ASSIST"}}};
        EXPECT_EQ(refusal(token_, "SetProposta", {QJsonObject{{"fields", kHeaderFields}, {"changes", QJsonArray{insert}}}}), refused)
            << nr.toStdString() << " " << ver.toStdString();
    }
    EXPECT_EQ(firstDifference(before, wholeDatabase(server_.db())), "");
}

COT_ON_EVERY_BACKEND(MethodAccess);

// A method without a rule is a start-up error, not an open door.
TEST(MethodRegistryRules, AMethodWithoutARuleStopsTheServerFromStarting) {
    auto start = [] {
        TestServer server({.methods = [](MethodRegistry& r) {
            r.add("SemRegra", 0, AccessRule(), [](server::MethodContext&, const server::Args&) -> server::Reply { return QJsonValue(1); });
        }});
    };
    EXPECT_THROW(start(), std::exception);

    MethodRegistry beyond;
    beyond.add("LeAlem", 1, 2, AccessRule::proposal(0, 1), {});
    EXPECT_THROW(beyond.requireRules(), std::logic_error) << "a rule may not read an argument that can be left out";
}

// The security notes promise a rule for every method: the table there is the registry's.
TEST(MethodRegistryRules, TheSecurityNotesListEveryMethodWithItsRule) {
    QFile notes(QStringLiteral(COT_SOURCE_DIR "/docs/security.md"));
    ASSERT_TRUE(notes.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString text = QString::fromUtf8(notes.readAll());
    const MethodRegistry registry = realRegistry();
    QString table = QStringLiteral("| method | who may call it |\n|---|---|\n");
    for (const QString& name : registry.names())
        table += QStringLiteral("| `%1` | %2 |\n").arg(name, registry.find(name)->access.describe());
    EXPECT_TRUE(text.contains(table)) << "docs/security.md should hold this table:\n" << table.toStdString();
}

}  // namespace
