// Numbers in packet texts that do not fit what they describe. Integer cells beyond 64 bits:
// converting such a double is undefined behaviour, so both packet readers refuse them with
// the codec's message. Numbers beyond a double are refused by both readers as well.

#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <limits>

#include "data/packet_json_reader.h"
#include "data/packet_json_value.h"
#include "unit_cases.h"

namespace {

QByteArray floatPacket(const QByteArray& number, const char* type = "float") {
    return R"({"fields":[{"name":"F","type":")" + QByteArray(type) + R"("}],"rows":[[)" + number + "]]}";
}

QByteArray digits(int count, char digit = '0') { return QByteArray(count, digit); }

QString fastReaderError(const QByteArray& text) { return whatOf<PacketError>([&] { packetFromJsonText(text); }); }

// Both readers read the same integer, or both refuse it (null: refused).
TEST(PacketIntegerRange, WholeNumbersAtTheEdgesReadAndThoseBeyondAreRefusedByBothReaders) {
    const std::pair<const char*, std::optional<qint64>> cases[] = {
        {"9223372036854775807", std::numeric_limits<qint64>::max()},
        {"-9223372036854775808", std::numeric_limits<qint64>::min()},
        {"-9.2233720368547758e18", std::numeric_limits<qint64>::min()}, {"12.9", 12}, {"-3.5", -3},
        {"777777777777777777777777777777777777777777777777777777777772", {}}, {"9.3e18", {}}, {"-9.3e18", {}},
        {"1e308", {}}};
    for (const auto& [number, expected] : cases) {
        const QByteArray text = floatPacket(number, "integer");
        for (const auto& read : {std::function<Packet()>([&] { return packetFromJsonText(text); }),
                                 std::function<Packet()>([&] { return packetFromJson(QJsonDocument::fromJson(text).object()); })}) {
            if (expected) {
                EXPECT_EQ(read().rows.at(0).at(0).toLongLong(), *expected) << number;
            } else {
                EXPECT_THROW(read(), PacketError) << number;
            }
        }
    }
    EXPECT_TRUE(coerceValue(QStringLiteral("1e30"), FieldType::Integer).isNull());
    EXPECT_EQ(coerceValue(QStringLiteral("42.7"), FieldType::Integer).toLongLong(), 42);
}

// The fast reader goes through RapidJSON's full-precision path for these.
TEST(PacketIntegerRange, ZeroWithAHugeExponentOrALongFractionReadsAsZero) {
    const QByteArray text = R"({"fields":[{"name":"F","type":"float"},{"name":"T","type":"string"}],)"
                            R"("rows":[[0e308,"0e308"],[-0.0E-400,"a\"0e5"],[5e-324,""],[10e2,""],[0.05e2,""],)"
                            "[-0." + digits(400) + ",\"\"],[0." + digits(30) + "e-9,\"\"]]}";
    const Packet packet = packetFromJsonText(text);
    QList<double> numbers;
    for (const QVariantList& row : packet.rows) numbers << row.at(0).toDouble();
    // Compared bit for bit: a negative zero keeps its sign.
    EXPECT_EQ(numbers, (QList<double>{0.0, -0.0, std::numeric_limits<double>::denorm_min(), 1000.0, 5.0, -0.0, 0.0}));
    EXPECT_EQ(packet.rows.at(0).at(1).toString() + packet.rows.at(1).at(1).toString(), QStringLiteral("0e308a\"0e5"));
    EXPECT_THROW(packetFromJsonText(R"({"fields":[{"name":"F","type":"float"}],"rows":[[0e]]})"), PacketError);
}

// Beyond a double RapidJSON reads past its table of powers of ten, or reads NaN or a wrong
// sign: such numbers are refused with a message of their own, as the codec refuses them, and
// the reader of replies just finds no JSON. A text that merely looks like one is kept.
TEST(PacketIntegerRange, NumbersBeyondADoubleAreRefused) {
    const QByteArray numbers[] = {"1234567890" + digits(90, '7') + "e308", "0." + digits(100) + "1e-300",
                                  "-0." + digits(400) + "1", "1" + digits(310), "1e400", "-1e-400",
                                  "1e99999999999999999999", "1.8e308", "-1.7976931348623159e308", "1e-324",
                                  "2.4703282292062327e-324", "123.4e-328"};
    for (const QByteArray& number : numbers) {
        QByteArray text = floatPacket(number);
        EXPECT_EQ(fastReaderError(text), "Pacote de dados inválido: número grande ou pequeno demais.") << number.constData();
        EXPECT_THROW(packetFromJson(QJsonDocument::fromJson(text).object()), PacketError) << number.constData();
        rapidjson::Document doc;
        EXPECT_FALSE(parseJsonInPlace(doc, text.data())) << number.constData();
    }
    // RapidJSON rounds these into 64 bits and gets zero.
    for (const QByteArray& number : {QByteArray("-1844674407370955161.55e-3"), "0." + digits(35) + "184467440737095516155"}) {
        EXPECT_EQ(fastReaderError(floatPacket(number)),
                  "Pacote de dados inválido: número com algarismos significativos demais.") << number.constData();
    }
    const QByteArray text = R"({"fields":[{"name":"T","type":"string"}],"rows":[["1e400"],["0.)" + digits(400) + "1\"]]}";
    const Packet packet = packetFromJsonText(text);
    EXPECT_EQ(std::pair(packet.rows.at(0).at(0).toString(), packet.rows.at(1).at(0).toString().size()),
              std::pair(QString("1e400"), qsizetype(403)));
}

// Up to the largest and down to the least double, numbers read as the C library reads them.
TEST(PacketIntegerRange, NumbersWithinADoubleReadAsBefore) {
    const QByteArray numbers[] = {"1e308", "-1e308", "1.5e-300", "123456789012345678901234567890", "1.7976931348623157e308",
                                  "1.7976931348623158e308", "0.17976931348623157e309", "1" + digits(300), "0." + digits(300) + "1",
                                  "4.9e-324", "-5e-324", "2.4703282292062328e-324", "1e-320", "12.5e-3", "18446744073709551615",
                                  "-18446744073709551615.4", "18446744073709551625"};
    for (const QByteArray& number : numbers)
        EXPECT_EQ(packetFromJsonText(floatPacket(number)).rows.at(0).at(0).toDouble(),
                  std::strtod(number.constData(), nullptr))
            << number.constData();
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
