#include <gtest/gtest.h>

#include <QDateTime>

#include "data/date_text.h"

namespace {

using cot::isoDateTimeText;
using cot::parseIsoDateTime;

// Every stored layout reads from text and bytes. A character that is not a digit in the year
// once read as -1, a date before Christ, which was then written as a text no reader took back.
TEST(DateText, ReadsEveryStoredLayoutAndRefusesAnythingButDigitsInEveryPart) {
    const QDateTime expected(QDate(2026, 12, 1), QTime(10, 30, 15, 123));
    EXPECT_EQ(parseIsoDateTime(QStringLiteral("2026-12-01T10:30:15.123")), expected);
    EXPECT_EQ(parseIsoDateTime(QByteArrayView("2026-12-01 10:30:15.123")), expected);
    EXPECT_EQ(parseIsoDateTime(QByteArrayView("2026-12-01 10:30:15")), QDateTime(QDate(2026, 12, 1), QTime(10, 30, 15)));
    EXPECT_EQ(parseIsoDateTime(QStringLiteral("2028-02-29")), QDateTime(QDate(2028, 2, 29), QTime(0, 0)));
    EXPECT_EQ(isoDateTimeText(expected), QStringLiteral("2026-12-01T10:30:15.123"));
    for (const char* text : {";027-02-29", "2O26-12-01", "-001-12-01", "2026-1a-01", "2026-12-0 ",
                             "2026-12-01T1 :00:00", "2026-12-01T10:30:15.1x3", "2027-02-29", "2026-13-01",
                             "2026-12-01T24:00:00", "2026-12-01Z10:30:15", "2026-12-1"}) {
        EXPECT_FALSE(parseIsoDateTime(QByteArrayView(text)).isValid() || parseIsoDateTime(QString::fromLatin1(text)).isValid())
            << text;
    }
}

}  // namespace
