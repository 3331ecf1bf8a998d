// Two versions of a proposal side by side: a copy with a few changes lists exactly those
// changes, old and new, with both versions' totals as the running total gives them; lines
// renumbered between versions are still the same line; and only whoever may see both
// versions gets an answer.
#include <QRegularExpression>
#include <tuple>

#include "data/format_br.h"
#include "server/methods/version_compare.h"
#include "server_cases_b.h"

using namespace cot;

namespace {

class VersionCompareTest : public DemoServerTest {
protected:
    Packet compare(const QVariantList& args) { return packet("GetComparacaoVersoes", args); }
    // The rows of one kind of change, each as "section | item | field | old → new".
    static QStringList rows(const Packet& p, const QString& change) {
        QStringList out;
        for (int r = 0; r < p.rows.size(); ++r)
            if (p.value(r, "IDMUDANCA").toString() == change)
                out << QStringLiteral("%1 | %2 | %3 | %4 → %5")
                           .arg(p.value(r, "NMSECAO").toString(), p.value(r, "DSITEM").toString(),
                                p.value(r, "DSCAMPO").toString(), p.value(r, "VLVERSAO1").toString(),
                                p.value(r, "VLVERSAO2").toString());
        return out;
    }

    // Demo proposal 2/01 copied to 02 by the copy method, then changed in five places: its
    // first text among them.
    void copyAndChange() {
        ASSERT_TRUE(call("CopiaDados", {"0001", nr(2), "01", "02", "N"}).ok);
        text_ = server_.db().scalar("SELECT MIN(CDTXTPROPFAS) FROM TXTPROPFAS WHERE NRPROPOSFAS = :N AND "
                                    "NRVERPROPFAS = '02'", {{"N", nr(2)}}).toString();
        ASSERT_FALSE(text_.isEmpty());
        for (const char* sql :
             {"UPDATE PROPOSTAFAS SET DSREFEPROPOSFAS = 'Revisão de preços' WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '02'",
              "UPDATE LINPPROP SET VRMENSALIDAPROP = 95 WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '02' AND CDLINPPROPINFOR = '2002'",
              "DELETE FROM SISTLINPPROP WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '02' AND CDSISTEMA = 'WEB00002'",
              "INSERT INTO SERVPROP (NRPROPOSFAS, NRVERPROPFAS, NRSERVPROP, CDTIPOSERV, IDTIPOCOBRPROP, VRPEACHEPROP, "
              "QTSERVPROP, VREXCEDPROP, VRHORAPROP, VRDEHORAPROP, VRPEHORAPROP) VALUES (:N, '02', '003', '004', 'P', 1, 10, "
              "200, 200, 200, 0)",
              "UPDATE TXTPROPFAS SET TXPROPFAS = '<p>Pagamento em &lt;30&gt; dias.</p>' WHERE NRPROPOSFAS = :N "
              "AND NRVERPROPFAS = '02' AND CDTXTPROPFAS = :T"})
            server_.db().exec(QString::fromUtf8(sql), {{"N", nr(2)}, {"T", text_}});
    }

    QString text_;
};

TEST_P(VersionCompareTest, ACopyWithFiveChangesListsExactlyThoseChanges) {
    copyAndChange();
    const Packet p = compare({nr(2), "01", "02"});
    EXPECT_EQ(column(p, "NRORDEM").first(), "1");

    const QStringList changed = rows(p, "A");
    ASSERT_EQ(changed.size(), 3) << changed.join("\n").toStdString();
    EXPECT_EQ(changed.mid(0, 2),
              QStringList({"Cabeçalho | Proposta | Referência | ERP Web e serviços de implantação → Revisão de preços",
                           "Linhas de produto | 2002 - Escrita Fiscal Web | Mensalidade | 80,00 → 95,00"}));
    // Rich text read as plain text.
    EXPECT_TRUE(changed[2].startsWith("Textos | " + text_ + " | Texto | ") && changed[2].endsWith(" → Pagamento em <30> dias."))
        << changed[2].toStdString();
    EXPECT_EQ(rows(p, "E"), QStringList({"Sistemas | Linha 2001: EST |  | Estoque → "}));
    EXPECT_EQ(rows(p, "I"), QStringList({"Serviços | 003 - Customização |  |  → 10 h a 200,00"}));
    EXPECT_EQ(p.value(0, "NMCAMPO").toString(), "DSREFEPROPOSFAS");

    // Totals of both versions, last, whatever changed; as the running total has them.
    const QStringList totals = rows(p, "T");
    ASSERT_EQ(totals.size(), 4);
    EXPECT_EQ(column(p, "IDMUDANCA").mid(p.rows.size() - 4), QStringList(4, "T"));
    const Packet before = packet("GetTotaisProposta", {nr(2), "01"}), after = packet("GetTotaisProposta", {nr(2), "02"});
    const auto money = [](const Packet& t, const char* field) { return formatMoney(t.value(0, field).toDouble()); };
    const std::pair<QString, const char*> sums[] = {
        {"Licença de uso", "VRLICENCA"}, {"Mensal", "VRMENSAL"}, {"Serviços", "VRSERVICOS"}};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(totals[i], QString("Totais | %1 | %1 | ").arg(sums[i].first) + money(before, sums[i].second) + " → " +
                                 money(after, sums[i].second));
    EXPECT_EQ(money(after, "VRMENSAL"), formatMoney(before.value(0, "VRMENSAL").toDouble() + 30));
    const auto oneOff = [](const Packet& t) {
        return formatMoney(t.value(0, "VRLICENCA").toDouble() + t.value(0, "VRSERVICOS").toDouble());
    };
    EXPECT_EQ(totals[3], "Totais | Valor único | Valor único | " + oneOff(before) + " → " + oneOff(after));

    // The other way round every change is reversed.
    const Packet reversed = compare({nr(2), "02", "01"});
    EXPECT_EQ(rows(reversed, "I"), QStringList({"Sistemas | Linha 2001: EST |  |  → Estoque"}));
    EXPECT_EQ(rows(reversed, "E"), QStringList({"Serviços | 003 - Customização |  | 10 h a 200,00 → "}));
    EXPECT_EQ(rows(reversed, "A")[1], "Linhas de produto | 2002 - Escrita Fiscal Web | Mensalidade | 95,00 → 80,00");
}

TEST_P(VersionCompareTest, ALineUnderANewCodeIsTheSameLineWhenItsInformedCodeIs) {
    // Demo proposal 6 quotes line 6001 under another code in each version, with its
    // installments on other dates.
    const Packet p = compare({nr(6), "01", "02"});
    EXPECT_TRUE(rows(p, "I").isEmpty()) << rows(p, "I").join("\n").toStdString();
    const QStringList changed = rows(p, "A");
    EXPECT_TRUE(
        changed.contains("Linhas de produto | 6001 - ERP Web - filiais | Licença de uso | 1.100,00 → 1.000,00"));
    EXPECT_TRUE(changed.contains("Linhas de produto | 6001 - ERP Web - filiais | Mensalidade | 140,00 → 130,00"));
    EXPECT_EQ(changed.filter(QRegularExpression("^Parcelas da linha \\| Linha 6001: parcela .*\\| Vencimento \\|")).size(), 2);
    // Nothing of a line matched this way is reported removed or added.
    for (const QString& row : rows(p, "E")) EXPECT_FALSE(row.contains("6001")) << row.toStdString();
}

TEST_P(VersionCompareTest, VersionsMustDifferAndBothExist) {
    const QString missing = "Proposta não cadastrada.";
    for (const auto& [number, first, second, error] :
         {std::tuple<int, QString, QString, QString>{2, "01", "01", "Escolha duas versões diferentes."},
          {2, "01", "07", missing}, {2, "07", "01", missing}, {99, "01", "02", missing}, {2, "", "", missing},
          {2, "01", "1", "Versão de proposta inválida: informe os 2 dígitos."}})
        EXPECT_EQ(call("GetComparacaoVersoes", {nr(number), first, second}).error, error) << first.toStdString() << second.toStdString();
    EXPECT_FALSE(call("GetComparacaoVersoes", {nr(2), "01"}).ok) << "three arguments are declared";
}

TEST_P(VersionCompareTest, EachVersionMustBeVisibleToTheCaller) {
    // ASSIST's demo proposal 10 gets a second version of VENDEDOR's; ASSIST sees only his own.
    server_.db().exec("INSERT INTO PROPOSTAFAS (NRPROPOSFAS, NRVERPROPFAS, CDFILIAL, CDOPERINCL, CDOPERSOLI) "
                      "VALUES (:N, '02', '0001', 'VENDEDOR', 'VENDEDOR')", {{"N", nr(10)}});
    auto assist = server_.newConnection();
    assist->setToken(server_.openSession("ASSIST"));
    const QString refusal = "O operador ASSIST não pode ver propostas de outros operadores.";
    EXPECT_EQ(assist->call("GetComparacaoVersoes", {nr(10), "02", "01"}).error, refusal) << "the rule, on version 1";
    EXPECT_EQ(assist->call("GetComparacaoVersoes", {nr(10), "01", "02"}).error, refusal) << "the same, on version 2";
    EXPECT_EQ(assist->call("GetComparacaoVersoes", {nr(2), "01", "02"}).error, refusal);
    // VENDEDOR's group sees the whole branch: both versions are his to compare.
    EXPECT_TRUE(call("GetComparacaoVersoes", {nr(10), "02", "01"}).ok);
}

COT_ON_EVERY_BACKEND(VersionCompareTest);

TEST(VersionComparePlainText, RichTextReadsAsItsWords) {
    using server::version_compare::plainText;
    EXPECT_EQ(plainText("<html><head><style>p { margin: 0 }</style></head>"
                        "<body><p>Um</p><p>dois&nbsp;três</p></body>"),
              "Um dois três");
    EXPECT_EQ(plainText("a &amp;lt; b &amp; c<br/>d"), "a &lt; b & c d");
    EXPECT_EQ(plainText("Texto  simples\n sem marcas"), "Texto simples sem marcas");
}

}  // namespace
