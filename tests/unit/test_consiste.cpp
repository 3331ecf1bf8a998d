
#include <tuple>

#include "services/consiste.h"
#include "services/mask_text.h"
#include "support/scripted_dialogs.h"
#include "unit_cases.h"

using namespace cot::Consiste;

TEST(Consiste, MensErroShowsOnceThenAbortsOrWithoutDialogsKeepsTheText) {
    ASSERT_FALSE(Dialogs::installed());
    EXPECT_EQ(userErrorOf([] { MensErro("Operador não cadastrado"); }), "Operador não cadastrado");
    ScriptedDialogs dialogs;
    ScriptedDialogs::Scope scope(dialogs);
    EXPECT_THROW(MensErro("Índice 1 deve ser informado"), Abort);
    EXPECT_NO_THROW(MensErro("aviso", false));  // without abort it only shows
    EXPECT_EQ(dialogs.errors(), (QStringList{"Índice 1 deve ser informado", "aviso"}));
}

TEST(Consiste, BlankTextsAndCodes) {
    EXPECT_TRUE(EmptyString("") && EmptyString("  \t ") && !EmptyString(" x "));
    EXPECT_EQ(AllTrim("  São Paulo  "), "São Paulo");
    // Empty stays empty ("must be informed" checks still see it); longer codes are never cut.
    const std::tuple<const char*, int, const char*> codes[] = {
        {"7", 3, "007"}, {" 12 ", 10, "0000000012"}, {"1", 2, "01"}, {"", 4, ""}, {"   ", 4, ""},
        {"VENDEDOR", 12, "VENDEDOR"}, {"IGPM", 4, "IGPM"}, {"12345", 3, "12345"}, {"-5", 3, "-5"}};
    for (const auto& [text, size, adjusted] : codes) EXPECT_EQ(Ajusta(text, size), adjusted) << text;

    // Inscriptions and their masks.
    const std::tuple<const char*, const char*, const char*> inscriptions[] = {
        {"C123.456.789-01", "F", "12345678901"}, {"C 12.345.678/0001-99", "J", "12345678000199"},
        {"12345678000199", "J", "12345678000199"}, {"C12345", "E", "12345"}, {"CABC-123 ", "E", "ABC-123"}, {"C", "E", "C"},
        {"   ", "", ""}};
    for (const auto& [typed, kind, kept] : inscriptions) {
        QString s = typed;
        const QString found = Ajusta_Inscricao(s);
        EXPECT_EQ(QStringList({found, s}), QStringList({kind, kept})) << typed;
    }

    EXPECT_EQ((QStringList{PictPess("F"), PictPess("j"), PictPess("E")}),
              (QStringList{"999.999.999-99;0; ", "99.999.999/9999-99;0; ", ""}));
    // A text that does not fit is left unchanged.
    EXPECT_EQ((QStringList{formatMaskText(PictPess("F"), "12345678901"), formatMaskText(PictPess("J"), "12345678000199"),
                           formatMaskText(PictPess("F"), "123"), formatMaskText(PictPess("F"), "12345678000199"),
                           formatMaskText("!99/99/0000;1;_", "05/01/2027"), formatMaskText(">LL-999;0;_", "ab12"),
                           formatMaskText("", "x")}),
              (QStringList{"123.456.789-01", "12.345.678/0001-99", "123.   .   -  ", "12345678000199", "05/01/2027",
                           "AB-12_", "x"}));
}

TEST(Consiste, MonthArithmeticClampsToMonthEnd) {
    // 2100 is not a leap year; a schedule counts each month from the start date, so the
    // third month of a 31st start is the 31st again, not the 28th.
    const std::tuple<QDate, int, QDate> sums[] = {
        {{2027, 1, 31}, 1, {2027, 2, 28}},  {{2028, 1, 31}, 1, {2028, 2, 29}}, {{2100, 1, 31}, 1, {2100, 2, 28}},
        {{2027, 1, 31}, 3, {2027, 4, 30}},  {{2026, 12, 15}, 1, {2027, 1, 15}}, {{2027, 3, 31}, -1, {2027, 2, 28}},
        {{2027, 1, 31}, 0, {2027, 1, 31}},  {{2027, 1, 31}, 2, {2027, 3, 31}}};
    for (const auto& [from, months, to] : sums) EXPECT_EQ(SomaMes(from, months), to) << from.toString().toStdString();
    const QDateTime at(QDate(2027, 1, 31), QTime(10, 30));
    EXPECT_EQ(SomaMes(at, 1), QDateTime(QDate(2027, 2, 28), QTime(10, 30)));
    EXPECT_FALSE(SomaMes(QDate(), 1).isValid());

    EXPECT_EQ((QList<QDate>{UltimoDiaMes(QDate(2028, 2, 10)), UltimoDiaMes(QDate(2100, 2, 1)), UltimoDiaMes(QDate(2027, 12, 31))}),
              (QList<QDate>{{2028, 2, 29}, {2100, 2, 28}, {2027, 12, 31}}));
    EXPECT_EQ(UltimoDiaMes(at), QDateTime(QDate(2027, 1, 31), QTime(0, 0)));
    EXPECT_FALSE(UltimoDiaMes(QDateTime()).isValid());

    // Typed dates: parsed, cleared or refused.
    ClientTable t("t");
    Field& due = t.addField("DTVELUSOPEDP", FieldType::DateTime);
    t.createDataSet();
    t.append();
    // Each text after the one before: a refused text changes nothing (null: cleared).
    const std::pair<const char*, QDate> typed[] = {{"05/01/2027", {2027, 1, 5}}, {"  /  /    ", {}}, {"5/2/27", {2027, 2, 5}},
                                                   {"31/02/2027", {2027, 2, 5}}, {"abc", {2027, 2, 5}}, {"", {}}};
    for (const auto& [text, date] : typed) {
        const QString error = userErrorOf([&, text = text] { DateSetText(due, text); });
        EXPECT_TRUE(error.isEmpty() || error == QStringLiteral("'%1' não é uma data válida.").arg(text)) << error.toStdString();
        EXPECT_EQ(due.asDateTime(), date.isValid() ? QDateTime(date, QTime(0, 0)) : QDateTime()) << text;
    }
}

TEST(Consiste, SortFilesListsMatchingFilesNaturally) {
    QTemporaryDir dir;
    for (const char* name : {"b10.pdf", "b2.pdf", "A1.zip", "semextensao", "c.PDF"}) ASSERT_TRUE(writeFile(dir.filePath(name)));
    QDir(dir.path()).mkdir("subpasta");
    QStringList list{"lixo"};
    EXPECT_EQ(SortFiles(list, dir.path() + "/*.*"), 5);
    EXPECT_EQ(list, (QStringList{"A1.zip", "b2.pdf", "b10.pdf", "c.PDF", "semextensao"}));
    SortFiles(list, dir.path() + "\\*.pdf");
    EXPECT_EQ(list, (QStringList{"b2.pdf", "b10.pdf", "c.PDF"}));
    EXPECT_EQ(SortFiles(list, dir.path() + "/nao-existe/*.*"), 0);
    EXPECT_TRUE(list.isEmpty());
}
