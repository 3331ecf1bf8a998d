// How the history's stored columns and methods read: the screen's captions and formats
// where its tables give them, the plain labels where they do not, and the methods in words.

#include "data/client_table.h"
#include "data/table_fields.h"
#include "dialogs/history/history_fields.h"
#include "dialogs/history/history_words.h"

using namespace cot;

namespace {

const QString kNumber = QStringLiteral("00000000000000000015");

TEST(HistoryWords, FieldsReadByTheScreensCaptionsAndFormatsElseThePlainTableAndMethodsAsWhatTheyDid) {
    // A screen table as an area defines it: a captioned money field, one without caption, a
    // one-letter code shown as a word and a date with the list's format.
    ClientTable screen;
    table_fields::money(screen, "VRVELUSOPEDP", QStringLiteral("Valor da parcela"));
    table_fields::money(screen, "VRLICENCUSOPROP");
    table_fields::text(screen, "IDTIPLINPP", 1, QStringLiteral("Tipo")).onGetText = [](Field& f, bool) {
        return f.asString() == u"L" ? QStringLiteral("Locação") : f.asString();
    };
    table_fields::date(screen, "DTPROPOSFAS", QStringLiteral("Data")).displayFormat = QStringLiteral("dd/mm/yy");
    HistoryFields fields;
    fields.add(QStringLiteral("LINPPROP"), screen);
    const struct { const char *table, *column, *stored, *label, *shown; } cases[] = {
        {"LINPPROP", "VRVELUSOPEDP", "1522.5", "Valor da parcela", "1.522,50"},
        // The screen's field has no caption: the plain label, the screen's format.
        {"LINPPROP", "VRLICENCUSOPROP", "1234567.891", "Licença de uso", "1.234.567,89"},
        {"linpprop", "IDTIPLINPP", "L", "Tipo", "Locação"},
        {"LINPPROP", "DTPROPOSFAS", "2027-01-10T00:00:00", "Data", "10/01/27"},
        // A table the screen did not give: the plain table's label and kind.
        {"VENCSERVPROP", "VRVENCSERVPROP", "-80", "Valor", "-80,00"},
        {"VENCSERVPROP", "DTVENCSERVPROP", "2027-02-05T00:00:00", "Data Vencimento", "05/02/2027"},
        {"SIMULALINP", "QTUTILSIMULINP", "2.5", "Quantidade", "2,5"},
        {"TXTPROPFAS", "TXPROPFAS", "<p>1.5</p>", "Texto", "<p>1.5</p>"},
        // Not a value of the column's kind, or a column nobody names: as stored.
        {"LINPPROP", "VRVELUSOPEDP", "abc", "Valor da parcela", "abc"},
        {"VENCSERVPROP", "DTVENCSERVPROP", "amanhã", "Data Vencimento", "amanhã"},
        {"TABELANOVA", "CAMPO", "1522.5", "CAMPO", "1522.5"},
        // A key filled with zeros reads without them.
        {"VENCLINPPROP", "NRPROPOSFAS", "00000000000000000002", "Proposta", "2"},
        {"TABELANOVA", "CODIGO", "00000000000000000013", "CODIGO", "13"},
        {"LINPPROP", "VRVELUSOPEDP", "", "Valor da parcela", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fields.label(c.table, c.column) + " = " + fields.value(c.table, c.column, QString::fromUtf8(c.stored)),
                  QString::fromUtf8(c.label) + " = " + QString::fromUtf8(c.shown)) << c.table << "." << c.column << " " << c.stored;

    // Methods read as what they did.
    const struct { const char *method, *origin, *word; } methods[] = {
        {"SetVencimento", "", "Parcelas geradas"},
        {"SetLinProd", "", "Linhas de produto gravadas"},
        {"CopiaDados", "00000000000000000015/01", "Cópia da versão 01"},
        {"CopiaDados", "00000000000000000007/02", "Cópia da proposta 7/02"},
        {"CopiaDados", "", "Cópia de outra versão"},
        {"MetodoNovo", "", "MetodoNovo"},
        {"", "", ""},
    };
    for (const auto& c : methods)
        EXPECT_EQ(history_words::methodWord(QString::fromLatin1(c.method), QString::fromLatin1(c.origin), kNumber),
                  QString::fromUtf8(c.word)) << c.method << " " << c.origin;
    EXPECT_EQ(history_words::originText(QStringLiteral("00000000000000000007/02")), "7/02");
    EXPECT_EQ(history_words::windowTitle(kNumber, QStringLiteral("01")), "Histórico da Proposta 15/01");
}

}  // namespace
