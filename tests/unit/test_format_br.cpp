#include <gtest/gtest.h>

#include "base/clock.h"
#include "data/format_br.h"
#include "support/qt_printers.h"

using namespace cot;

TEST(FormatBr, FormatFloatPatterns) {
    // No negative zero; 2.675 is rounded on its decimal text; sections for negatives and zero.
    const std::tuple<const char*, double, const char*> cases[] = {
        {"#,##0.00", 1500, "1.500,00"}, {"#,##0.00", 1234567.891, "1.234.567,89"}, {"#,##0.00", 0, "0,00"},
        {"#,##0.00", -1500.5, "-1.500,50"}, {"#,##0.00", -0.001, "0,00"}, {"#,##0.00", 2.675, "2,68"},
        {"##0.00", 1500, "1500,00"}, {"###0.00", 0.5, "0,50"}, {"###,##0.00", 999999.999, "1.000.000,00"},
        {"0", 2.5, "3"}, {"0", -2.5, "-3"}, {",0.00", 12345, "12.345,00"}, {"0.0#", 1.5, "1,5"}, {"0.0#", 1.257, "1,26"},
        {"000", 7, "007"}, {"#,##0.00 %", 12.5, "12,50 %"}, {"'R$ '#,##0.00", 1500, "R$ 1.500,00"},
        {"#,##0.00;(#,##0.00)", -5, "(5,00)"}, {"#,##0.00;-#,##0.00;'zero'", 0, "zero"}, {"", 1500.5, "1500,5"}};
    for (const auto& [pattern, value, text] : cases) EXPECT_EQ(formatFloat(pattern, value), QString::fromUtf8(text)) << pattern;
    // The general form, and money on screens and inside message texts.
    EXPECT_EQ((QStringList{formatFloatGeneral(0.1), formatFloatGeneral(-1e-5), formatMoney(1234.5), formatAmount(1234.5)}),
              (QStringList{"0,1", "-0,00001", "1.234,50", "1234,50"}));
}

TEST(FormatBr, ParseFloatAcceptsBothSeparatorsAndRejectsJunk) {
    // "1.500" is thousands, as typed in Brazil; 33,339 is exactly the double of the text.
    const std::pair<const char*, double> good[] = {
        {"1.500,50", 1500.5}, {"1500,5", 1500.5}, {"1500.5", 1500.5}, {" -3 ", -3}, {",5", 0.5}, {"1.500", 1500},
        {"1.500.000", 1500000}, {"1.5", 1.5}, {"0.500", 0.5}, {"1.234.567,89", 1234567.89}, {"33,339", 33.339}};
    bool ok = false;
    for (const auto& [text, value] : good) {
        EXPECT_EQ(parseFloatBr(text, &ok), value) << text;
        EXPECT_TRUE(ok) << text;
    }
    for (const char* bad : {"", "abc", "1,2,3", "1.50,5", "12.34.5", "-", ",", "1e5", "1 500", "1,5x", "--1", "1.2.3"}) {
        parseFloatBr(QString::fromUtf8(bad), &ok);
        EXPECT_FALSE(ok) << bad;
    }
}

TEST(FormatBr, DatesRoundTripAndRejectImpossibleDays) {
    EXPECT_EQ((QStringList{formatDate(QDate(2027, 1, 5)), formatDate(QDate()),
                           formatDateTime(QDateTime(QDate(2027, 1, 5), QTime(14, 30)))}),
              (QStringList{"05/01/2027", "", "05/01/2027 14:30:00"}));
    // Two digits: 50-99 are the last century. The day and month alone take the clock's year.
    Clock::setCurrent(std::make_shared<FixedClock>(QDateTime(QDate(2026, 12, 6), QTime(10, 0))));
    const std::pair<const char*, QDate> dates[] = {
        {"05/01/2027", {2027, 1, 5}}, {"5/1/27", {2027, 1, 5}}, {"5/1/49", {2049, 1, 5}}, {"5/1/50", {1950, 1, 5}},
        {"29/02/2028", {2028, 2, 29}}, {"25/12", {2026, 12, 25}}, {"29/02/2027", {}}, {"31/04/2027", {}},
        {"  /  /    ", {}}, {"2027-01-05", {}}, {"05/01/202", {}}, {"00/01/2027", {}}};
    for (const auto& [text, date] : dates) EXPECT_EQ(parseDateBr(text), date) << text;
    Clock::setCurrent(nullptr);
    const std::pair<const char*, QDateTime> times[] = {
        {"05/01/2027 14:30", QDateTime(QDate(2027, 1, 5), QTime(14, 30))},
        {"05/01/2027", QDateTime(QDate(2027, 1, 5), QTime(0, 0))}, {"05/01/2027 25:00", {}},
        {"05/01/2027 14:30:15.250", QDateTime(QDate(2027, 1, 5), QTime(14, 30, 15, 250))}, {"05/01/2027 14:30.250", {}}};
    for (const auto& [text, at] : times) EXPECT_EQ(parseDateTimeBr(text), at) << text;
}

TEST(FormatBr, NamesAndDatePatterns) {
    EXPECT_EQ((QStringList{weekdayName(QDate(2026, 12, 6).dayOfWeek()), weekdayName(2), weekdayName(6), weekdayName(0),
                           monthName(3), monthName(13)}),
              (QStringList{"Domingo", "Terça-feira", "Sábado", "", "Março", ""}));
    const QDateTime at(QDate(2026, 12, 6), QTime(9, 5, 7));
    const std::pair<const char*, const char*> patterns[] = {
        {"ddd ddddd", "Dom 06/12/2026"}, {"dd/mm/yyyy hh:nn:ss", "06/12/2026 09:05:07"}, {"hh:mm", "09:05"},
        {"dddd, d 'de' mmmm 'de' yyyy", "Domingo, 6 de Dezembro de 2026"}, {"dddddd", "6 de Dezembro de 2026"}};
    for (const auto& [pattern, text] : patterns) EXPECT_EQ(formatDateTimePattern(pattern, at), QString::fromUtf8(text)) << pattern;
    EXPECT_EQ(formatDateTimePattern("dd/mm/yy", QDateTime()), "");
}
