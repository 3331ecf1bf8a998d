// The fast packet text (written row by row, read without a document tree) must carry
// exactly what the packet codec carries, for every kind of value, at list sizes.
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
    const double doubles[] = {0.1, 0.1 + 0.2, 1e-300, std::numeric_limits<double>::max(), -2.5, 1500.5,
                              std::numeric_limits<double>::denorm_min(), 123456789.123456789, -0.0, 1e21};
    const qint64 ints[] = {0, -1, 9007199254740993LL, std::numeric_limits<qint64>::max(),
                           std::numeric_limits<qint64>::min() + 1, 42};
    p.rows.reserve(100000);
    for (int r = 0; r < 100000; ++r) {
        auto maybe = [r](int every, QVariant v) { return r % every == 0 ? QVariant() : v; };
        p.rows.append({maybe(7, texts[r % 5] + QString::number(r)), maybe(11, QString(QChar(u'A' + r % 26))),
                       maybe(13, ints[r % 6] - (r % 6 == 3 ? r : 0)), maybe(17, r % 3 == 0 ? doubles[r % 10] : -doubles[r % 10]),
                       maybe(19, QDateTime(QDate(2000, 1, 1).addDays(r % 10000), QTime(r % 24, r % 60, r % 60, r % 1000))),
                       maybe(23, QString("memo {\\rtf1 %1}").arg(r)), maybe(29, r % 2 == 0)});
    }
    return p;
}


QString readError(const QByteArray& text) {
    try {
        packetFromJsonText(text);
    } catch (const PacketError& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

QString codecError(const QByteArray& text) {
    try {
        packetFromJson(QJsonDocument::fromJson(text).object());
    } catch (const PacketError& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

}  // namespace

TEST(PacketJson, LargePacketSurvivesCellForCellAndReadsTheSameThroughTheCodec) {
    const Packet p = largePacket();
    const QByteArray text = packetJsonText(p);
    // What the codec reads from the same text is the oracle: both readers agree.
    const Packet viaCodec = packetFromJson(QJsonDocument::fromJson(text).object());
    expectSameCells(p, viaCodec);
    expectSameCells(p, packetFromJsonText(text));
    // And the fast reader reads the codec's own text the same way.
    expectSameCells(p, packetFromJsonText(QJsonDocument(packetToJson(p)).toJson(QJsonDocument::Compact)));
}

TEST(PacketJson, ValuesOfAnotherTypeAreNormalisedAsTheCodecDoes) {
    Packet p;
    p.fields = {{"INT", FieldType::Integer, 0}, {"VALOR", FieldType::Float, 0}, {"DATA", FieldType::DateTime, 0},
                {"TEXTO", FieldType::String, 10}, {"ATIVO", FieldType::Boolean, 0}};
    p.rows = {{"12", "1500,5", "2026-12-06 10:30:00", qint64(7), "S"},
              {12.9, QString("abc"), QDate(2026, 2, 28), 2.5, QString("0")},
              {QString(), QVariant(), QString("não é data"), QVariant(), QVariant()}};
    p.rows.append(QVariantList{qint64(1)});  // a short row is completed with nulls
    const Packet back = packetFromJsonText(packetJsonText(p));
    const Packet viaCodec = packetFromJson(QJsonDocument::fromJson(QJsonDocument(packetToJson(p)).toJson()).object());
    expectSameCells(viaCodec, back);
}

TEST(PacketJson, StoredDatesAreWrittenAsThePacketDateOrRefused) {
    const QList<FieldDef> fields{{"DATA", FieldType::DateTime, 0}};
    QByteArray out;
    PacketJsonWriter w(out, fields);
    for (const char* stored : {"2026-12-06 10:30:15", "2026-12-06", "2026-12-06T10:30:15.250"}) {
        w.beginRow();
        EXPECT_TRUE(w.storedDate(stored)) << stored;
        w.endRow();
    }
    for (const char* bad : {"2026-02-30", "2026-13-01 00:00:00", "2026-12-06 24:00:00", "06/12/2026", "2026-1-6"}) {
        w.beginRow();
        EXPECT_FALSE(w.storedDate(bad)) << bad;
        w.endRow();  // the refused cell is left null
    }
    w.finish();
    const Packet p = packetFromJsonText(out);
    ASSERT_EQ(p.rows.size(), 8);
    EXPECT_EQ(p.rows[0][0].toDateTime(), QDateTime(QDate(2026, 12, 6), QTime(10, 30, 15)));
    EXPECT_EQ(p.rows[1][0].toDateTime(), QDateTime(QDate(2026, 12, 6), QTime(0, 0)));
    EXPECT_EQ(p.rows[2][0].toDateTime(), QDateTime(QDate(2026, 12, 6), QTime(10, 30, 15, 250)));
    for (int r = 3; r < 8; ++r) EXPECT_TRUE(p.rows[r][0].isNull());
}

TEST(PacketJson, MalformedTextIsRefusedWithTheCodecsMessages) {
    const QByteArray cases[] = {
        R"({"rows":[]})",
        R"({"fields":[{"type":"string"}],"rows":[]})",
        R"({"fields":[{"name":"A","type":"blob"}],"rows":[]})",
        R"({"fields":[{"name":"A","type":"string"}],"rows":{}})",
        R"({"fields":[{"name":"A","type":"string"}],"rows":[1]})",
        R"({"fields":[{"name":"A","type":"string"}],"rows":[["a","b"]]})",
        R"({"fields":[{"name":"A","type":"integer"}],"rows":[["12"]]})",
        R"({"fields":[{"name":"A","type":"datetime"}],"rows":[["amanhã"]]})",
    };
    for (const QByteArray& text : cases) {
        const QString expected = codecError(text);
        EXPECT_FALSE(expected.isEmpty()) << text.constData();
        EXPECT_EQ(readError(text), expected) << text.constData();
    }
    EXPECT_FALSE(readError(R"({"fields":[{"name":"A","type":"string"}],"rows":[["a"]]} lixo)").isEmpty());
    EXPECT_FALSE(readError("").isEmpty());
}
