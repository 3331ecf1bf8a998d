// Texts as people type and read them: Brazilian numbers and dates, the stored date layout,
// proposal numbers against their stored key, and names found with accents and case ignored.
#include "base/clock.h"
#include "data/format_br.h"
#include "data/date_text.h"
#include "data/proposal_number.h"
#include "data/text_fold.h"
#include "ui/lookup_find.h"
#include "unit_cases.h"

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

    // Day and month names, and date patterns.
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

TEST(ProposalNumber, ShortFormsDropTheFillingZerosAndTypedFormsFindTheKey) {
    EXPECT_EQ((QStringList{shortProposalNumber("00000000000000000015", "02"), shortProposalNumber("00000000000000000100", {}),
                           shortNumber("00000000000000000000")}),
              (QStringList{"15/02", "100", "0"}));
    // More digits than a key holds, or digits of another script, are not a key (null: refused).
    const std::pair<const char*, const char*> cases[] = {
        {"15/02", "00000000000000000015/02"}, {" 0015 / 2 ", "00000000000000000015/02"}, {"15", "00000000000000000015/"},
        {"123456789012345678901", nullptr}, {"15/123", nullptr}, {"15/", nullptr}, {"/02", nullptr}, {"Acme", nullptr},
        {"١٥", nullptr}};
    for (const auto& [typed, key] : cases) {
        ProposalKeyText parsed;
        EXPECT_EQ(parseShortProposalNumber(QString::fromUtf8(typed), &parsed), key != nullptr) << typed;
        if (key) {
            EXPECT_EQ(parsed.number + "/" + parsed.version, QString::fromLatin1(key)) << typed;
        }
    }
}

TEST(TextFold, ProcurarFindsTheNextNameIgnoringAccentsAndCaseAndWrapsAround) {
    // Accents in what is typed are ignored too; spaces are not folded away.
    for (const auto& [text, typed] : {std::pair{"João da Silva", "joao"}, {"Ação Comercial", "ACAO"}, {"CONCEIÇÃO", "conceicao"},
                                      {"Joao", "JOÃO"}, {"Érica Ü. Ñandú", "erica u. nandu"}}) {
        EXPECT_TRUE(containsFolded(QString::fromUtf8(text), QString::fromUtf8(typed))) << text;
    }
    EXPECT_FALSE(containsFolded("Joana", "joao") || containsFolded("São Paulo", "sao  paulo"));
    EXPECT_EQ(foldedText("ÀÁÂÃÄàáâãä") + foldedText("R$ 1.500,00 / nº 7"), "aaaaaaaaaar$ 1.500,00 / no 7");

    Packet p;
    p.fields = {{"NOME", FieldType::String, 50}, {"VALOR", FieldType::Float, 0}};
    p.rows = {{"Ação Têxtil", 10.0}, {"João Comércio", 20.0}, {"Maria", 30.0}, {"JOAO PEDRO", 40.0}};
    ClientTable t;
    t.setData(p);
    // The row found after each search, or 0 when none is (the row then stays): the next one,
    // wrapping around, and numbers still by their shown text.
    QList<int> rows;
    for (const auto& [field, typed] : {std::pair{"NOME", "joao"}, {"NOME", "joao"}, {"NOME", "ACAO"}, {"NOME", "josé"},
                                       {"VALOR", "30"}}) {
        const bool found = findRow(t, field, QString::fromUtf8(typed));
        rows << (found ? t.recNo() : -t.recNo());
    }
    EXPECT_EQ(rows, (QList<int>{2, 4, 1, -1, 3}));
}
