// Saving change logs: all or nothing, optimistic concurrency, only the table's columns.

#include "server/storage/resolver.h"
#include "server_cases_b.h"

using namespace cot;
using namespace cot::server;

namespace {

const QString kConflict = "Registro alterado ou excluído por outro usuário.";

const TableResolver kItens{"TITEMTESTE", {"CDITEM"}, {"CDITEM", "NMITEM", "VRITEM", "DTITEM", "QTITEM", "CDOPERINCL"}};

// A table of the test's own, read with a joined display column like the screens' packets.
void prepare(Database& db) {
    db.exec("CREATE TABLE TITEMTESTE (CDITEM VARCHAR(10) NOT NULL PRIMARY KEY, NMITEM VARCHAR(40), "
            "VRITEM DOUBLE PRECISION, DTITEM TIMESTAMP, QTITEM INTEGER, CDOPERINCL VARCHAR(10))");
    db.exec("INSERT INTO TITEMTESTE (CDITEM, NMITEM, VRITEM, DTITEM, QTITEM) VALUES "
            "('A', 'Licença', 1234.56, '2026-11-30 00:00:00', 2), ('B', NULL, 0.3, NULL, NULL)");
}

void addMethods(MethodRegistry& r) {
    r.add("GetItens", 0, server::AccessRule::session(), [](MethodContext& ctx, const Args&) -> Reply {
        return packetResult(ctx.db.query(
            "SELECT CDITEM, NMITEM, VRITEM, DTITEM, QTITEM, 'Nome ' || CDITEM AS NMJUNTADO FROM TITEMTESTE ORDER BY CDITEM",
            {}, {{"NMJUNTADO", FieldType::String, 40}}));
    });
    r.add("SetItens", 1, server::AccessRule::session(), [](MethodContext& ctx, const Args& a) -> Reply {
        Delta delta = a.delta(0);
        const int oper = ensureDeltaColumn(delta, {"CDOPERINCL", FieldType::String, 10});
        applyDelta(ctx.db, kItens, delta, [oper](RowChange& c) {
            if (c.op == ChangeOp::Insert) c.newValues[oper] = "SERVIDOR";
        });
        return QJsonValue::Null;
    });
}

class ResolverTest : public ::testing::TestWithParam<Backend> {
protected:
    ResolverTest() : server_({.backend = GetParam(), .prepare = prepare, .methods = addMethods}) {}

    Packet load(NetConnection& net) { return net.getPacket("GetItens"); }
    static QVariantList row(const Packet& p, const QString& key) {
        for (const auto& r : p.rows)
            if (r[0] == key) return r;
        return {};
    }
    // `r` with the cells given (column, value) changed.
    static QVariantList with(QVariantList r, std::initializer_list<std::pair<int, QVariant>> cells) {
        for (const auto& [c, v] : cells) r[c] = v;
        return r;
    }
    RpcResult save(NetConnection& net, const Packet& p, QList<RowChange> changes) {
        return net.call("SetItens", {QVariant::fromValue(Delta{p.fields, changes})});
    }
    Packet stored() { return server_.db().query("SELECT * FROM TITEMTESTE ORDER BY CDITEM"); }

    TestServer server_;
};

TEST_P(ResolverTest, ValuesRoundTripAndJoinedColumnsAreIgnored) {
    NetConnection& net = server_.connection();
    const Packet p = load(net);
    ASSERT_EQ(cot::testing::cells(p, 0, {"DTITEM"}) + cot::testing::cells(p, 1, {"NMITEM", "DTITEM"}) << QString::number(p.rows.size()),
              QStringList({"30/11/2026", "<null>", "<null>", "2"}));

    const QDateTime when(QDate(2027, 1, 31), QTime(23, 59, 58));
    const QVariantList c{"C", "Manutenção \"mensal\"; --", 0.1 + 0.2, when, qint64(3), "ignorado"};
    // A text and a date cleared to null, and the joined column changed too (it is not the
    // table's); a null text and date filled.
    const QVariantList a = row(p, "A"), b = row(p, "B");
    const RpcResult r = save(net, p,
                             {{ChangeOp::Insert, {}, c},
                              {ChangeOp::Update, a, with(a, {{1, {}}, {3, QDateTime()}, {5, "outro nome"}})},
                              {ChangeOp::Update, b, with(b, {{1, "preenchido"}, {3, when}})}});
    ASSERT_TRUE(r.ok) << r.error.toStdString();

    const Packet after = load(net);
    ASSERT_EQ(after.rows.size(), 3);
    EXPECT_EQ(row(after, "C"), c.mid(0, 5) + QVariantList{"Nome C"});
    EXPECT_EQ(cot::testing::cells(after, 0, {"NMITEM", "VRITEM", "DTITEM"}), (QStringList{"<null>", "1234.56", "<null>"}));
    EXPECT_EQ(std::pair(row(after, "B")[1], row(after, "B")[3].toDateTime()), std::pair(QVariant("preenchido"), when));
    // The server filled its own column on insert only.
    EXPECT_EQ(cot::testing::cells(stored(), 0, {"CDOPERINCL"}) + column(stored(), "CDOPERINCL"),
              (QStringList{"<null>", "", "", "SERVIDOR"}));

    // Changing rows back from the values just read works too (dates and floats match as stored).
    const QVariantList c2 = row(after, "C");
    ASSERT_TRUE(cot::testing::succeeded(
        save(net, after, {{ChangeOp::Update, c2, with(c2, {{2, 99.0}, {3, QDateTime(QDate(2027, 2, 1), QTime(0, 0))}})}})));
    EXPECT_EQ(row(load(net), "C")[2].toDouble(), 99.0);
}

TEST_P(ResolverTest, AFailingChangeUndoesTheWholeDelta) {
    NetConnection& net = server_.connection();
    const Packet p = load(net);
    const QVariantList a = row(p, "A"), b = row(p, "B");
    const RowChange good{ChangeOp::Update, a, with(a, {{1, "alterado"}})};
    // The third change cannot match.
    const RpcResult r = save(net, p, {{ChangeOp::Insert, {}, {"N", "novo", 1.0, QVariant(), 1, QVariant()}}, good,
                                      {ChangeOp::Update, with(b, {{1, "não é o que está gravado"}}), with(b, {{1, "x"}})}});
    EXPECT_EQ(r.error + "|" + column(stored(), "NMITEM").join('|'), kConflict + "|Licença|");

    // An engine failure (duplicate key) after a good change rolls back as well, without detail.
    const RpcResult dup = save(net, p, {good, {ChangeOp::Insert, {}, {"B", "repetido", 1.0, QVariant(), 1, QVariant()}}});
    EXPECT_EQ(dup.error + "|" + stored().value(0, "NMITEM").toString(), "Erro interno do servidor.|Licença");
}

TEST_P(ResolverTest, TheSecondOfTwoConcurrentEditorsIsRefused) {
    auto first = server_.newConnection(), second = server_.newConnection();
    const Packet p1 = load(*first), p2 = load(*second);
    const QVariantList a = row(p1, "A"), b = row(p1, "B");
    ASSERT_TRUE(save(*first, p1, {{ChangeOp::Update, a, with(a, {{1, "primeiro"}})}}).ok);
    EXPECT_EQ(save(*second, p2, {{ChangeOp::Update, a, with(a, {{1, "segundo"}})}}).error, kConflict);
    // A change to a column the first editor did not touch still goes through; a float column
    // compared from a stale value conflicts like any other.
    EXPECT_TRUE(save(*second, p2, {{ChangeOp::Update, a, with(a, {{4, qint64(9)}})}}).ok);
    EXPECT_EQ(save(*second, p2, {{ChangeOp::Update, with(a, {{2, 1234.57}}), with(a, {{2, 1.0}})}}).error, kConflict);
    EXPECT_EQ(cot::testing::cells(stored(), 0, {"QTITEM", "NMITEM", "VRITEM"}), (QStringList{"9", "primeiro", "1234.56"}));

    // A deleted row conflicts with later changes of it.
    ASSERT_TRUE(save(*first, p1, {{ChangeOp::Delete, b, {}}}).ok);
    EXPECT_EQ(save(*second, p2, {{ChangeOp::Delete, b, {}}}).error + save(*second, p2, {{ChangeOp::Update, b, with(b, {{1, "x"}})}}).error,
              kConflict + kConflict);
    // An update that changes nothing is not a conflict, even for a row that is gone.
    EXPECT_TRUE(save(*second, p2, {{ChangeOp::Update, b, b}}).ok);
    // A delta without the key is refused.
    const Delta keyless{{{"NMITEM", FieldType::String, 40}}, {{ChangeOp::Delete, {"primeiro"}, {}}}};
    EXPECT_EQ(second->call("SetItens", {QVariant::fromValue(keyless)}).error, "Pacote de alterações sem o campo-chave CDITEM.");
    EXPECT_EQ(column(stored(), "CDITEM"), QStringList{"A"});
}

COT_ON_EVERY_BACKEND(ResolverTest);

}  // namespace
