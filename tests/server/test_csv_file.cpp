// The register files' CSV reader and writer: quoting, nulls, line numbers, faults and bounds.
#include <QBuffer>
#include <gtest/gtest.h>

#include "server/registers/csv_file.h"

using namespace cot::server::registers;

namespace {

struct Read {
    QList<CsvRecord> records;
    int errorLine = 0;
    QString error;
};

Read readAll(const QByteArray& bytes, const QList<int>& limits = {}, int others = 200) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    CsvReader reader(buffer);
    if (!limits.isEmpty()) reader.setLimits(limits, {"A", "B"}, others);
    Read out;
    CsvRecord record;
    while (reader.next(record)) out.records << record;
    out.errorLine = reader.errorLine();
    out.error = reader.error();
    return out;
}

// Quoted fields keep separators, line breaks and quotes, and the lines after are counted
// right; what is written reads back as the same values.
TEST(CsvFile, QuotedFieldsAreReadWholeAndWrittenRecordsReadBackTheSameValues) {
    const Read p = readAll("A;B;C\r\n"
                           "1;\"x;y\";\"linha 1\nlinha \"\"2\"\"\"\n"
                           "\n"
                           "2;;\"\"\n");
    ASSERT_EQ(std::pair(p.errorLine, p.records.size()), std::pair(0, qsizetype(3))) << p.error.toStdString();
    const QList<CsvField>&one = p.records[1].fields, &two = p.records[2].fields;
    EXPECT_EQ((QStringList{one[0].text, one[1].text, one[2].text}), (QStringList{"1", "x;y", "linha 1\nlinha \"2\""}));
    // The quoted break moved the count on; the blank line is no record; "" is an empty
    // text, not a null.
    EXPECT_EQ(std::tuple(p.records[1].line, p.records[2].line, two[1].isNull(), two[2].isNull(), two[2].text),
              std::tuple(2, 5, true, false, QString()));

    const QList<std::optional<QString>> values{QStringLiteral("São Paulo; SP"), std::nullopt, QString(),
                                               QStringLiteral("a \"b\"\r\nc"), QStringLiteral("  espaços  ")};
    const Read back = readAll("\xEF\xBB\xBF" + csvRecord(values) + csvRecord({QStringLiteral("fim")}));
    ASSERT_EQ(std::tuple(back.errorLine, back.records.size(), back.records.value(0).fields.size()),
              std::tuple(0, qsizetype(2), values.size()));
    for (int i = 0; i < values.size(); ++i) {
        const CsvField& f = back.records[0].fields[i];
        EXPECT_EQ(std::pair(f.isNull(), f.text), std::pair(!values[i].has_value(), values[i].value_or(QString()))) << i;
    }
    EXPECT_EQ(back.records[1].line, 3);
}

TEST(CsvFile, FaultsNameTheirLineAndKeepTheRecordsBefore) {
    // An unclosed quote is at the line where it was opened; the fourth is Latin-1, not UTF-8; the
    // last has more fields than a line may.
    const std::tuple<QByteArray, int, qsizetype> cases[] = {
        {"A;B\n1;\"aberto\n2;3\n", 2, 1}, {"A;B\n1;2\n3;\"x\"y\n", 3, 2}, {"A;B\n1;ab\"c\n", 2, 1}, {"A;B\n1;2\n3;S\xE3o\n", 3, 2},
        {"a" + QByteArray(CsvReader::kMaxFields, ';') + "\n", 1, 0}};
    for (const auto& [bytes, line, before] : cases) {
        const Read p = readAll(bytes);
        EXPECT_EQ(std::pair(p.errorLine, p.records.size()), std::pair(line, before)) << bytes.toStdString();
    }
    EXPECT_TRUE(readAll("A;B\n1;2\n3;S\xE3o\n").error.contains("UTF-8"));
}

// A field keeps its limit and counts the rest; far past it, or past the line or field count,
// the reading stops where it is.
TEST(CsvFile, BoundsCutAFieldAndStopTheReadingFarPastThem) {
    Read p = readAll("çãoçãoçã;\"abc\"\nfim;x\n", {3, 3});
    ASSERT_EQ(std::pair(p.errorLine, p.records.size()), std::pair(0, qsizetype(2))) << p.error.toStdString();
    const CsvField& first = p.records[0].fields[0];
    EXPECT_EQ(std::tuple(first.text, first.length, first.cut, p.records[0].fields[1].cut),
              std::tuple(QString("ção"), 8, true, false)) << "characters, not bytes";

    // (Far past its limit a field stops the reading: trust/test_register_files.cpp reads a 50 MB one.)
    p = readAll("a\n" + QByteArray(CsvReader::kMaxLines - 2, '\n') + "b\nc\n");
    ASSERT_EQ(p.records.size(), 2);  // "b" is on the last line allowed
    EXPECT_EQ(std::pair(p.records[1].line, p.errorLine), std::pair(CsvReader::kMaxLines, CsvReader::kMaxLines + 1));
}

}  // namespace
