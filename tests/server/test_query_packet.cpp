// Lists written straight from the query must carry what the packet built by query()
// carries, cell for cell, on both engines.
#include <gtest/gtest.h>

#include <QJsonDocument>

#include "data/packet_json_reader.h"
#include "support/packet_cells.h"
#include "server/storage/query_packet.h"
#include "test_storage_engines.h"

using namespace cot;
using cot::testing::expectSameCells;
using namespace cot::server;
using cot::server::testing::ScratchDatabase;

namespace {

constexpr int kRows = 100000;

const QList<FieldDef> kFields{{"ID", FieldType::Integer, 0},  {"GRANDE", FieldType::Integer, 0},
                              {"NOME", FieldType::String, 60}, {"VALOR", FieldType::Float, 0},
                              {"DT", FieldType::DateTime, 0},  {"OBS", FieldType::Memo, 0},
                              {"ATIVO", FieldType::Boolean, 0}, {"CODIGO", FieldType::String, 12}};

class QueryPacketTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        scratch_ = std::make_unique<ScratchDatabase>(GetParam());
        db().exec("CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, GRANDE BIGINT, NOME VARCHAR(60), "
                  "VALOR DOUBLE PRECISION, DT TIMESTAMP, OBS TEXT, ATIVO INTEGER, CODIGO VARCHAR(12))");
        const bool sqlite = db().dialect() == Dialect::Sqlite;
        // Nulls in every column, accents, quotes, backslashes, line breaks, integers past
        // 2^53, fractions, dates with and without a time, numbers read as text.
        const QString values = QStringLiteral(
            "SELECT I, CASE WHEN I % 11 = 0 THEN NULL ELSE I * 92233720368 END, "
            "CASE WHEN I % 7 = 0 THEN NULL ELSE 'Ação \"' || I || '\" \\ çã' || CHR(10) || 'fim' END, "
            "CASE WHEN I % 13 = 0 THEN NULL ELSE I / 7.0 END, "
            "CASE WHEN I % 17 = 0 THEN NULL %1 END, "
            "CASE WHEN I % 19 = 0 THEN NULL ELSE 'memo ' || I END, "
            "CASE WHEN I % 23 = 0 THEN NULL ELSE I % 2 END, "
            "CASE WHEN I % 29 = 0 THEN NULL ELSE '' || (I * 3) END");
        if (sqlite) {
            db().exec(QStringLiteral("WITH RECURSIVE SEQ(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM SEQ WHERE I < %1) "
                                     "INSERT INTO T %2 FROM SEQ")
                          .arg(kRows)
                          .arg(values.arg("WHEN I % 5 = 0 THEN date('2000-01-01', '+' || I || ' days') "
                                          "ELSE datetime('2000-01-01', '+' || I || ' minutes')")
                                   .replace("CHR(10)", "char(10)")));
        } else {
            db().exec(QStringLiteral("INSERT INTO T %1 FROM generate_series(1, %2) AS SEQ(I)")
                          .arg(values.arg("ELSE TIMESTAMP '2000-01-01' + I * INTERVAL '1 minute'"))
                          .arg(kRows));
        }
    }
    Database& db() { return scratch_->db(); }
    std::unique_ptr<ScratchDatabase> scratch_;
};


// What the desktop received before lists were streamed: the packet built by query(),
// through the packet codec.
Packet throughCodec(const Packet& p) {
    return packetFromJson(QJsonDocument::fromJson(QJsonDocument(packetToJson(p)).toJson(QJsonDocument::Compact)).object());
}

}  // namespace

TEST_P(QueryPacketTest, StreamedRowsMatchTheBuiltPacketCellForCell) {
    const QString sql = QStringLiteral("SELECT ID, GRANDE, NOME, VALOR, DT, OBS, ATIVO, CODIGO FROM T ORDER BY ID");
    QueryPacket list{sql, {}, kFields, {}, {}};
    QByteArray text;
    list.writeTo(db(), text);
    const Packet streamed = packetFromJsonText(text);
    ASSERT_EQ(streamed.rows.size(), kRows);
    expectSameCells(throughCodec(db().query(sql, {}, kFields)), streamed);
}

TEST_P(QueryPacketTest, ComputedFieldsAndLeftOutRowsFollowTheRowRead) {
    QueryPacket list;
    list.sql = QStringLiteral("SELECT ID, NOME, DT FROM T WHERE ID <= :ATE ORDER BY ID");
    list.params = {{"ATE", 200}};
    list.fields = {{"ID", FieldType::Integer, 0}, {"ROTULO", FieldType::String, 80}, {"DIA", FieldType::DateTime, 0},
                   {"AUSENTE", FieldType::String, 5}};
    auto nome = std::make_shared<RowColumn>("NOME");
    auto dt = std::make_shared<RowColumn>("DT");
    list.computed.insert("ROTULO", [nome](const SqlRow& row) -> QVariant { return "» " + textOf(row, nome->in(row)); });
    list.computed.insert("DIA", [dt](const SqlRow& row) -> QVariant {
        const QDateTime d = dateOf(row, dt->in(row));
        return d.isValid() ? QVariant(QDateTime(d.date(), QTime(0, 0))) : QVariant();
    });
    list.keep = [](const SqlRow& row) { return row.integer(0) % 3 != 0; };
    QByteArray text;
    list.writeTo(db(), text);
    const Packet p = packetFromJsonText(text);

    const Packet source = db().query("SELECT ID, NOME, DT FROM T WHERE ID <= 200 ORDER BY ID", {},
                                     {{"NOME", FieldType::String, 60}, {"DT", FieldType::DateTime, 0}});
    QList<QVariantList> expected;
    for (const QVariantList& row : source.rows) {
        if (row[0].toLongLong() % 3 == 0) continue;
        const QDateTime d = row[2].toDateTime();
        expected.append({row[0], "» " + row[1].toString(), d.isValid() ? QVariant(QDateTime(d.date(), QTime(0, 0))) : QVariant(),
                         QVariant()});
    }
    expectSameCells(Packet{list.fields, expected}, p);
}

TEST_P(QueryPacketTest, AFailingQueryIsAnEngineErrorAndWritesNoRows) {
    QueryPacket list{QStringLiteral("SELECT NADA FROM TABELA_QUE_NAO_EXISTE"), {}, kFields, {}, {}};
    QByteArray text;
    EXPECT_THROW(list.writeTo(db(), text), DatabaseError);
}

INSTANTIATE_TEST_SUITE_P(Db, QueryPacketTest, ::testing::ValuesIn(cot::server::testing::engines()),
                         [](const auto& info) { return info.param; });
