// Packets and deltas cross the wire unchanged, and bad text is refused clearly. The fast
// packet text (written row by row, read without a document tree) carries exactly what the
// packet codec carries, for every kind of value, at list sizes.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <limits>

#include "data/packet.h"
#include "data/packet_json_reader.h"
#include "data/packet_json_writer.h"
#include "support/packet_cells.h"

using namespace cot;
using cot::testing::expectSameCells;

namespace {

QJsonObject unwire(const QByteArray& text) { return QJsonDocument::fromJson(text).object(); }
QByteArray wire(const QJsonObject& o) { return QJsonDocument(o).toJson(QJsonDocument::Compact); }

// 100k rows of every field type: nulls, accents and emoji, quotes, backslashes and
// control characters, integers past 2^53, doubles that need all their digits, dates
// with milliseconds and at the day's edges.
Packet largePacket() {
    Packet p;
    p.fields = {{"TEXTO", FieldType::String, 60}, {"FIXO", FieldType::FixedString, 1},
                {"INT", FieldType::Integer, 0},   {"VALOR", FieldType::Float, 0},
                {"DATA", FieldType::DateTime, 0}, {"MEMO", FieldType::Memo, 0},
                {"ATIVO", FieldType::Boolean, 0}};
    const QString texts[] = {"Ação çãõ 中文 😀", "\"aspas\" e \\barra\\", "linha\nnova\ttab\x01\x1f", "", "O'Brien"};
    const double doubles[] = {0.1, 0.1 + 0.2, 1e-300, std::numeric_limits<double>::max(), -2.5, 33.339,
                              std::numeric_limits<double>::denorm_min(), 123456789.123456789, -0.0, 1e21};
    const qint64 ints[] = {0, -1, 9007199254740993LL, std::numeric_limits<qint64>::max(),
                           std::numeric_limits<qint64>::min() + 1, 42};
    p.rows.reserve(100000);
    for (int r = 0; r < 100000; ++r) {
        auto maybe = [r](int every, QVariant v) { return r % every == 0 ? QVariant() : v; };
        p.rows.append({maybe(7, texts[r % 5] + QString::number(r)), maybe(11, QString(QChar(u'A' + r % 26))),
                       maybe(13, ints[r % 6] - (r % 6 == 3 ? r : 0)), maybe(17, r % 3 == 0 ? doubles[r % 10] : -doubles[r % 10]),
                       maybe(19, QDateTime(QDate(1900, 1, 1).addDays(r % 60000), QTime(r % 24, r % 60, r % 60, r % 1000))),
                       maybe(23, QString("memo {\\rtf1 %1}").arg(r)), maybe(29, r % 2 == 0)});
    }
    return p;
}

template <typename Read>
QString errorOf(Read read) {
    try {
        read();
    } catch (const PacketError& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

}  // namespace

TEST(PacketJson, LargePacketSurvivesCellForCellThroughBothWritersAndReaders) {
    const Packet p = largePacket();
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
}

TEST(PacketJson, DeltaRoundTripKeepsOperationsAndBothSides) {
    Delta d;
    d.fields = {{"CODIGO", FieldType::String, 10}, {"VALOR", FieldType::Float, 0}};
    d.changes = {{ChangeOp::Insert, {}, {"1", 0.1}},
                 {ChangeOp::Update, {"2", 33.339}, {"2", QVariant()}},
                 {ChangeOp::Delete, {"3", 1e-300}, {}}};
    const Delta back = deltaFromJson(unwire(wire(deltaToJson(d))));
    EXPECT_EQ(back.fields, d.fields);
    ASSERT_EQ(back.changes.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(back.changes[i].op, d.changes[i].op);
        EXPECT_EQ(back.changes[i].oldValues, d.changes[i].oldValues);
        EXPECT_EQ(back.changes[i].newValues.size(), d.changes[i].newValues.size());
    }
    EXPECT_TRUE(back.changes[1].newValues[1].isNull());
    EXPECT_EQ(back.changes[0].newValues[1].toDouble(), 0.1);
}

TEST(PacketJson, StoredDatesAreWrittenAsThePacketDateOrRefused) {
    const QList<FieldDef> fields{{"DATA", FieldType::DateTime, 0}};
    QByteArray out;
    PacketJsonWriter w(out, fields);
    const std::pair<const char*, bool> stored[] = {
        {"2026-12-06 10:30:15", true}, {"2026-12-06", true}, {"2026-12-06T10:30:15.250", true},
        {"2026-02-30", false}, {"2026-13-01 00:00:00", false}, {"2026-12-06 24:00:00", false},
        {"06/12/2026", false}, {"2026-1-6", false}};
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
    const QByteArray cases[] = {
        R"({})", R"({"rows":[]})", R"({"fields":{}})", R"({"fields":[{"type":"string"}],"rows":[]})",
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

    for (const QByteArray& delta :
         {QByteArray(R"({"fields":[{"name":"A","type":"string"}]})"),
          QByteArray(R"({"fields":[{"name":"A","type":"string"}],"changes":[{"op":"merge","new":["x"]}]})"),
          QByteArray(R"({"fields":[{"name":"A","type":"string"}],"changes":[{"op":"update","new":["x"]}]})"),
          QByteArray(R"({"fields":[{"name":"A","type":"string"}],"changes":[{"op":"delete"}]})")}) {
        EXPECT_FALSE(errorOf([&] { deltaFromJson(unwire(delta)); }).isEmpty()) << delta.constData();
    }
}
