// The register files' CSV reader and writer: quoting, nulls, line numbers and faults.
#include <gtest/gtest.h>

#include "server/registers/csv_file.h"

using namespace cot::server::registers;

namespace {

QStringList texts(const CsvRecord& r) {
    QStringList out;
    for (const CsvField& f : r.fields) out << f.text;
    return out;
}

TEST(CsvFile, QuotedFieldsKeepSeparatorsLineBreaksAndQuotesAndLaterLinesAreCountedRight) {
    const CsvParse p = parseCsv("A;B;C\r\n"
                                "1;\"x;y\";\"linha 1\nlinha \"\"2\"\"\"\n"
                                "\n"
                                "2;;\"\"\n");
    ASSERT_FALSE(p.errorLine) << p.error.toStdString();
    ASSERT_EQ(p.records.size(), 3);
    EXPECT_EQ(texts(p.records[1]), (QStringList{"1", "x;y", "linha 1\nlinha \"2\""}));
    EXPECT_EQ(p.records[1].line, 2);
    // The quoted break moved the count on; the blank line is no record.
    EXPECT_EQ(p.records[2].line, 5);
    EXPECT_TRUE(p.records[2].fields[1].isNull());
    EXPECT_FALSE(p.records[2].fields[2].isNull());  // "" is an empty text, not a null
    EXPECT_TRUE(p.records[2].fields[2].text.isEmpty());
}

TEST(CsvFile, WrittenRecordsReadBackTheSameValues) {
    const QList<std::optional<QString>> values{QStringLiteral("São Paulo; SP"), std::nullopt, QString(),
                                               QStringLiteral("a \"b\"\r\nc"), QStringLiteral("  espaços  ")};
    const CsvParse p = parseCsv("\xEF\xBB\xBF" + csvRecord(values) + csvRecord({QStringLiteral("fim")}));
    ASSERT_FALSE(p.errorLine);
    ASSERT_EQ(p.records.size(), 2);
    const CsvRecord& r = p.records[0];
    ASSERT_EQ(r.fields.size(), values.size());
    for (int i = 0; i < values.size(); ++i) {
        EXPECT_EQ(r.fields[i].isNull(), !values[i].has_value()) << i;
        EXPECT_EQ(r.fields[i].text, values[i].value_or(QString())) << i;
    }
    EXPECT_EQ(p.records[1].line, 3);
}

TEST(CsvFile, FaultsNameTheirLineAndKeepTheRecordsBefore) {
    CsvParse p = parseCsv("A;B\n1;\"aberto\n2;3\n");
    EXPECT_EQ(p.errorLine, 2);  // where the quote was opened
    EXPECT_EQ(p.records.size(), 1);

    p = parseCsv("A;B\n1;2\n3;\"x\"y\n");
    EXPECT_EQ(p.errorLine, 3);
    EXPECT_EQ(p.records.size(), 2);

    p = parseCsv("A;B\n1;ab\"c\n");
    EXPECT_EQ(p.errorLine, 2);

    p = parseCsv("A;B\n1;2\n3;S\xE3o\n");  // Latin-1, not UTF-8
    EXPECT_EQ(p.errorLine, 3);
    EXPECT_TRUE(p.error.contains("UTF-8"));
}

}  // namespace
