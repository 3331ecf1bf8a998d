// Packets and deltas cross the wire unchanged, and bad text is refused clearly. The fast
// packet text (written row by row, read without a document tree) carries exactly what the
// packet codec carries, for every kind of value, at list sizes.

#include <QJsonDocument>

#include "data/packet_json_reader.h"
#include "data/packet_json_writer.h"
#include "support/packet_cells.h"
#include "sample_packet.h"
#include "unit_cases.h"

using namespace cot::testing;

namespace {

QJsonObject unwire(const QByteArray& text) { return QJsonDocument::fromJson(text).object(); }
QByteArray wire(const QJsonObject& o) { return QJsonDocument(o).toJson(QJsonDocument::Compact); }

const auto errorOf = whatOf<PacketError>;

}  // namespace

TEST(PacketJson, LargePacketSurvivesCellForCellThroughBothWritersAndReaders) {
    const Packet p = cot::testing::samplePacket(100000);
    const QByteArray text = packetJsonText(p);
    const QByteArray codecText = wire(packetToJson(p));
    // Doubles bit for bit, not "close enough"; each reader reads each writer's text.
    expectSameCells(p, packetFromJson(unwire(codecText)));
    expectSameCells(p, packetFromJson(unwire(text)));
    expectSameCells(p, packetFromJsonText(text));
    expectSameCells(p, packetFromJsonText(codecText));
}

TEST(PacketJson, ValuesOfAnotherTypeAreNormalisedAsTheCodecDoes) {
    Packet p;
    p.fields = {{"INT", FieldType::Integer, 0}, {"VALOR", FieldType::Float, 0}, {"DATA", FieldType::DateTime, 0},
                {"TEXTO", FieldType::String, 10}, {"ATIVO", FieldType::Boolean, 0}};
    p.rows = {{"12", "1500,5", "2026-12-06 10:30:00", qint64(7), "S"},
              {12.9, QString("abc"), QDate(2026, 2, 28), 2.5, QString("0")},
              {QString(), QVariant(), QString("não é data"), QVariant(), QVariant()}};
    p.rows.append(QVariantList{qint64(1)});  // a short row is completed with nulls
    expectSameCells(packetFromJson(unwire(wire(packetToJson(p)))), packetFromJsonText(packetJsonText(p)));

    // A delta round trip keeps the operations and both sides.
    Delta d;
    d.fields = {{"CODIGO", FieldType::String, 10}, {"VALOR", FieldType::Float, 0}};
    d.changes = {{ChangeOp::Insert, {}, {"1", 0.1}}, {ChangeOp::Update, {"2", 33.339}, {"2", QVariant()}},
                 {ChangeOp::Delete, {"3", 1e-300}, {}}};
    const Delta back = deltaFromJson(unwire(wire(deltaToJson(d))));
    EXPECT_EQ(back.fields, d.fields);
    EXPECT_EQ(cot::testing::changesOf(back), (QStringList{"insert  > 1|0.1", "update 2|33.339 > 2|<null>", "delete 3|1e-300 > "}));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(back.changes[i].oldValues, d.changes[i].oldValues) << i;
}

TEST(PacketJson, StoredDatesAreWrittenAsThePacketDateOrRefused) {
    const QList<FieldDef> fields{{"DATA", FieldType::DateTime, 0}};
    QByteArray out;
    PacketJsonWriter w(out, fields);
    const std::pair<const char*, bool> stored[] = {
        {"2026-12-06 10:30:15", true}, {"2026-12-06", true}, {"2026-12-06T10:30:15.250", true}, {"2026-02-30", false},
        {"2026-13-01 00:00:00", false}, {"2026-12-06 24:00:00", false}, {"06/12/2026", false}, {"2026-1-6", false}};
    for (const auto& [text, ok] : stored) {
        w.beginRow();
        EXPECT_EQ(w.storedDate(text), ok) << text;
        w.endRow();  // a refused cell is left null
    }
    w.finish();
    QList<QDateTime> read;
    for (const QVariantList& row : packetFromJsonText(out).rows) read << row[0].toDateTime();
    EXPECT_EQ(read, (QList<QDateTime>{QDateTime(QDate(2026, 12, 6), QTime(10, 30, 15)),
                                      QDateTime(QDate(2026, 12, 6), QTime(0, 0)),
                                      QDateTime(QDate(2026, 12, 6), QTime(10, 30, 15, 250)), {}, {}, {}, {}, {}}));
}

TEST(PacketJson, MalformedTextIsRefusedByBothReadersWithTheSameMessage) {
    const QByteArray cases[] = {R"({})",
                                R"({"rows":[]})",
                                R"({"fields":{}})",
                                R"({"fields":[{"type":"string"}],"rows":[]})",
                                R"({"fields":[{"name":"A","type":"blob"}],"rows":[]})",
                                R"({"fields":[{"name":"A","type":"string"}],"rows":{}})",
                                R"({"fields":[{"name":"A","type":"string"}],"rows":[1]})",
                                R"({"fields":[{"name":"A","type":"string"}],"rows":["x"]})",
                                R"({"fields":[{"name":"A","type":"string"}],"rows":[["a","b"]]})",
                                R"({"fields":[{"name":"A","type":"string"}],"rows":[[1]]})",
                                R"({"fields":[{"name":"A","type":"integer"}],"rows":[["12"]]})",
                                R"({"fields":[{"name":"A","type":"float"}],"rows":[["1,5"]]})",
                                R"({"fields":[{"name":"A","type":"datetime"}],"rows":[["amanhã"]]})",
                                R"({"fields":[{"name":"A","type":"boolean"}],"rows":[["S"]]})"};
    for (const QByteArray& text : cases) {
        const QString expected = errorOf([&] { packetFromJson(unwire(text)); });
        EXPECT_FALSE(expected.isEmpty()) << text.constData();
        EXPECT_EQ(errorOf([&] { packetFromJsonText(text); }), expected) << text.constData();
    }
    EXPECT_TRUE(errorOf([] { packetFromJson(unwire(R"({"fields":[{"name":"A","type":"blob"}],"rows":[]})")); }).contains("A"));
    EXPECT_TRUE(errorOf([] { packetFromJson(unwire(R"({"fields":[{"name":"A","type":"string"}],"rows":[[null]]})")); }).isEmpty());
    EXPECT_FALSE(errorOf([] { packetFromJsonText(R"({"fields":[{"name":"A","type":"string"}],"rows":[["a"]]} lixo)"); }).isEmpty());
    EXPECT_FALSE(errorOf([] { packetFromJsonText(""); }).isEmpty());

    for (const char* changes : {"", R"(,"changes":[{"op":"merge","new":["x"]}])", R"(,"changes":[{"op":"update","new":["x"]}])",
                                R"(,"changes":[{"op":"delete"}])"}) {
        const QByteArray delta = R"({"fields":[{"name":"A","type":"string"}])" + QByteArray(changes) + "}";
        EXPECT_FALSE(errorOf([&] { deltaFromJson(unwire(delta)); }).isEmpty()) << delta.constData();
    }
}
