// Procurar finds names with accents and case ignored ("joao" finds "João"), and the
// comparison it uses.
#include <gtest/gtest.h>

#include "data/client_table.h"
#include "data/text_fold.h"
#include "ui/lookup_find.h"

using namespace cot;

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
