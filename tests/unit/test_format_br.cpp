#include <gtest/gtest.h>

#include "base/clock.h"
#include "data/format_br.h"

using namespace cot;

TEST(FormatBr, FormatFloatPatterns) {
    EXPECT_EQ(formatFloat("#,##0.00", 1500), "1.500,00");
    EXPECT_EQ(formatFloat("#,##0.00", 1234567.891), "1.234.567,89");
    EXPECT_EQ(formatFloat("#,##0.00", 0), "0,00");
    EXPECT_EQ(formatFloat("#,##0.00", -1500.5), "-1.500,50");
    EXPECT_EQ(formatFloat("#,##0.00", -0.001), "0,00");  // no negative zero
    EXPECT_EQ(formatFloat("#,##0.00", 2.675), "2,68");
    EXPECT_EQ(formatFloat("##0.00", 1500), "1500,00");
    EXPECT_EQ(formatFloat("###0.00", 0.5), "0,50");
    EXPECT_EQ(formatFloat("###,##0.00", 999999.999), "1.000.000,00");
    EXPECT_EQ(formatFloat("0", 2.5), "3");
    EXPECT_EQ(formatFloat("0", -2.5), "-3");
    EXPECT_EQ(formatFloat(",0.00", 12345), "12.345,00");
    EXPECT_EQ(formatFloat("0.0#", 1.5), "1,5");
    EXPECT_EQ(formatFloat("0.0#", 1.257), "1,26");
    EXPECT_EQ(formatFloat("000", 7), "007");
    EXPECT_EQ(formatFloat("#,##0.00 %", 12.5), "12,50 %");
    EXPECT_EQ(formatFloat("'R$ '#,##0.00", 1500), "R$ 1.500,00");
    EXPECT_EQ(formatFloat("#,##0.00;(#,##0.00)", -5), "(5,00)");
    EXPECT_EQ(formatFloat("#,##0.00;-#,##0.00;'zero'", 0), "zero");
    EXPECT_EQ(formatFloat("", 1500.5), "1500,5");
    EXPECT_EQ(formatFloatGeneral(0.1), "0,1");
    EXPECT_EQ(formatFloatGeneral(-1e-5), "-0,00001");
    // Money on screens and inside message texts.
    EXPECT_EQ(formatMoney(1234.5), "1.234,50");
    EXPECT_EQ(formatAmount(1234.5), "1234,50");
}

TEST(FormatBr, ParseFloatAcceptsBothSeparatorsAndRejectsJunk) {
    bool ok = false;
    EXPECT_DOUBLE_EQ(parseFloatBr("1.500,50", &ok), 1500.5);
    EXPECT_TRUE(ok);
    EXPECT_DOUBLE_EQ(parseFloatBr("1500,5", &ok), 1500.5);
    EXPECT_DOUBLE_EQ(parseFloatBr("1500.5", &ok), 1500.5);
    EXPECT_TRUE(ok);
    EXPECT_DOUBLE_EQ(parseFloatBr(" -3 ", &ok), -3);
    EXPECT_DOUBLE_EQ(parseFloatBr(",5", &ok), 0.5);
    EXPECT_DOUBLE_EQ(parseFloatBr("1.500", &ok), 1500);  // thousands, as typed in Brazil
    EXPECT_DOUBLE_EQ(parseFloatBr("1.500.000", &ok), 1500000);
    EXPECT_DOUBLE_EQ(parseFloatBr("1.5", &ok), 1.5);
    EXPECT_DOUBLE_EQ(parseFloatBr("0.500", &ok), 0.5);
    EXPECT_DOUBLE_EQ(parseFloatBr("1.234.567,89", &ok), 1234567.89);
    EXPECT_TRUE(ok);
    EXPECT_EQ(parseFloatBr("33,339", &ok), 33.339);  // exactly the double of the text
    for (const char* bad : {"", "abc", "1,2,3", "1.50,5", "12.34.5", "-", ",", "1e5", "1 500", "1,5x",
                            "--1", "1.2.3"}) {
        parseFloatBr(QString::fromUtf8(bad), &ok);
        EXPECT_FALSE(ok) << bad;
    }
}

TEST(FormatBr, DatesRoundTripAndRejectImpossibleDays) {
    EXPECT_EQ(formatDate(QDate(2027, 1, 5)), "05/01/2027");
    EXPECT_EQ(formatDate(QDate()), "");
    EXPECT_EQ(formatDateTime(QDateTime(QDate(2027, 1, 5), QTime(14, 30))), "05/01/2027 14:30:00");
    EXPECT_EQ(parseDateBr("05/01/2027"), QDate(2027, 1, 5));
    EXPECT_EQ(parseDateBr("5/1/27"), QDate(2027, 1, 5));
    EXPECT_EQ(parseDateBr("5/1/49"), QDate(2049, 1, 5));
    EXPECT_EQ(parseDateBr("5/1/50"), QDate(1950, 1, 5));  // two digits: 50-99 are the last century
    EXPECT_EQ(parseDateBr("29/02/2028"), QDate(2028, 2, 29));
    EXPECT_FALSE(parseDateBr("29/02/2027").isValid());
    EXPECT_FALSE(parseDateBr("31/04/2027").isValid());
    EXPECT_FALSE(parseDateBr("  /  /    ").isValid());
    EXPECT_FALSE(parseDateBr("2027-01-05").isValid());
    EXPECT_FALSE(parseDateBr("05/01/202").isValid());
    EXPECT_FALSE(parseDateBr("00/01/2027").isValid());
    Clock::setCurrent(std::make_shared<FixedClock>(QDateTime(QDate(2026, 12, 6), QTime(10, 0))));
    EXPECT_EQ(parseDateBr("25/12"), QDate(2026, 12, 25));
    Clock::setCurrent(nullptr);
    EXPECT_EQ(parseDateTimeBr("05/01/2027 14:30"), QDateTime(QDate(2027, 1, 5), QTime(14, 30)));
    EXPECT_EQ(parseDateTimeBr("05/01/2027"), QDateTime(QDate(2027, 1, 5), QTime(0, 0)));
    EXPECT_FALSE(parseDateTimeBr("05/01/2027 25:00").isValid());
    EXPECT_EQ(parseDateTimeBr("05/01/2027 14:30:15.250"), QDateTime(QDate(2027, 1, 5), QTime(14, 30, 15, 250)));
    EXPECT_FALSE(parseDateTimeBr("05/01/2027 14:30.250").isValid());
}

TEST(FormatBr, NamesAndDatePatterns) {
    EXPECT_EQ(weekdayName(QDate(2026, 12, 6).dayOfWeek()), "Domingo");
    EXPECT_EQ(weekdayName(2), "Terça-feira");
    EXPECT_EQ(weekdayName(6), "Sábado");
    EXPECT_EQ(weekdayName(0), "");
    EXPECT_EQ(monthName(3), "Março");
    EXPECT_EQ(monthName(13), "");
    const QDateTime at(QDate(2026, 12, 6), QTime(9, 5, 7));
    EXPECT_EQ(formatDateTimePattern("ddd ddddd", at), "Dom 06/12/2026");
    EXPECT_EQ(formatDateTimePattern("dd/mm/yyyy hh:nn:ss", at), "06/12/2026 09:05:07");
    EXPECT_EQ(formatDateTimePattern("hh:mm", at), "09:05");
    EXPECT_EQ(formatDateTimePattern("dddd, d 'de' mmmm 'de' yyyy", at), "Domingo, 6 de Dezembro de 2026");
    EXPECT_EQ(formatDateTimePattern("dddddd", at), "6 de Dezembro de 2026");
    EXPECT_EQ(formatDateTimePattern("dd/mm/yy", QDateTime()), "");
}
