// Copy of a proposal to a new version: the whole version copied row by row, nothing left
// behind by a copy that fails half-way, versions checked before anything is written; and the
// operators who may attach files to proposals.
#include <algorithm>

#include "data_cases.h"
#include "deal_cases.h"
#include "support/refused_inserts.h"

using namespace cot;
using namespace cot::testing;

namespace {

// Every table quoted under a version; demo proposal 2/01 (branch 0001) has rows in each.
const char* const kCopiedTables[] = {"PROPOSTAFAS", "LINPPROP", "SISTLINPPROP", "VENCLINPPROP", "SERVPROP", "VENCSERVPROP",
                                     "OBJSERVPROP", "TXTPROPFAS", "OBSPROPFAS", "SIMULAPROP", "SIMULALINP"};

class CopyMethodsTest : public cot::testing::DemoServerTest {
protected:
    RpcResult copy(int proposal, const QString& from, const QString& to, const QString& keep = "N") {
        return call("CopiaDados", {"0001", nr(proposal), from, to, keep});
    }

    // The version's rows of a table without the version column, sorted, as text.
    QStringList rows(const char* table, int proposal, const QString& version, const QStringList& skip = {}) {
        const Packet p = server_.db().query(
            QStringLiteral("SELECT * FROM %1 WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = :V").arg(QLatin1String(table)),
            {{"N", nr(proposal)}, {"V", version}});
        QStringList out;
        for (const QVariantList& row : p.rows) {
            QStringList texts;
            for (int c = 0; c < p.fields.size(); ++c)
                if (const QString name = p.fields[c].name.toUpper(); name != "NRVERPROPFAS" && !skip.contains(name))
                    texts << name + "=" + (row.value(c).isNull() ? QStringLiteral("<null>") : row.value(c).toString());
            out << texts.join("|");
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    int versionRows(int proposal, const QString& version) {
        int total = 0;
        for (const char* table : kCopiedTables) total += rows(table, proposal, version).size();
        return total;
    }
    const QString taken = "Proposta já cadastrada para versão informada.";
};

TEST_P(CopyMethodsTest, EveryRowOfTheVersionIsCopiedUnderTheNewOne) {
    // A child that cannot be written leaves no half version: the last table copied refuses
    // rows of version 07, after the header and every other table have been written.
    RefusedInserts refused(server_.db(), server_.backend(), "SIMULALINP", "NEW.NRVERPROPFAS = '07'");
    const RpcResult r = copy(2, "01", "07");
    EXPECT_FALSE(r.ok || r.error.contains("INSERT", Qt::CaseInsensitive) || r.error.contains("SIMULALINP")) << r.error.toStdString();
    EXPECT_EQ(versionRows(2, "07"), 0) << "nothing of the failed copy stays";

    refused.lift();
    ASSERT_TRUE(succeeded(copy(2, "01", "07")));
    for (const char* table : kCopiedTables) {
        const QStringList source = rows(table, 2, "01");
        EXPECT_FALSE(source.isEmpty()) << table;
        EXPECT_EQ(rows(table, 2, "07"), source) << table;
    }
    // The other versions of the proposal are not involved.
    EXPECT_EQ(versionRows(2, "02"), 0);
    // The dialog shows the version to copy.
    const Packet p = packet("CopiaProposta", {"0001", nr(2), "01"});
    EXPECT_EQ(cells(p, 0, {"NRVERPROPFAS", "DSREFEPROPOSFAS", "CODIGO", "CDOPERADOR"}) << QString::number(p.rows.size()),
              QStringList({"01", "ERP Web e serviços de implantação", p.value(0, "CDCLIENTE").toString(), "VENDEDOR", "1"}));
    EXPECT_FALSE(p.value(0, "NOME").toString().isEmpty() || p.value(0, "NMOPERADOR").toString().isEmpty());
}

TEST_P(CopyMethodsTest, TheNewVersionIsCheckedBeforeAnythingIsWritten) {
    const QString digits = "Versão de proposta inválida: informe os 2 dígitos.";
    // Proposal 6 has versions 01 to 03: any of them is taken, whichever is copied; the source
    // must exist in the branch.
    const struct { QString branch; int proposal; QString from, to, keep, error; } cases[] = {
        {"0001", 2, "01", "", "N", "Versão da Proposta deve ser informada."}, {"0001", 2, "01", "01", "N", taken},
        {"0001", 2, "01", "00", "N", "Versão da proposta deve estar entre 01 e 99."}, {"0001", 2, "01", "5", "N", digits},
        {"0001", 2, "01", "100", "N", digits}, {"0001", 2, "01", "-3", "N", digits}, {"0001", 2, "01", "ab", "N", digits},
        {"0001", 6, "03", "02", "N", taken}, {"0001", 2, "09", "05", "N", "Proposta não cadastrada."},
        {"0002", 2, "01", "05", "N", "Proposta não pertence à filial informada."},
        {"0001", 2, "01", "05", "X", "Indicador de manutenção do aceite deve ser S ou N."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(call("CopiaDados", {c.branch, nr(c.proposal), c.from, c.to, c.keep}).error, c.error) << c.to.toStdString();
    EXPECT_EQ(call("CopiaProposta", {"0001", nr(99), "01"}).error, "Proposta não cadastrada.");
    EXPECT_FALSE(call("CopiaDados", {"0001", nr(2), "01", "05"}).ok) << "five arguments are declared";
    EXPECT_EQ(versionRows(2, "05"), 0);
}

// The version offered is the one after the highest; once 99 exists, the lowest one free, so
// only a number with all 99 versions taken has none left.
TEST_P(CopyMethodsTest, TheNextVersionIsOfferedAndAfter99TheLowestFree) {
    const auto offered = [&] {
        const RpcResult r = call("getMaxVerPropFas", {nr(2)});
        if (!r.ok) return "erro: " + r.error;
        const Packet p = r.value.value<Packet>();
        EXPECT_TRUE((p.fields == QList<FieldDef>{{"NRVERPROPFAS", FieldType::String, 20}}) && p.rows.size() == 1)
            << "as the dialog reads it";
        return p.value(0, "NRVERPROPFAS").toString();
    };
    ASSERT_TRUE(copy(2, "01", "10").ok);
    EXPECT_EQ(offered(), "11") << "the one after the highest, not the gap below it";
    ASSERT_TRUE(copy(2, "01", "02").ok) << "a gap can still be typed";
    EXPECT_EQ(offered(), "11");
    ASSERT_TRUE(copy(2, "01", "99").ok);
    EXPECT_EQ(offered(), "03") << "past 99, the lowest free";
    ASSERT_TRUE(call("CopiaProposta", {"0001", nr(2), "99"}).ok) << "the dialog still opens";
    EXPECT_EQ(copy(2, "01", "99").error, taken);

    // Every slot taken but 50 (headers are enough to take a slot).
    for (int v = 3; v < 99; ++v)
        if (v != 10 && v != 50)
            server_.db().exec("INSERT INTO PROPOSTAFAS (NRPROPOSFAS, NRVERPROPFAS, CDFILIAL) VALUES (:N, :V, '0001')",
                              {{"N", nr(2)}, {"V", QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'))}});
    EXPECT_EQ(offered(), "50");
    ASSERT_TRUE(copy(2, "01", "50").ok);
    EXPECT_EQ(versionRows(2, "50"), versionRows(2, "01"));

    // Full: the offer, the dialog and the copy say so, and nothing is written.
    const QString full = "A proposta já atingiu o número máximo de versões (99).";
    EXPECT_EQ(QStringList({offered(), call("CopiaProposta", {"0001", nr(2), "01"}).error, copy(2, "01", "50").error}),
              QStringList({"erro: " + full, full, full}));
    EXPECT_EQ(server_.db().scalar("SELECT COUNT(*) FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N", {{"N", nr(2)}}).toInt(), 99);

    // A version deleted frees its slot again.
    server_.db().exec("DELETE FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '37'", {{"N", nr(2)}});
    EXPECT_EQ(offered(), "37");
    EXPECT_TRUE(copy(2, "01", "37").ok);
    // Without version 99 the offer is the one after the highest again.
    server_.db().exec("DELETE FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N AND NRVERPROPFAS IN ('37', '99')", {{"N", nr(2)}});
    EXPECT_EQ(offered(), "99");
}

// A copy is open: the number keeps its one accepted version, whatever the caller asks.
TEST_P(CopyMethodsTest, TheCopyIsOpenAndNeverASecondAcceptedVersion) {
    // Proposal 1 was accepted: a new version of it is for whom may reopen an accepted deal.
    const auto accepted = [&] {
        return rowTexts(server_.db(), "SELECT NRVERPROPFAS FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N AND DTACEPROPFAS "
                                      "IS NOT NULL", {{"N", nr(1)}});
    };
    ASSERT_EQ(accepted(), QStringList{"01"});
    EXPECT_FALSE(copy(1, "01", "02", "N").ok);
    server_.db().exec("INSERT INTO AUTGRUPOP (CDGRUPOPER, IDAUTGRUPOP) VALUES ('COM', 'REAB')");
    ASSERT_TRUE(copy(1, "01", "02", "N").ok);
    EXPECT_EQ(rows("PROPOSTAFAS", 1, "02", {"DTACEPROPFAS"}), rows("PROPOSTAFAS", 1, "01", {"DTACEPROPFAS"}));
    EXPECT_EQ(copy(1, "01", "03", "S").error, "Uma proposta tem uma só versão aceita: a cópia não pode manter o aceite.");
    EXPECT_EQ(accepted(), QStringList{"01"});
}

TEST_P(CopyMethodsTest, SimultaneousCopiesToOneVersionMakeOneCopy) {
    const QStringList answers = callAtOnce(server_, 4, 1, "CopiaDados", [](int) { return QVariantList{"0001", nr(2), "01", "08", "N"}; });
    EXPECT_EQ(refusalsIn(answers), QStringList(3, "erro: " + taken));
    EXPECT_EQ(rows("SIMULALINP", 2, "08"), rows("SIMULALINP", 2, "01"));
}

// The attachment right travels with the operator's register, not with a proposal.
TEST_P(CopyMethodsTest, OnlyListedActiveOperatorsMayAttachFiles) {
    // Each operator asks about himself, in his own session.
    auto holder = [&](const QString& op, const QString& asked) {
        auto connection = server_.newConnection();
        connection->setToken(server_.openSession(op));
        const RpcResult r = connection->call("GetControlaAnexo", {asked});
        return r.ok ? column(r.value.value<Packet>(), "CDOPERADOR").join(',') : "erro: " + r.error;
    };
    EXPECT_EQ(QStringList({holder("VENDEDOR", "VENDEDOR"), holder("VENDEDOR", " vendedor "), holder("ASSIST", "ASSIST")}),
              QStringList({"VENDEDOR", "VENDEDOR", ""})) << "ASSIST is not listed";
    server_.db().exec("INSERT INTO OPERANEXO (CDOPERADOR) VALUES ('ANTIGO')");
    // An inactive operator holds no right: his session does not even reach the method.
    auto inactive = server_.newConnection();
    inactive->setToken(server_.openSession("ANTIGO"));
    EXPECT_EQ(inactive->call("GetControlaAnexo", {"ANTIGO"}).error, "Sessão inválida ou expirada: entre no sistema novamente.");
    // Asking about anyone else, or with a pattern, is acting as another operator.
    EXPECT_EQ(QStringList({call("GetControlaAnexo", {"%"}).error, call("GetControlaAnexo", {""}).error}),
              QStringList({"O operador VENDEDOR não pode agir como o operador %.",
                           "O operador VENDEDOR não pode agir como o operador ."}));
    EXPECT_FALSE(call("GetControlaAnexo", {}).ok);
}

COT_ON_EVERY_BACKEND(CopyMethodsTest);

}  // namespace
