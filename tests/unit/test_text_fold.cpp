// Procurar finds names with accents and case ignored ("joao" finds "João"), and the
// comparison it uses.
#include <gtest/gtest.h>

#include "data/client_table.h"
#include "data/text_fold.h"
#include "ui/lookup_find.h"

using namespace cot;

TEST(TextFold, AccentsAndCaseIgnoredOtherCharactersKept) {
    EXPECT_TRUE(containsFolded("João da Silva", "joao"));
    EXPECT_TRUE(containsFolded("Ação Comercial", "ACAO"));
    EXPECT_TRUE(containsFolded("CONCEIÇÃO", "conceicao"));
    EXPECT_TRUE(containsFolded("Joao", "JOÃO")) << "accents in what is typed are ignored too";
    EXPECT_TRUE(containsFolded("Érica Ü. Ñandú", "erica u. nandu"));
    EXPECT_FALSE(containsFolded("Joana", "joao"));
    EXPECT_FALSE(containsFolded("São Paulo", "sao  paulo")) << "spaces are not folded away";
    EXPECT_EQ(foldedText("ÀÁÂÃÄàáâãä"), "aaaaaaaaaa");
    EXPECT_EQ(foldedText("R$ 1.500,00 / nº 7"), "r$ 1.500,00 / no 7");
}

TEST(TextFold, ProcurarFindsTheNextNameIgnoringAccentsAndWrapsAround) {
    Packet p;
    p.fields = {{"NOME", FieldType::String, 50}, {"VALOR", FieldType::Float, 0}};
    p.rows = {{"Ação Têxtil", 10.0}, {"João Comércio", 20.0}, {"Maria", 30.0}, {"JOAO PEDRO", 40.0}};
    ClientTable t;
    t.setData(p);
    t.first();
    ASSERT_TRUE(findRow(t, "NOME", "joao"));
    EXPECT_EQ(t.recNo(), 2);
    ASSERT_TRUE(findRow(t, "NOME", "joao"));
    EXPECT_EQ(t.recNo(), 4) << "the next one";
    ASSERT_TRUE(findRow(t, "NOME", "ACAO"));
    EXPECT_EQ(t.recNo(), 1) << "wrapping around";
    EXPECT_FALSE(findRow(t, "NOME", "josé"));
    EXPECT_EQ(t.recNo(), 1) << "no match leaves the row";
    ASSERT_TRUE(findRow(t, "VALOR", "30"));
    EXPECT_EQ(t.recNo(), 3) << "numbers still by their shown text";
}
