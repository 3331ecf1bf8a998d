// Replies read while they arrive: whatever the body and however it is cut into pieces, the
// outcome is the one the whole body read at the end gives, and a list's rows are read
// before its last byte.

#include "data/packet_json_writer.h"
#include "rpc/rpc_reply.h"
#include "rpc/streamed_reply.h"
#include "support/packet_cells.h"
#include "sample_packet.h"
#include "unit_cases.h"

namespace {

constexpr qint64 kId = 7;
const QString kInvalid = QStringLiteral("Resposta inválida do servidor de aplicação em teste.");

QByteArray envelope(const QByteArray& result) {
    return "{\"jsonrpc\":\"2.0\",\"id\":" + QByteArray::number(kId) + ",\"result\":" + result + "}";
}

// A list as the server writes it.
QByteArray listPacket(int rows) { return packetJsonText(cot::testing::samplePacket(rows)); }

RpcResult readWhole(QByteArray body) { return readRpcReply(body.data(), kId, kInvalid); }

RpcResult readInPieces(const QByteArray& body, qsizetype piece, qsizetype* readBeforeTheEnd = nullptr) {
    StreamedReply reply(kId);
    for (qsizetype at = 0; at < body.size(); at += piece) {
        if (readBeforeTheEnd && at + piece >= body.size()) *readBeforeTheEnd = reply.rowsRead();
        reply.append(body.constData() + at, std::min(piece, body.size() - at));
    }
    return reply.finish(kInvalid);
}

void expectSameOutcome(const QByteArray& body, const char* what) {
    const RpcResult whole = readWhole(body);
    for (qsizetype piece : {qsizetype(1), qsizetype(7), qsizetype(4096), body.size() + 1}) {
        SCOPED_TRACE(std::string(what) + ", pieces of " + std::to_string(piece));
        const RpcResult streamed = readInPieces(body, piece);
        ASSERT_EQ(streamed.ok, whole.ok);
        EXPECT_EQ(streamed.code, whole.code);
        EXPECT_EQ(streamed.error, whole.error);
        ASSERT_EQ(streamed.value.typeId(), whole.value.typeId());
        if (whole.value.typeId() == qMetaTypeId<Packet>())
            cot::testing::expectSameCells(whole.value.value<Packet>(), streamed.value.value<Packet>());
        else
            EXPECT_EQ(streamed.value, whole.value);
    }
}

TEST(StreamedReply, AListReadsAsItArrivesIntoTheSamePacketAsTheWholeBody) {
    const QByteArray body = envelope(listPacket(3000));
    expectSameOutcome(body, "lista");
    qsizetype early = 0;
    const RpcResult r = readInPieces(body, 16384, &early);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.value.value<Packet>().rows.size(), 3000);
    EXPECT_GT(early, 2500) << "rows read before the last piece";
}

// A value longer than many pieces (a long text full of escapes), read through once.
TEST(StreamedReply, ALongTextSpreadOverManyPiecesReadsWhole) {
    const QList<FieldDef> fields{{"NR", FieldType::String, 20}, {"OBS", FieldType::Memo, 0}};
    QByteArray packet;
    PacketJsonWriter w(packet, fields);
    const QString text = QStringLiteral("\"aspas\" \\ barra ] [ { } ação\n").repeated(20000);
    for (int r = 0; r < 3; ++r) { w.beginRow(); w.value(QString::number(r)); w.value(text); w.endRow(); }
    w.finish();
    const QByteArray body = envelope(packet);
    qsizetype early = 0;
    const RpcResult r = readInPieces(body, 4096, &early);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.value.value<Packet>().rows.value(2).value(1).toString(), text);
    EXPECT_EQ(early, 2);
    expectSameOutcome(body.left(body.size() - 1), "texto longo cortado");

    // Empty lists and other results are what the whole reading gives.
    for (const auto& [result, what] : {std::pair<QByteArray, const char*>{listPacket(0), "lista vazia"},
                                       {R"({"fields":[{"name":"A","type":"string","size":3}]})", "pacote sem linhas"},
                                       {R"("2026-12-07T10:00:00")", "texto"}, {"[1,2.5,null]", "lista de valores"},
                                       {R"({"A":1,"B":"x"})", "objeto"}, {"null", "nulo"}})
        expectSameOutcome(envelope(result), what);
    expectSameOutcome(R"({"jsonrpc":"2.0","id":7,"error":{"code":-32000,"message":"Proposta não encontrada."}})", "erro");
    expectSameOutcome("{\"jsonrpc\": \"2.0\", \"id\": 7, \"result\": " + listPacket(5) + "}", "outro leiaute");
}

// A doubt anywhere leaves the reply to the whole reading: the same failure, the same text.
TEST(StreamedReply, BrokenBodiesFailAsTheWholeReadingFails) {
    const QByteArray good = envelope(listPacket(50));
    const qsizetype rowAt = good.indexOf("],[", good.size() / 2) + 2;
    QByteArray wrongCount = good;
    wrongCount.insert(rowAt + 1, "null,");
    QByteArray wrongCountThenBadJson = wrongCount;
    wrongCountThenBadJson.insert(wrongCountThenBadJson.size() - 3, ",");  // a comma before the rows end
    QByteArray badNumber = good;
    badNumber.replace(badNumber.indexOf("900719925474", rowAt), 16, "1e400");
    QByteArray wrongType = good;
    wrongType.replace("\"type\":\"integer\"", "\"type\":\"desconhecido\"");

    for (const QByteArray& broken : {wrongCount, wrongCountThenBadJson, badNumber, wrongType})
        ASSERT_FALSE(readWhole(broken).ok) << broken.left(300).toStdString();
    EXPECT_EQ(readWhole(wrongCountThenBadJson).error, kInvalid);  // the JSON's fault first, as a whole
    EXPECT_NE(readWhole(wrongCount).error, kInvalid);             // the packet's own message
    QByteArray otherId = good;
    otherId.replace("\"id\":7,", "\"id\":8,");
    for (const auto& [body, what] : {std::pair<QByteArray, const char*>{good.left(good.size() / 2), "corpo cortado numa linha"},
                                     {good.left(good.size() - 2), "corpo sem o fim"}, {good + "x", "lixo depois do fim"},
                                     {wrongCount, "linha com valores demais"}, {wrongCountThenBadJson, "valores demais, JSON malformado"},
                                     {badNumber, "número fora do alcance"}, {wrongType, "tipo de campo desconhecido"},
                                     {otherId, "resposta de outra chamada"}, {"", "corpo vazio"}, {"<html>erro</html>", "não é JSON"}})
        expectSameOutcome(body, what);
}

}  // namespace
