// Packets and deltas must cross the wire unchanged, and bad text must be refused clearly.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <limits>

#include "data/packet.h"
#include "support/packet_cells.h"

using namespace cot;

namespace {

QByteArray wire(const QJsonObject& o) { return QJsonDocument(o).toJson(QJsonDocument::Compact); }

QJsonObject unwire(const QByteArray& text) { return QJsonDocument::fromJson(text).object(); }

QString packetError(const QByteArray& text) {
    try {
        packetFromJson(unwire(text));
    } catch (const PacketError& e) {
        return QString::fromStdString(e.what());
    }
    return {};
}

}  // namespace

TEST(PacketCodec, EveryKindOfValueSurvivesTheRoundTrip) {
    Packet p;
    p.fields = {{"TEXTO", FieldType::String, 50}, {"FIXO", FieldType::FixedString, 1}, {"INT", FieldType::Integer, 0},
                {"VALOR", FieldType::Float, 0},   {"DATA", FieldType::DateTime, 0},    {"MEMO", FieldType::Memo, 0},
                {"ATIVO", FieldType::Boolean, 0}};
    QString rich = "{\\rtf1\\ansi Proposta comercial ção ";
    while (rich.size() < 1024 * 1024) rich += "Licença de uso — manutenção mensal 😀 \\par ";
    const double doubles[] = {0.1, 1e-300, 33.339, std::numeric_limits<double>::max(), -2.5, 1500.5,
                              std::numeric_limits<double>::denorm_min(), 123456789.123456789};
    for (double d : doubles)
        p.rows.append({"Ação çãõ 中文 \"aspas\" \\ barra\n", "S", qint64(9007199254740993LL), d,
                       QDateTime(QDate(2026, 12, 25), QTime(23, 59, 58, 999)), rich, true});
    p.rows.append({QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant()});
    p.rows.append({"", " ", qint64(-1), 0.0, QDateTime(QDate(1900, 1, 1), QTime(0, 0)), "", false});

    // Doubles bit for bit, not "close enough".
    cot::testing::expectSameCells(p, packetFromJson(unwire(wire(packetToJson(p)))));
}

TEST(PacketCodec, DeltaRoundTripKeepsOperationsAndBothSides) {
    Delta d;
    d.fields = {{"CODIGO", FieldType::String, 10}, {"VALOR", FieldType::Float, 0}};
    d.changes = {{ChangeOp::Insert, {}, {"1", 0.1}},
                 {ChangeOp::Update, {"2", 33.339}, {"2", QVariant()}},
                 {ChangeOp::Delete, {"3", 1e-300}, {}}};
    const Delta back = deltaFromJson(unwire(wire(deltaToJson(d))));
    ASSERT_EQ(back.changes.size(), 3);
    EXPECT_EQ(back.fields, d.fields);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(back.changes[i].op, d.changes[i].op);
        EXPECT_EQ(back.changes[i].oldValues, d.changes[i].oldValues);
        EXPECT_EQ(back.changes[i].newValues.size(), d.changes[i].newValues.size());
    }
    EXPECT_TRUE(back.changes[1].newValues[1].isNull());
    EXPECT_EQ(back.changes[0].newValues[1].toDouble(), 0.1);
}

TEST(PacketCodec, MalformedTextIsRefusedWithAReadableMessage) {
    EXPECT_FALSE(packetError(R"({})").isEmpty());
    EXPECT_FALSE(packetError(R"({"fields":{}})").isEmpty());
    EXPECT_FALSE(packetError(R"({"fields":[{"type":"string"}],"rows":[]})").isEmpty());
    EXPECT_TRUE(packetError(R"({"fields":[{"name":"A","type":"blob"}],"rows":[]})").contains("A"));
    EXPECT_FALSE(packetError(R"({"fields":[{"name":"A","type":"string"}],"rows":{}})").isEmpty());
    EXPECT_FALSE(packetError(R"({"fields":[{"name":"A","type":"string"}],"rows":[["x","y"]]})").isEmpty());
    EXPECT_FALSE(packetError(R"({"fields":[{"name":"A","type":"string"}],"rows":["x"]})").isEmpty());
    EXPECT_FALSE(packetError(R"({"fields":[{"name":"A","type":"string"}],"rows":[[1]]})").isEmpty());
    EXPECT_FALSE(packetError(R"({"fields":[{"name":"A","type":"float"}],"rows":[["1,5"]]})").isEmpty());
    EXPECT_FALSE(packetError(R"({"fields":[{"name":"A","type":"datetime"}],"rows":[["ontem"]]})").isEmpty());
    EXPECT_FALSE(packetError(R"({"fields":[{"name":"A","type":"boolean"}],"rows":[["S"]]})").isEmpty());
    EXPECT_TRUE(packetError(R"({"fields":[{"name":"A","type":"string"}],"rows":[[null]]})").isEmpty());

    auto deltaError = [](const QByteArray& text) {
        try {
            deltaFromJson(unwire(text));
        } catch (const PacketError& e) {
            return QString::fromStdString(e.what());
        }
        return QString();
    };
    EXPECT_FALSE(deltaError(R"({"fields":[{"name":"A","type":"string"}]})").isEmpty());
    EXPECT_FALSE(deltaError(R"({"fields":[{"name":"A","type":"string"}],"changes":[{"op":"merge","new":["x"]}]})").isEmpty());
    EXPECT_FALSE(deltaError(R"({"fields":[{"name":"A","type":"string"}],"changes":[{"op":"update","new":["x"]}]})").isEmpty());
    EXPECT_FALSE(deltaError(R"({"fields":[{"name":"A","type":"string"}],"changes":[{"op":"delete"}]})").isEmpty());
}
