// Every input of the fuzz corpora, seeds and the inputs that once broke a decoder, run
// through the same entries the fuzzers use: a decoder that throws anything but its own
// error, or breaks one of its round trips, fails here in the normal build.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "fuzz_entries.h"

namespace {

using Entry = void (*)(const uint8_t*, size_t);

struct Corpus {
    const char* name;
    Entry entry;
};

const Corpus kCorpora[] = {
    {"rpc_request", cot::fuzz::rpcRequest},       {"packet_text", cot::fuzz::packetText},
    {"delta_text", cot::fuzz::deltaText},         {"filter_expression", cot::fuzz::filterExpression},
    {"selection_text", cot::fuzz::selectionText}, {"mask_text", cot::fuzz::maskText},
    {"date_text", cot::fuzz::dateText},
};

void feed(Entry entry, const QByteArray& input) {
    entry(reinterpret_cast<const uint8_t*>(input.constData()), static_cast<size_t>(input.size()));
}

class FuzzCorpus : public testing::TestWithParam<Corpus> {};

TEST_P(FuzzCorpus, EveryInputIsDecodedOrRefused) {
    const QDir dir(QStringLiteral(COT_FUZZ_CORPUS_DIR "/") + QLatin1String(GetParam().name));
    const QFileInfoList files = dir.entryInfoList(QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty()) << dir.path().toStdString();
    for (const QFileInfo& info : files) {
        QFile file(info.filePath());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << info.filePath().toStdString();
        const QByteArray input = file.readAll();
        try {
            feed(GetParam().entry, input);
        } catch (const std::exception& e) {
            ADD_FAILURE() << info.fileName().toStdString() << ": " << e.what();
        } catch (...) {
            ADD_FAILURE() << info.fileName().toStdString() << ": unknown exception";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Decoders, FuzzCorpus, testing::ValuesIn(kCorpora),
                         [](const testing::TestParamInfo<Corpus>& info) { return std::string(info.param.name); });

// Inputs too awkward to keep as corpus files: nothing, raw bytes, deep nesting.
TEST(FuzzEntries, EmptyAndBinaryInputsAreHandled) {
    const QByteArray inputs[] = {QByteArray(), QByteArray("\0\xff\xfe'", 4), QByteArray(5000, '(')};
    for (const Corpus& corpus : kCorpora)
        for (const QByteArray& input : inputs) EXPECT_NO_THROW(feed(corpus.entry, input)) << corpus.name;
}

}  // namespace
