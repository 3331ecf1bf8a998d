// Edit masks as the screens write them, and what reaches the field through an edit.
#include <gtest/gtest.h>

#include "support/screen_widgets.h"
#include "ui/edit_mask.h"
#include "ui/edits.h"
#include "ui/number_text.h"

using namespace cot;

TEST(EditMask, TranslatesTheScreensMasksStoresAndFormats) {
    const EditMask fax = parseEditMask("(99)0000-0000;0; ");
    EXPECT_TRUE(fax.valid);
    EXPECT_FALSE(fax.saveLiterals);
    EXPECT_EQ(fax.qtMask, "(00)9999-9999; ");

    const EditMask date = parseEditMask("!99/99/0000;1; ");
    EXPECT_TRUE(date.saveLiterals);
    EXPECT_EQ(date.qtMask, "00/00/9999; ");

    EXPECT_EQ(parseEditMask("99;0; ").qtMask, "00; ");
    EXPECT_EQ(parseEditMask("99.999.999/9999-99;0; ").qtMask, "00.000.000/0000-00; ");
    // The screens' mask letters become Qt's, and literals that Qt would read as codes are escaped.
    EXPECT_EQ(parseEditMask(">LL-Aa;1;_").qtMask, ">AA-Nn;_");
    EXPECT_EQ(parseEditMask("\\9X;1; ").qtMask, "\\9\\X; ");
    EXPECT_FALSE(parseEditMask("").valid);

    // Stored: digits only, or with the literals.
    EXPECT_EQ(maskedStoredText("(99)0000-0000;0; ", "(11)3333-4444"), "1133334444");
    EXPECT_EQ(maskedStoredText("999.999.999-99;0; ", "123.456.789-01"), "12345678901");
    EXPECT_EQ(maskedStoredText("99;0; ", "7 "), "7");
    EXPECT_EQ(maskedStoredText("99;0; ", "  "), "");
    EXPECT_EQ(maskedStoredText("!99/99/0000;1; ", "25/12/2026"), "25/12/2026");
    EXPECT_EQ(maskedStoredText("!99/99/0000;1; ", "  /  /    "), "  /  /    ");

    // Stored values formatted.
    EXPECT_EQ(formatMaskText("999.999.999-99;0; ", "12345678901"), "123.456.789-01");
    EXPECT_EQ(formatMaskText("99.999.999/9999-99;0; ", "12345678000190"), "12.345.678/0001-90");
    EXPECT_EQ(formatMaskText("(99)0000-0000;0; ", "11333"), "(11)333 -    ");
    EXPECT_EQ(formatMaskText("!99/99/0000;1; ", "25/12/2026"), "25/12/2026");
}

TEST(EditMask, MaskEditKeepsWhatTheMaskSays) {
    cot::testing::ensureApplication();
    TMaskEdit cpf("medCpf");
    cpf.setEditMask("999.999.999-99;0; ");
    cpf.setText("12345678901");
    EXPECT_EQ(cpf.displayText(), "123.456.789-01");
    EXPECT_EQ(cpf.text(), "12345678901");

    TMaskEdit version("medVersao");
    version.setEditMask("99;0; ");
    version.setText("1");
    EXPECT_EQ(version.text(), "1");
}

TEST(BrazilianNumbers, FormatAndParse) {
    using namespace cot::ui_text;
    EXPECT_EQ(formatNumber(1500, "#,##0.00"), "1.500,00");
    EXPECT_EQ(formatNumber(1234567.891, "###,##0.00"), "1.234.567,89");
    EXPECT_EQ(formatNumber(1500.5, "##0.00"), "1500,50");
    EXPECT_EQ(formatNumber(-0.5, "###0.00"), "-0,50");

    bool ok = false;
    EXPECT_DOUBLE_EQ(parseNumber("1.500,50", &ok), 1500.5);
    EXPECT_TRUE(ok);
    EXPECT_DOUBLE_EQ(parseNumber("1500,5", &ok), 1500.5);
    EXPECT_DOUBLE_EQ(parseNumber("1500.5", &ok), 1500.5);
    EXPECT_DOUBLE_EQ(parseNumber("1.234.567", &ok), 1234567);
    EXPECT_DOUBLE_EQ(parseNumber("", &ok), 0);
    EXPECT_TRUE(ok);
    parseNumber("12a", &ok);
    EXPECT_FALSE(ok);
    parseNumber("1,2,3", &ok);
    EXPECT_FALSE(ok);

    EXPECT_EQ(weekdayName(QDate(2026, 1, 4)), "Domingo");
    EXPECT_EQ(weekdayName(QDate(2026, 1, 10)), "Sábado");
    EXPECT_EQ(weekdayName(QDate(2026, 1, 6)), "Terça-feira");
    EXPECT_EQ(weekdayName(QDate()), "");
}
