// Edit masks as the screens write them, and what reaches the field through an edit.

#include "support/screen_widgets.h"
#include "ui/edit_mask.h"
#include "ui/edits.h"
#include "ui/number_text.h"

using namespace cot;

TEST(EditMask, TranslatesTheScreensMasksStoresAndTheMaskEditKeepsWhatTheMaskSays) {
    const EditMask fax = parseEditMask("(99)0000-0000;0; ");
    EXPECT_TRUE(fax.valid && !fax.saveLiterals && parseEditMask("!99/99/0000;1; ").saveLiterals && !parseEditMask("").valid);
    // The screens' mask letters become Qt's, and literals that Qt would read as codes are escaped.
    const std::pair<const char*, const char*> qt[] = {
        {"(99)0000-0000;0; ", "(00)9999-9999; "}, {"!99/99/0000;1; ", "00/00/9999; "}, {"99;0; ", "00; "},
        {"99.999.999/9999-99;0; ", "00.000.000/0000-00; "}, {">LL-Aa;1;_", ">AA-Nn;_"}, {"\\9X;1; ", "\\9\\X; "}};
    for (const auto& [mask, qtMask] : qt) EXPECT_EQ(parseEditMask(mask).qtMask, qtMask) << mask;

    // Stored: digits only, or with the literals; and stored values formatted.
    const std::tuple<const char*, const char*, const char*> stored[] = {
        {"(99)0000-0000;0; ", "(11)3333-4444", "1133334444"}, {"999.999.999-99;0; ", "123.456.789-01", "12345678901"},
        {"99;0; ", "7 ", "7"}, {"99;0; ", "  ", ""}, {"!99/99/0000;1; ", "25/12/2026", "25/12/2026"},
        {"!99/99/0000;1; ", "  /  /    ", "  /  /    "}};
    for (const auto& [mask, shown, kept] : stored) EXPECT_EQ(maskedStoredText(mask, shown), kept) << mask << " " << shown;
    // Stored values formatted: unit/test_consiste.cpp (InscriptionsAndTheirMasks).

    // A mask edit shows the literals and gives the digits.
    cot::testing::ensureApplication();
    TMaskEdit cpf("medCpf");
    cpf.setEditMask("999.999.999-99;0; ");
    cpf.setText("12345678901");
    EXPECT_EQ(cpf.displayText() + u'|' + cpf.text(), "123.456.789-01|12345678901");

    TMaskEdit version("medVersao");
    version.setEditMask("99;0; ");
    version.setText("1");
    EXPECT_EQ(version.text(), "1");
}

// The screens' wrappers over the Brazilian formats (tests/unit/test_format_br.cpp): a blank
// text is zero and valid, an invalid date has no weekday.
TEST(BrazilianNumbers, ScreenWrappersOverTheFormats) {
    using namespace cot::ui_text;
    EXPECT_EQ(QStringList({formatNumber(1500, "#,##0.00"), formatNumber(-0.5, 2, false), formatNumber(1234567.891, 2, true),
                           weekdayName(QDate(2026, 1, 10)), weekdayName(QDate())}),
              QStringList({"1.500,00", "-0,50", "1.234.567,89", "Sábado", ""}));
    bool ok[3] = {};
    EXPECT_EQ(QList<double>({parseNumber(" 1.500,50 ", &ok[0]), parseNumber("  ", &ok[1])}), QList<double>({1500.5, 0}));
    parseNumber("12a", &ok[2]);
    EXPECT_TRUE(ok[0] && ok[1] && !ok[2]);
}
