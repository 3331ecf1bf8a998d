// Every input of the fuzz corpora, seeds and the inputs that once broke a decoder, run
// through the same entries the fuzzers use: a decoder that throws anything but its own
// error, or breaks one of its round trips, fails here in the normal build.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "fuzz_entries.h"

namespace {

using Entry = void (*)(const uint8_t*, size_t);

struct Corpus { const char* name; Entry entry; };

const Corpus kCorpora[] = {
    {"rpc_request", cot::fuzz::rpcRequest},       {"packet_text", cot::fuzz::packetText},
    {"delta_text", cot::fuzz::deltaText},         {"filter_expression", cot::fuzz::filterExpression},
    {"selection_text", cot::fuzz::selectionText}, {"mask_text", cot::fuzz::maskText}, {"date_text", cot::fuzz::dateText},
};

class FuzzCorpus : public testing::TestWithParam<Corpus> {};

// The corpus's files, then inputs too awkward to keep as files: nothing, raw bytes, deep nesting.
TEST_P(FuzzCorpus, EveryInputIsDecodedOrRefused) {
    const QDir dir(QStringLiteral(COT_FUZZ_CORPUS_DIR "/") + QLatin1String(GetParam().name));
    const QFileInfoList files = dir.entryInfoList(QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty()) << dir.path().toStdString();
    std::vector<std::pair<QString, QByteArray>> inputs{
        {"empty", QByteArray()}, {"binary", QByteArray("\0\xff\xfe'", 4)}, {"nested", QByteArray(5000, '(')}};
    for (const QFileInfo& info : files) {
        QFile file(info.filePath());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << info.filePath().toStdString();
        inputs.emplace_back(info.fileName(), file.readAll());
    }
    for (const auto& [name, input] : inputs) {
        try {
            GetParam().entry(reinterpret_cast<const uint8_t*>(input.constData()), static_cast<size_t>(input.size()));
        } catch (const std::exception& e) {
            ADD_FAILURE() << name.toStdString() << ": " << e.what();
        } catch (...) {
            ADD_FAILURE() << name.toStdString() << ": unknown exception";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Decoders, FuzzCorpus, testing::ValuesIn(kCorpora),
                         [](const testing::TestParamInfo<Corpus>& info) { return std::string(info.param.name); });

}  // namespace
