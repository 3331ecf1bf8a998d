// The history of a proposal: every field a save changes and every method that writes a
// version by itself, written in the transaction of the change (so a refused change leaves
// none), with who and through which method; read newest first and only by those who may
// see the proposal.
#include <gtest/gtest.h>


#include "base/clock.h"
#include "rpc/net_connection.h"
#include "server/migrations/migrations.h"
#include "server/seed/demo_seed.h"
#include "support/packet_cells.h"
#include "server_cases_a.h"
#include "test_storage_engines.h"

using namespace cot;
using cot::testing::Backend;
using cot::testing::TestServer;
using cot::testing::column;
using cot::testing::cells;

namespace {

using cot::testing::nr;

Delta observation(ChangeOp op, const QVariantList& oldValues, const QVariantList& newValues) {
    Delta d;
    d.fields = {{QStringLiteral("NRPROPOSFAS"), FieldType::String, 20},
                {QStringLiteral("NRVERPROPFAS"), FieldType::String, 2},
                {QStringLiteral("TXOBSPROPFAS"), FieldType::Memo, 0},
                {QStringLiteral("NMJUNTADO"), FieldType::String, 20}};  // not a column of the table
    d.changes = {{op, oldValues, newValues}};
    return d;
}

class ProposalHistoryTest : public cot::testing::DemoServerTest {
protected:
    ProposalHistoryTest() {
        server_.db().exec(QStringLiteral("DELETE FROM OBSPROPFAS WHERE NRPROPOSFAS = :N"), {{"N", nr(2)}});
    }
    RpcResult setObs(const Delta& d, const QString& dropEmpty = "0") {
        return server_.connection().call(QStringLiteral("SetObs"), {QVariant::fromValue(d), dropEmpty});
    }
    QVariant observationOf(int n) {
        return server_.db().scalar("SELECT TXOBSPROPFAS FROM OBSPROPFAS WHERE NRPROPOSFAS = :N", {{"N", nr(n)}});
    }
    Packet history(const QVariantList& args) { return packet("GetHistorico", args); }
    int rows(int n) { return count("SELECT COUNT(*) FROM HISTPROP WHERE NRPROPOSFAS = :N", {{"N", nr(n)}}); }
};

TEST_P(ProposalHistoryTest, EverySavedFieldIsOnRecordWithWhoAndHowNewestFirst) {
    ASSERT_TRUE(setObs(observation(ChangeOp::Insert, {}, {nr(2), "01", "<p>Primeira.</p>", "x"})).ok);
    ASSERT_TRUE(setObs(observation(ChangeOp::Update, {nr(2), "01", "<p>Primeira.</p>", "x"},
                                   {nr(2), "01", "<p>Segunda.</p>", "y"})).ok);
    EXPECT_EQ(observationOf(2).toString(), "<p>Segunda.</p>");

    const Packet h = history({nr(2), "01"});
    // The update's one field, then the insert's three: the joined name is no column.
    EXPECT_EQ(column(h, "IDOPERHIST"), QStringList({"A", "I", "I", "I"}));
    EXPECT_EQ(column(h, "NMCAMPO"), QStringList({"TXOBSPROPFAS", "TXOBSPROPFAS", "NRVERPROPFAS", "NRPROPOSFAS"}));
    EXPECT_EQ(cells(h, 0, {"VLANTERIOR", "VLNOVO", "NMTABELA", "DSCHAVE", "DTHIST"}) + cells(h, 1, {"VLANTERIOR"}),
              QStringList({"<p>Primeira.</p>", "<p>Segunda.</p>", "OBSPROPFAS", "NRPROPOSFAS=" + nr(2) + "; NRVERPROPFAS=01",
                           "06/12/2026 10:00", "<null>"}));
    EXPECT_EQ(column(h, "CDOPERADOR") + column(h, "NMMETODO"),
              QStringList(4, server_.operatorCode()) + QStringList(4, "SetObs"));

    // A deletion keeps what was removed; the table filter narrows the list.
    ASSERT_TRUE(setObs(observation(ChangeOp::Delete, {nr(2), "01", "<p>Segunda.</p>", "y"}, {})).ok);
    const Packet deleted = history({nr(2), "01", "obspropfas"});
    EXPECT_EQ(std::pair(deleted.value(0, "IDOPERHIST").toString(), deleted.rows.size()), std::pair(QString("E"), qsizetype(7)));
    EXPECT_TRUE(history({nr(2), "01", "LINPPROP"}).isEmpty());
    EXPECT_TRUE(history({nr(2), "02"}).isEmpty()) << "another version's history is its own";
    // Too many arguments is a malformed call, not a larger answer.
    EXPECT_FALSE(call("GetHistorico", {nr(2), "01", "", 10, "", "x"}).ok);
}

// SetObs: the observation's change log applied in one transaction, an emptied observation
// not kept, and a stale change, a bad flag or a bad number refused without writing, its
// history included.
TEST_P(ProposalHistoryTest, TheObservationIsSavedAndAnEmptiedOneDropped) {
    ASSERT_TRUE(setObs(observation(ChangeOp::Insert, {}, {nr(2), "01", "<p>Primeira.</p>", ""})).ok);
    EXPECT_EQ(observationOf(2).toString(), "<p>Primeira.</p>");
    ASSERT_TRUE(setObs(observation(ChangeOp::Update, {nr(2), "01", "<p>Primeira.</p>", ""}, {nr(2), "01", "<p></p>", ""}), "1").ok);
    EXPECT_EQ(count("SELECT COUNT(*) FROM OBSPROPFAS WHERE NRPROPOSFAS = :N", {{"N", nr(2)}}), 0)
        << "an empty observation is not kept";

    const QString before = observationOf(1).toString();
    const int history = rows(1);
    ASSERT_FALSE(before.isEmpty());
    EXPECT_EQ(setObs(observation(ChangeOp::Update, {nr(1), "01", "<p>Já mudou.</p>", ""}, {nr(1), "01", "<p>Nova.</p>", ""})).error,
              "Registro alterado ou excluído por outro usuário.");
    EXPECT_FALSE(setObs(observation(ChangeOp::Update, {nr(1), "01", before, ""}, {nr(1), "01", "<p>Nova.</p>", ""}), "talvez").ok);
    EXPECT_EQ(observationOf(1).toString(), before);
    EXPECT_EQ(rows(1), history);
    EXPECT_EQ(setObs(observation(ChangeOp::Insert, {}, {"", "01", "<p>Sem número.</p>", ""})).error,
              "Número de proposta inválido: informe os 20 dígitos.");
}

// Each row names what it is about as a person knows it: from the row stored now, or, once
// it is deleted, from what its history kept; the version's own tables need no name.
TEST_P(ProposalHistoryTest, EachRowNamesWhatItIsAbout) {
    // Demo proposal 2/01 (VENDEDOR's, of branch 0001) quotes line 2001 under the key nr(3),
    // and service 001 (Implantação).
    const QString head = "NRPROPOSFAS=" + nr(2) + "; NRVERPROPFAS=01", line = head + "; CDLINPPROP=" + nr(3);
    const QString gone = head + "; CDLINPPROP=" + nr(999);
    const struct {
        QString table, key, field, described;
    } cases[] = {
        {"LINPPROP", line, "NRUSUALINPP", "2001 – ERP Web completo"},
        {"VENCLINPPROP", line + "; DTVELUSOPEDP=2027-01-10T00:00:00", "VRVELUSOPEDP", "10/01/2027 – 2001 – ERP Web completo"},
        {"SERVPROP", head + "; NRSERVPROP=001", "QTSERVPROP", "Implantação"},
        {"VENCSERVPROP", head + "; DTVENCSERVPROP=2027-02-05T00:00:00", "VRVENCSERVPROP", "05/02/2027"},
        {"TXTPROPFAS", head + "; CDTXTPROPFAS=Prazo; NRORDEM=1", "TXPROPFAS", "Prazo; NRORDEM=1"},
        {"SIMULAPROP", head + "; NRSIMULAPROP=9", "NRORDSIMULAPROP", "Simulação 9"},
        // A deleted line: its code and name as its deletion kept them.
        {"LINPPROP", gone, "CDLINPPROPINFOR", "77 – Linha excluída"},
        {"LINPPROP", gone, "NMLINPPROP", "77 – Linha excluída"},
        {"OBSPROPFAS", head, "TXOBSPROPFAS", ""},
    };
    int sequence = 0;
    for (const auto& c : cases) {
        const QVariant before = c.field == "NMLINPPROP"        ? QVariant("Linha excluída")
                                : c.field == "CDLINPPROPINFOR" ? QVariant("77")
                                                               : QVariant("1");
        server_.db().exec("INSERT INTO HISTPROP (NRPROPOSFAS, NRVERPROPFAS, DTHIST, NRSEQHIST, CDOPERADOR, NMMETODO, "
                          "NMTABELA, DSCHAVE, IDOPERHIST, NMCAMPO, VLANTERIOR, CDFILIAL, CDOPERINCL, CDOPERSOLI) VALUES "
                          "(:N, '01', :D, :S, 'VENDEDOR', 'SetLinProd', :T, :K, 'E', :F, :B, '0001', 'VENDEDOR', 'VENDEDOR')",
                          {{"N", nr(2)}, {"D", QDateTime(QDate(2026, 12, 1), QTime(9, 0))}, {"S", ++sequence},
                           {"T", c.table}, {"K", c.key}, {"F", c.field}, {"B", before}});
    }
    const Packet h = history({nr(2), "01"});
    ASSERT_EQ(h.rows.size(), std::size(cases));
    for (int r = 0; r < h.rows.size(); ++r) {
        const auto& c = cases[std::size(cases) - 1 - r];  // newest first
        EXPECT_EQ(h.value(r, "DSCHAVE").toString(), c.key) << "the stored key stays";
        EXPECT_EQ(h.value(r, "DSREGISTRO").toString(), c.described) << c.table.toStdString() << " " << r;
    }
}

COT_ON_EVERY_BACKEND(ProposalHistoryTest);


// A method that writes a version by itself leaves one row naming it, and none when it
// refuses. The copy's new version starts its history with one row naming the copy and who
// made it; the source's history names the copy too.
TEST_P(ProposalHistoryTest, AMethodThatWritesAVersionByItselfIsNamedInItsHistory) {
    EXPECT_FALSE(call("SetUpdReaju", {"0001", nr(3), "01", "60"}).ok);
    EXPECT_EQ(rows(3), 0);
    ASSERT_TRUE(call("SetUpdReaju", {"0001", nr(3), "01", "100"}).ok);
    const Packet h = history({nr(3), "01"});
    EXPECT_EQ(cells(h, 0, {"IDOPERHIST", "NMMETODO", "NMTABELA"}) << QString::number(h.rows.size()),
              QStringList({"M", "SetUpdReaju", "<null>", "1"}));

    const int before = rows(2);
    ASSERT_TRUE(call("CopiaDados", {"0001", nr(2), "01", "07", "N"}).ok);

    const Packet copy = history({nr(2), "07"});
    EXPECT_EQ(copy.rows.size(), 1);
    EXPECT_EQ(cells(copy, 0, {"IDOPERHIST", "NMMETODO", "CDOPERADOR", "NMCAMPO", "VLANTERIOR"}),
              QStringList({"M", "CopiaDados", server_.operatorCode(), "<null>", nr(2) + "/01"}))
        << "the version it came from";
    const Packet source = history({nr(2), "01"});
    ASSERT_FALSE(source.isEmpty());
    EXPECT_EQ(source.value(0, "NMMETODO").toString(), "CopiaDados");
    EXPECT_EQ(rows(2), before + 2);

    // The version is taken now: the copy is refused and neither history grows.
    EXPECT_FALSE(call("CopiaDados", {"0001", nr(2), "01", "07", "N"}).ok);
    EXPECT_EQ(rows(2), before + 2);
}

// The rows written before each row kept its version's branch and operators: those of a
// version stored take it as stored, since its last deletion; those of an earlier life of the
// key, or of a deleted version, the branch their own rows recorded and no operators; the
// rest nothing (read by nobody through the server).
class HistoryUpgrade : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override { Clock::setCurrent(std::make_shared<FixedClock>(QDateTime(QDate(2026, 12, 6), QTime(10, 0)))); }
    void TearDown() override { Clock::setCurrent(nullptr); }
    void store(int n, int minute, const QString& table, const QString& op, const QString& field, const QString& after) {
        db_->exec("INSERT INTO HISTPROP (NRPROPOSFAS, NRVERPROPFAS, DTHIST, NRSEQHIST, IDOPERHIST, NMTABELA, NMCAMPO, "
                  "VLNOVO) VALUES (:N, '01', :D, 1, :O, :T, :F, :A)",
                  {{"N", nr(n)}, {"D", QDateTime(QDate(2026, 11, 1), QTime(9, minute))}, {"O", op}, {"T", table},
                   {"F", field}, {"A", after.isEmpty() ? QVariant() : QVariant(after)}});
    }
    QStringList kept(int n) {
        QStringList out;
        const Packet p = db_->query("SELECT CDFILIAL, CDOPERINCL, CDOPERSOLI FROM HISTPROP WHERE NRPROPOSFAS = :N "
                                    "ORDER BY DTHIST", {{"N", nr(n)}});
        for (const QVariantList& row : p.rows)
            out << row.value(0).toString() + u'/' + row.value(1).toString() + u'/' + row.value(2).toString();
        return out;
    }
    server::testing::ScratchDatabase scratch_{GetParam() == Backend::Postgres ? "postgres" : "sqlite"};
    server::Database* db_ = &scratch_.db();
};

TEST_P(HistoryUpgrade, RowsWrittenBeforeKeepWhatIsKnownOfTheirVersion) {
    server::migrate(*db_, 13);
    server::seedDemo(*db_);
    store(2, 0, "OBSPROPFAS", "A", "TXOBSPROPFAS", "nova");
    // 9/01's earlier life, in branch 0002, deleted; then its present one.
    store(9, 0, "PROPOSTAFAS", "I", "CDFILIAL", "0002");
    store(9, 1, "PROPOSTAFAS", "A", "DSREFEPROPOSFAS", "R$ 1,00");
    store(9, 2, "PROPOSTAFAS", "E", "NRPROPOSFAS", "");
    store(9, 3, "PROPOSTAFAS", "A", "DSREFEPROPOSFAS", "R$ 2,00");
    store(99, 0, "OBSPROPFAS", "I", "TXOBSPROPFAS", "sem versão");
    server::migrate(*db_);
    EXPECT_EQ(kept(2), QStringList{"0001/VENDEDOR/VENDEDOR"});
    EXPECT_EQ(kept(9), QStringList({"0002//", "0002//", "0002//", "0001/VENDEDOR/VENDEDOR"}));
    EXPECT_EQ(kept(99), QStringList{"//"});
}

COT_ON_EVERY_BACKEND(HistoryUpgrade);

}  // namespace
