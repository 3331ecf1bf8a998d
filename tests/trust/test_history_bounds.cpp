// What a hostile reader of a proposal's history tries: one answer as large as the whole
// history, a forged continuation, a page size beyond the limit, old values of any length,
// and the history of a version deleted, of another branch's version or of an earlier life of
// a key taken again.
#include <gtest/gtest.h>

#include "support/packet_cells.h"
#include "server/server_cases_a.h"

using namespace cot;
using namespace cot::testing;

namespace {

const QList<FieldDef> kHeader{{"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2},
                              {"CDFILIAL", FieldType::String, 4},     {"IDSOLPROPFAS", FieldType::String, 1},
                              {"IDCLIENPROSP", FieldType::String, 1}, {"CDCLIENTE", FieldType::String, 21},
                              {"DSREFEPROPOSFAS", FieldType::String, 100}, {"CDOPERINCL", FieldType::String, 12},
                              {"CDOPERSOLI", FieldType::String, 12}};

class HistoryBounds : public cot::testing::DemoServerTest {
protected:
    RpcResult as(const QString& op, const QVariantList& args, const QString& method = "GetHistorico") {
        auto& connection = connections_[op];
        if (!connection) {
            connection = server_.newConnection();
            connection->setToken(server_.openSession(op));
        }
        return connection->call(method, args);
    }
    Packet page(const QVariantList& args) { return packet("GetHistorico", args); }
    // Rows of 2/01 (VENDEDOR's, branch 0001) written straight, as an older server could have.
    void store(const QDateTime& at, qint64 sequence, const QString& field, const QVariant& before = {},
               const QVariant& after = QStringLiteral("x")) {
        server_.db().exec(
            QStringLiteral("INSERT INTO HISTPROP (NRPROPOSFAS, NRVERPROPFAS, DTHIST, NRSEQHIST, CDOPERADOR, NMMETODO, "
                           "NMTABELA, IDOPERHIST, NMCAMPO, VLANTERIOR, VLNOVO, CDFILIAL, CDOPERINCL, CDOPERSOLI) "
                           "VALUES (:N, '01', :D, :S, 'VENDEDOR', 'SetProposta', 'PROPOSTAFAS', 'A', :F, :B, :A, "
                           "'0001', 'VENDEDOR', 'VENDEDOR')"),
            {{"N", nr(2)}, {"D", at}, {"S", sequence}, {"F", field}, {"B", before}, {"A", after}});
    }
    // Every page from the first, `rows` at a time: each page's fields read in order.
    QList<Packet> allPages(const QVariant& rows) {
        QList<Packet> pages;
        QVariant cursor;
        do {
            pages << page({nr(2), "01", QVariant(), rows, cursor});
            if (pages.last().isEmpty() || pages.size() > 100) break;
            cursor = pages.last().rows.last().last();
        } while (!cursor.isNull());
        return pages;
    }
    RpcResult save(const QString& op, const Delta& d) { return as(op, {QVariant::fromValue(d)}, "SetProposta"); }

    std::map<QString, std::unique_ptr<NetConnection>> connections_;
};

// Pages chain with nothing lost or repeated, rows of one instant (and rows alike in instant
// and sequence, as two servers may write) included; only a page's last row names the next.
TEST_P(HistoryBounds, PagesChainWithoutLossOrRepeat) {
    const QDateTime day(QDate(2026, 11, 2), QTime(8, 0));
    // Three instants; in each, sequences 1..n, with pairs of rows alike in both.
    for (int i = 0; i < 23; ++i) store(day.addSecs(60 * (i % 3)), i / 6, QString("F%1").arg(i, 2, 10, QLatin1Char('0')));
    const Packet whole = page({nr(2), "01", QVariant(), 1000});
    ASSERT_EQ(whole.rows.size(), 23);
    EXPECT_TRUE(whole.rows.last().last().isNull()) << "the last page names no next one";
    // Newest first, as before.
    EXPECT_EQ(std::pair(whole.value(0, "DTHIST").toDateTime(), whole.value(22, "DTHIST").toDateTime()), std::pair(day.addSecs(120), day));
    for (const int size : {1, 2, 4, 5}) {
        QStringList chained;
        for (const Packet& p : allPages(size)) {
            ASSERT_LE(p.rows.size(), size);
            for (int r = 0; r + 1 < p.rows.size(); ++r) EXPECT_TRUE(p.rows[r].last().isNull());
            chained << column(p, "NMCAMPO");
        }
        EXPECT_EQ(chained, column(whole, "NMCAMPO")) << "page size " << size;
    }
}

TEST_P(HistoryBounds, AForgedContinuationOrPageSizeIsRefusedAndALargeOneClamped) {
    const auto cursorOf = [](const QByteArray& plain) {
        return "h1." + QString::fromLatin1(plain.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
    };
    for (const QString& bad : {QString("x"), QString("h1."), QString("h1.!!"), cursorOf("2026-12-06 10:00:00|1"),
                               cursorOf("2026-13-06 10:00:00|1|1"), cursorOf("2026-12-06 10:00:00|1|0"),
                               cursorOf("2026-12-06 10:00:00' OR 1=1 --|1|1"), cursorOf("2026-12-06 10:00:00|x|1"),
                               "h1." + QString(200, 'A')}) {
        const RpcResult r = as("VENDEDOR", {nr(2), "01", QVariant(), 10, bad});
        EXPECT_TRUE(r.error.startsWith("Posição de continuação do histórico inválida")) << bad.toStdString() << r.error.toStdString();
    }
    for (const QVariant& rows : {QVariant(0), QVariant(-3), QVariant("muitas")})
        EXPECT_FALSE(as("VENDEDOR", {nr(2), "01", QVariant(), rows}).ok) << rows.toString().toStdString();
    EXPECT_FALSE(as("VENDEDOR", {nr(2), "01", "PROPOSTAFAS; DROP", 10}).ok);

    // More than the limit reads the limit, and says where the rest starts.
    {
        server::Transaction tx(server_.db());
        for (int i = 0; i < 1001; ++i) store(QDateTime(QDate(2026, 11, 3), QTime(9, 0)).addSecs(i), 1, "F");
        tx.commit();
    }
    const Packet first = page({nr(2), "01", QVariant(), 5000});
    ASSERT_EQ(first.rows.size(), 1000);
    ASSERT_FALSE(first.rows.last().last().isNull());
    EXPECT_EQ(page({nr(2), "01", QVariant(), 5000, first.rows.last().last()}).rows.size(), 1);
    EXPECT_EQ(page({nr(2), "01"}).rows.size(), 200) << "the old call reads the first page";
}

// An old value of any length comes cut with a visible mark; a page of long values ends early.
TEST_P(HistoryBounds, LongOldValuesAreCutAndAPageHoldsAStatedAmount) {
    const QString huge(200'000, u'x'), exact(65'536, u'y');
    store(QDateTime(QDate(2026, 11, 4), QTime(9, 0)), 1, "LONGO", huge, QString(70'000, QChar(0x00e9)));
    store(QDateTime(QDate(2026, 11, 4), QTime(9, 1)), 1, "EXATO", exact, QVariant());
    const Packet p = page({nr(2), "01"});
    ASSERT_EQ(column(p, "NMCAMPO"), QStringList({"EXATO", "LONGO"}));
    EXPECT_EQ(p.value(0, "VLANTERIOR").toString(), exact) << "a value at the limit is whole";
    EXPECT_TRUE(p.value(0, "VLNOVO").isNull());
    EXPECT_EQ(p.value(1, "VLANTERIOR").toString(), QString(65'535, u'x') + QChar(0x2026));
    EXPECT_EQ(p.value(1, "VLNOVO").toString(), QString(65'535, QChar(0x00e9)) + QChar(0x2026));

    // Twenty rows of two long values: 16 of them fill a page's 2 Mi characters.
    server_.db().exec(QStringLiteral("DELETE FROM HISTPROP"));
    for (int i = 0; i < 20; ++i) store(QDateTime(QDate(2026, 11, 5), QTime(9, 0)).addSecs(i), 1, "F", huge, huge);
    QList<qsizetype> sizes;
    for (const Packet& p : allPages(1000)) sizes << p.rows.size();
    EXPECT_EQ(sizes, (QList<qsizetype>{16, 4}));
}

// VENDEDOR changes and then deletes his 9/01 (branch 0001) and 14/01 (branch 0002).
// ASSIST, who sees only his own, reads neither; GERENTE, whose group sees branch 0001
// only, reads 9/01 but not 14/01, stored or deleted; VENDEDOR reads both. ASSIST taking the
// key 9/01 again reads only what he did with it.
TEST_P(HistoryBounds, TheHistoryFollowsWhoMaySeeTheVersionAfterItIsDeleted) {
    const QList<FieldDef> reference{kHeader[0], kHeader[1], kHeader[6]};
    for (const int n : {9, 14}) {
        const QString before =
            server_.db()
                .scalar("SELECT DSREFEPROPOSFAS FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N", {{"N", nr(n)}})
                .toString();
        ASSERT_TRUE(save("VENDEDOR", {reference, {{ChangeOp::Update, {nr(n), "01", before}, {nr(n), "01", "R$ 9.999,00"}}}}).ok);
    }
    const auto reads = [&](const QString& op, int n) { return as(op, {nr(n), "01"}); };
    EXPECT_FALSE(reads("GERENTE", 14).ok) << "another branch's version, stored";
    EXPECT_FALSE(reads("ASSIST", 9).ok) << "another operator's version, stored";

    for (const int n : {9, 14})
        ASSERT_TRUE(save("VENDEDOR", {{kHeader[0], kHeader[1]}, {{ChangeOp::Delete, {nr(n), "01"}, {}}}}).ok);
    EXPECT_EQ(reads("ASSIST", 9).error, "O operador ASSIST não pode ver o histórico da proposta 9/01.");
    EXPECT_FALSE(reads("GERENTE", 14).ok) << "another branch's version, deleted";
    for (const auto& [op, n] : std::vector<std::pair<QString, int>>{{"GERENTE", 9}, {"VENDEDOR", 9}, {"VENDEDOR", 14}}) {
        const RpcResult r = reads(op, n);
        ASSERT_TRUE(r.ok) << op.toStdString() << ' ' << n << ": " << r.error.toStdString();
        const Packet h = r.value.value<Packet>();
        EXPECT_EQ(h.value(0, "IDOPERHIST").toString(), "E");
        EXPECT_TRUE(column(h, "VLNOVO").contains("R$ 9.999,00"));
    }

    // The key taken again: the earlier life's rows stay with those who could see it.
    const Delta again{kHeader, {{ChangeOp::Insert, {}, {nr(9), "01", "0001", "N", "C", "22333444000172", "Nova", "ASSIST", "ASSIST"}}}};
    ASSERT_TRUE(save("ASSIST", again).ok);
    const RpcResult mine = reads("ASSIST", 9);
    ASSERT_TRUE(mine.ok) << mine.error.toStdString();
    const Packet h = mine.value.value<Packet>();
    EXPECT_FALSE(h.isEmpty());
    EXPECT_EQ(column(h, "CDOPERADOR"), QStringList(h.rows.size(), "ASSIST"));
    EXPECT_FALSE(column(h, "VLNOVO").contains("R$ 9.999,00"));
    EXPECT_GT(reads("GERENTE", 9).value.value<Packet>().rows.size(), h.rows.size()) << "the manager reads both lives";
}

COT_ON_EVERY_BACKEND(HistoryBounds);

}  // namespace
