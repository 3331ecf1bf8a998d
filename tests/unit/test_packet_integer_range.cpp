// Numbers in packet texts that do not fit what they describe. Integer cells beyond 64 bits:
// converting such a double is undefined behaviour, so both packet readers refuse them with
// the codec's message.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <limits>

#include "data/packet.h"
#include "data/packet_json_reader.h"

namespace {

using namespace cot;

QByteArray integerPacket(const char* number) {
    return QByteArray(R"({"fields":[{"name":"QT","type":"integer"}],"rows":[[)") + number + "]]}";
}

TEST(PacketIntegerRange, NumbersBeyondSixtyFourBitsAreRefusedByBothReaders) {
    for (const char* number : {"777777777777777777777777777777777777777777777777777777777772", "9.3e18", "-9.3e18",
                               "1e308"}) {
        const QByteArray text = integerPacket(number);
        EXPECT_THROW(packetFromJsonText(text), PacketError) << number;
        EXPECT_THROW(packetFromJson(QJsonDocument::fromJson(text).object()), PacketError) << number;
    }
}

TEST(PacketIntegerRange, WholeNumbersAtTheEdgesAndFractionsStillRead) {
    const struct {
        const char* text;
        qint64 expected;
    } cases[] = {{"9223372036854775807", std::numeric_limits<qint64>::max()},
                 {"-9223372036854775808", std::numeric_limits<qint64>::min()},
                 {"-9.2233720368547758e18", std::numeric_limits<qint64>::min()},
                 {"12.9", 12},
                 {"-3.5", -3}};
    for (const auto& c : cases) {
        const QByteArray text = integerPacket(c.text);
        EXPECT_EQ(packetFromJsonText(text).rows.at(0).at(0).toLongLong(), c.expected) << c.text;
        EXPECT_EQ(packetFromJson(QJsonDocument::fromJson(text).object()).rows.at(0).at(0).toLongLong(), c.expected)
            << c.text;
    }
}

// The fast reader goes through RapidJSON's full-precision path for these.
TEST(PacketIntegerRange, ZeroWithAHugeExponentReadsAsZero) {
    const QByteArray text = R"({"fields":[{"name":"F","type":"float"},{"name":"T","type":"string"}],)"
                            R"("rows":[[0e308,"0e308"],[-0.0E-400,"a\"0e5"],[5e-324,""],[10e2,""],[0.05e2,""]]})";
    const Packet packet = packetFromJsonText(text);
    EXPECT_EQ(packet.rows.at(0).at(0).toDouble(), 0.0);
    EXPECT_EQ(packet.rows.at(0).at(1).toString(), QStringLiteral("0e308"));
    EXPECT_EQ(packet.rows.at(1).at(0).toDouble(), 0.0);
    EXPECT_EQ(packet.rows.at(1).at(1).toString(), QStringLiteral("a\"0e5"));
    EXPECT_EQ(packet.rows.at(2).at(0).toDouble(), std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(packet.rows.at(3).at(0).toDouble(), 1000.0);
    EXPECT_EQ(packet.rows.at(4).at(0).toDouble(), 5.0);
    EXPECT_THROW(packetFromJsonText(R"({"fields":[{"name":"F","type":"float"}],"rows":[[0e]]})"), PacketError);
}

TEST(PacketIntegerRange, CoercingAnOutOfRangeTextGivesNull) {
    EXPECT_TRUE(coerceValue(QStringLiteral("1e30"), FieldType::Integer).isNull());
    EXPECT_EQ(coerceValue(QStringLiteral("42.7"), FieldType::Integer).toLongLong(), 42);
}

// A negative size was kept as read and then dropped by the writer, so a packet or delta
// changed on its way back; both readers take it, like any unusable size, as no size.
TEST(PacketIntegerRange, NegativeFieldSizeReadsAsNoSize) {
    const QByteArray packet = R"({"fields":[{"name":"A","type":"string","size":-71}],"rows":[["x"]]})";
    EXPECT_EQ(packetFromJsonText(packet).fields.at(0).size, 0);
    EXPECT_EQ(packetFromJson(QJsonDocument::fromJson(packet).object()).fields.at(0).size, 0);
    const QByteArray delta =
        R"({"fields":[{"name":"A","type":"string","size":-1}],"changes":[{"op":"insert","new":["x"]}]})";
    EXPECT_EQ(deltaFromJson(QJsonDocument::fromJson(delta).object()).fields.at(0).size, 0);
}

}  // namespace
