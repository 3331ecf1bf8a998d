// The history of a proposal: every field a save changes and every method that writes a
// version by itself, written in the transaction of the change (so a refused change leaves
// none), with who and through which method; read newest first and only by those who may
// see the proposal. And two versions side by side: a copy with a few changes lists exactly
// those changes, old and new, with both versions' totals as the running total gives them;
// lines renumbered between versions are still the same line; and only whoever may see both
// versions gets an answer.
#include <QRegularExpression>

#include "data/format_br.h"
#include "server/methods/version_compare.h"
#include "server_cases_b.h"

using namespace cot;
using namespace cot::testing;

namespace {

// The observation's change log as the screen sends it; NMJUNTADO is no column of the table.
Delta observation(ChangeOp op, const QVariantList& oldValues, const QVariantList& newValues) {
    return {{{"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2}, {"TXOBSPROPFAS", FieldType::Memo, 0},
             {"NMJUNTADO", FieldType::String, 20}}, {{op, oldValues, newValues}}};
}

class ProposalHistoryTest : public cot::testing::DemoServerTest {
protected:
    ProposalHistoryTest() { server_.db().exec("DELETE FROM OBSPROPFAS WHERE NRPROPOSFAS = :N", {{"N", nr(2)}}); }
    RpcResult setObs(const Delta& d, const QString& dropEmpty = "0") { return call("SetObs", {QVariant::fromValue(d), dropEmpty}); }
    QVariant observationOf(int n) {
        return server_.db().scalar("SELECT TXOBSPROPFAS FROM OBSPROPFAS WHERE NRPROPOSFAS = :N", {{"N", nr(n)}});
    }
    Packet history(const QVariantList& args) { return packet("GetHistorico", args); }
    int rows(int n) { return count("SELECT COUNT(*) FROM HISTPROP WHERE NRPROPOSFAS = :N", {{"N", nr(n)}}); }
};

TEST_P(ProposalHistoryTest, EverySavedFieldIsOnRecordWithWhoAndHowAndARefusedChangeWritesNone) {
    ASSERT_TRUE(setObs(observation(ChangeOp::Insert, {}, {nr(2), "01", "<p>Primeira.</p>", "x"})).ok);
    ASSERT_TRUE(setObs(observation(ChangeOp::Update, {nr(2), "01", "<p>Primeira.</p>", "x"},
                                   {nr(2), "01", "<p>Segunda.</p>", "y"})).ok);
    EXPECT_EQ(observationOf(2).toString(), "<p>Segunda.</p>");

    const Packet h = history({nr(2), "01"});
    // The update's one field, then the insert's three: the joined name is no column.
    EXPECT_EQ(column(h, "IDOPERHIST"), QStringList({"A", "I", "I", "I"}));
    EXPECT_EQ(column(h, "NMCAMPO"), QStringList({"TXOBSPROPFAS", "TXOBSPROPFAS", "NRVERPROPFAS", "NRPROPOSFAS"}));
    EXPECT_EQ(cells(h, 0, {"VLANTERIOR", "VLNOVO", "NMTABELA", "DSCHAVE", "DTHIST"}) + cells(h, 1, {"VLANTERIOR"}),
              QStringList({"<p>Primeira.</p>", "<p>Segunda.</p>", "OBSPROPFAS", "NRPROPOSFAS=" + nr(2) + "; NRVERPROPFAS=01",
                           "06/12/2026 10:00", "<null>"}));
    EXPECT_EQ(column(h, "CDOPERADOR") + column(h, "NMMETODO"),
              QStringList(4, server_.operatorCode()) + QStringList(4, "SetObs"));

    // A deletion keeps what was removed; the table filter narrows the list.
    ASSERT_TRUE(setObs(observation(ChangeOp::Delete, {nr(2), "01", "<p>Segunda.</p>", "y"}, {})).ok);
    const Packet deleted = history({nr(2), "01", "obspropfas"});
    EXPECT_EQ(std::pair(deleted.value(0, "IDOPERHIST").toString(), deleted.rows.size()), std::pair(QString("E"), qsizetype(7)));
    EXPECT_TRUE(history({nr(2), "01", "LINPPROP"}).isEmpty());
    EXPECT_TRUE(history({nr(2), "02"}).isEmpty()) << "another version's history is its own";
    // Too many arguments is a malformed call, not a larger answer.
    EXPECT_FALSE(call("GetHistorico", {nr(2), "01", "", 10, "", "x"}).ok);

    // An observation emptied is dropped when the screen asks so.
    ASSERT_TRUE(setObs(observation(ChangeOp::Insert, {}, {nr(2), "01", "<p>Primeira.</p>", ""})).ok);
    ASSERT_TRUE(setObs(observation(ChangeOp::Update, {nr(2), "01", "<p>Primeira.</p>", ""}, {nr(2), "01", "<p></p>", ""}), "1").ok);
    EXPECT_EQ(count("SELECT COUNT(*) FROM OBSPROPFAS WHERE NRPROPOSFAS = :N", {{"N", nr(2)}}), 0) << "an empty one is not kept";

    // A stale change, a bad flag or a bad number is refused without writing, its history included.
    const QString before = observationOf(1).toString();
    const int history = rows(1);
    ASSERT_FALSE(before.isEmpty());
    EXPECT_EQ(setObs(observation(ChangeOp::Update, {nr(1), "01", "<p>Já mudou.</p>", ""}, {nr(1), "01", "<p>Nova.</p>", ""})).error,
              "Registro alterado ou excluído por outro usuário.");
    EXPECT_FALSE(setObs(observation(ChangeOp::Update, {nr(1), "01", before, ""}, {nr(1), "01", "<p>Nova.</p>", ""}), "talvez").ok);
    EXPECT_EQ(observationOf(1).toString(), before);
    EXPECT_EQ(rows(1), history);
    EXPECT_EQ(setObs(observation(ChangeOp::Insert, {}, {"", "01", "<p>Sem número.</p>", ""})).error,
              "Número de proposta inválido: informe os 20 dígitos.");
}

// Each row names what it is about as a person knows it: from the row stored now, or, once
// it is deleted, from what its history kept; the version's own tables need no name.
TEST_P(ProposalHistoryTest, EachRowNamesWhatItIsAbout) {
    // Demo proposal 2/01 (VENDEDOR's, of branch 0001) quotes line 2001 under the key nr(3),
    // and service 001 (Implantação).
    const QString head = "NRPROPOSFAS=" + nr(2) + "; NRVERPROPFAS=01", line = head + "; CDLINPPROP=" + nr(3);
    const QString gone = head + "; CDLINPPROP=" + nr(999);
    // Each with the value its history kept.
    const struct {
        QString table, key, field, described;
        QVariant before = "1";
    } cases[] = {
        {"LINPPROP", line, "NRUSUALINPP", "2001 – ERP Web completo"},
        {"VENCLINPPROP", line + "; DTVELUSOPEDP=2027-01-10T00:00:00", "VRVELUSOPEDP", "10/01/2027 – 2001 – ERP Web completo"},
        {"SERVPROP", head + "; NRSERVPROP=001", "QTSERVPROP", "Implantação"},
        {"VENCSERVPROP", head + "; DTVENCSERVPROP=2027-02-05T00:00:00", "VRVENCSERVPROP", "05/02/2027"},
        {"TXTPROPFAS", head + "; CDTXTPROPFAS=Prazo; NRORDEM=1", "TXPROPFAS", "Prazo; NRORDEM=1"},
        {"SIMULAPROP", head + "; NRSIMULAPROP=9", "NRORDSIMULAPROP", "Simulação 9"},
        // A deleted line: its code and name as its deletion kept them.
        {"LINPPROP", gone, "CDLINPPROPINFOR", "77 – Linha excluída", "77"},
        {"LINPPROP", gone, "NMLINPPROP", "77 – Linha excluída", "Linha excluída"},
        {"OBSPROPFAS", head, "TXOBSPROPFAS", ""},
    };
    int sequence = 0;
    for (const auto& c : cases) {
        server_.db().exec("INSERT INTO HISTPROP (NRPROPOSFAS, NRVERPROPFAS, DTHIST, NRSEQHIST, CDOPERADOR, NMMETODO, "
                          "NMTABELA, DSCHAVE, IDOPERHIST, NMCAMPO, VLANTERIOR, CDFILIAL, CDOPERINCL, CDOPERSOLI) VALUES "
                          "(:N, '01', :D, :S, 'VENDEDOR', 'SetLinProd', :T, :K, 'E', :F, :B, '0001', 'VENDEDOR', 'VENDEDOR')",
                          {{"N", nr(2)}, {"D", QDateTime(QDate(2026, 12, 1), QTime(9, 0))}, {"S", ++sequence},
                           {"T", c.table}, {"K", c.key}, {"F", c.field}, {"B", c.before}});
    }
    const Packet h = history({nr(2), "01"});
    ASSERT_EQ(h.rows.size(), std::size(cases));
    for (int r = 0; r < h.rows.size(); ++r) {
        const auto& c = cases[std::size(cases) - 1 - r];  // newest first
        EXPECT_EQ(h.value(r, "DSCHAVE").toString(), c.key) << "the stored key stays";
        EXPECT_EQ(h.value(r, "DSREGISTRO").toString(), c.described) << c.table.toStdString() << " " << r;
    }
}


// A method that writes a version by itself leaves one row naming it, and none when it
// refuses. The copy's new version starts its history with one row naming the copy and who
// made it; the source's history names the copy too.
TEST_P(ProposalHistoryTest, AMethodThatWritesAVersionByItselfIsNamedInItsHistory) {
    EXPECT_FALSE(call("SetUpdReaju", {"0001", nr(3), "01", "60"}).ok);
    EXPECT_EQ(rows(3), 0);
    ASSERT_TRUE(call("SetUpdReaju", {"0001", nr(3), "01", "100"}).ok);
    const Packet h = history({nr(3), "01"});
    EXPECT_EQ(cells(h, 0, {"IDOPERHIST", "NMMETODO", "NMTABELA"}) << QString::number(h.rows.size()),
              QStringList({"M", "SetUpdReaju", "<null>", "1"}));

    const int before = rows(2);
    ASSERT_TRUE(call("CopiaDados", {"0001", nr(2), "01", "07", "N"}).ok);

    const Packet copy = history({nr(2), "07"});
    // The version it came from; the source's newest row names the copy too.
    EXPECT_EQ(cells(copy, 0, {"IDOPERHIST", "NMMETODO", "CDOPERADOR", "NMCAMPO", "VLANTERIOR"})
                  << QString::number(copy.rows.size()) << cells(history({nr(2), "01"}), 0, {"NMMETODO"}),
              QStringList({"M", "CopiaDados", server_.operatorCode(), "<null>", nr(2) + "/01", "1", "CopiaDados"}));
    EXPECT_EQ(rows(2), before + 2);

    // The version is taken now: the copy is refused and neither history grows.
    EXPECT_FALSE(call("CopiaDados", {"0001", nr(2), "01", "07", "N"}).ok);
    EXPECT_EQ(rows(2), before + 2);
}

COT_ON_EVERY_BACKEND(ProposalHistoryTest);

class VersionCompareTest : public cot::testing::DemoServerTest {
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
    ASSERT_EQ(column(p, "IDMUDANCA").mid(p.rows.size() - 4) << QString::number(totals.size()), QStringList(4, "T") << "4");
    const Packet before = packet("GetTotaisProposta", {nr(2), "01"}), after = packet("GetTotaisProposta", {nr(2), "02"});
    const auto money = [](const Packet& t, const char* field) { return formatMoney(t.value(0, field).toDouble()); };
    const std::pair<QString, const char*> sums[] = {{"Licença de uso", "VRLICENCA"}, {"Mensal", "VRMENSAL"}, {"Serviços", "VRSERVICOS"}};
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
    for (const char* row : {"Licença de uso | 1.100,00 → 1.000,00", "Mensalidade | 140,00 → 130,00"})
        EXPECT_TRUE(changed.contains("Linhas de produto | 6001 - ERP Web - filiais | " + QString(row))) << row;
    EXPECT_EQ(changed.filter(QRegularExpression("^Parcelas da linha \\| Linha 6001: parcela .*\\| Vencimento \\|")).size(), 2);
    // Nothing of a line matched this way is reported removed or added.
    for (const QString& row : rows(p, "E")) EXPECT_FALSE(row.contains("6001")) << row.toStdString();
}

TEST_P(VersionCompareTest, VersionsMustDifferAndBothExistAndBeVisibleToTheCaller) {
    const QString missing = "Proposta não cadastrada.";
    for (const auto& [number, first, second, error] :
         {std::tuple<int, QString, QString, QString>{2, "01", "01", "Escolha duas versões diferentes."},
          {2, "01", "07", missing}, {2, "07", "01", missing}, {99, "01", "02", missing}, {2, "", "", missing},
          {2, "01", "1", "Versão de proposta inválida: informe os 2 dígitos."}})
        EXPECT_EQ(call("GetComparacaoVersoes", {nr(number), first, second}).error, error) << first.toStdString() << second.toStdString();
    EXPECT_FALSE(call("GetComparacaoVersoes", {nr(2), "01"}).ok) << "three arguments are declared";

    // ASSIST's demo proposal 10 gets a second version of VENDEDOR's; ASSIST sees only his own.
    server_.db().exec("INSERT INTO PROPOSTAFAS (NRPROPOSFAS, NRVERPROPFAS, CDFILIAL, CDOPERINCL, CDOPERSOLI) "
                      "VALUES (:N, '02', '0001', 'VENDEDOR', 'VENDEDOR')", {{"N", nr(10)}});
    auto assist = server_.newConnection();
    assist->setToken(server_.openSession("ASSIST"));
    const QString refusal = "O operador ASSIST não pode ver propostas de outros operadores.";
    // The rule on the first version, and the same on the second.
    for (const QVariantList& args : {QVariantList{nr(10), "02", "01"}, QVariantList{nr(10), "01", "02"}, QVariantList{nr(2), "01", "02"}})
        EXPECT_EQ(assist->call("GetComparacaoVersoes", args).error, refusal)
            << args[0].toString().toStdString() << " " << args[1].toString().toStdString();
    // VENDEDOR's group sees the whole branch: both versions are his to compare.
    EXPECT_TRUE(call("GetComparacaoVersoes", {nr(10), "02", "01"}).ok);
}

COT_ON_EVERY_BACKEND(VersionCompareTest);

TEST(VersionComparePlainText, RichTextReadsAsItsWords) {
    using server::version_compare::plainText;
    EXPECT_EQ(plainText("<html><head><style>p { margin: 0 }</style></head><body><p>Um</p><p>dois&nbsp;três</p></body>"), "Um dois três");
    EXPECT_EQ(plainText("a &amp;lt; b &amp; c<br/>d"), "a &lt; b & c d");
    EXPECT_EQ(plainText("Texto  simples\n sem marcas"), "Texto simples sem marcas");
}

}  // namespace
