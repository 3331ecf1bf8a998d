// Readjustment of a proposal: the split between index 1 and index 2, the checks a post
// runs only for a proposal, the month a client must have, and the words shown.
#include "screens/screen_cases_e.h"
#include "ui/db_combo_box.h"
#include "ui/lookup_button.h"

using namespace cot;
using namespace cot::testing;

namespace {

class HeaderReadjustment : public HeaderCase {
protected:
    // A new client proposal with index 1 and, when percent1 < 100, index 2.
    void newProposal(double percent1, const QVariant& percent2) {
        startNewProposal();
        fillRequest(kAlfa);
        makeProposal();
        ClientTable& t = screen->proposal();
        t["VRPEINCIND1"].setAsFloat(percent1);
        if (percent1 < 100) {
            t["CDINDICE2"].setAsString("0002");
            t["CDTPINDICE2"].setAsString("M");
        }
        t["VRPEINCIND2"].setValue(percent2);
    }
};

TEST_F(HeaderReadjustment, PercentagesMustAddUpToAHundred) {
    // 100 alone: index 2 is cleared and not asked for.
    newProposal(100, QVariant());
    ClientTable& t = screen->proposal();
    t["CDINDICE2"].setAsString("0002");
    ASSERT_TRUE(saved());
    // IDPERVALOR1 is copied by the type check.
    EXPECT_EQ(storedValues(nr(), {"VRPEINCIND1", "CDINDICE2", "IDPERVALOR1"}) << t["NMINDICEREAJ1"].asString(),
              QStringList({"100", "", "P", "IGP-M - Índice Geral de Preços"}));

    newProposal(60, 40.0);
    ASSERT_TRUE(saved());
    EXPECT_EQ(storedValues(nr(), {"CDINDICE2", "VRPEINCIND2"}), QStringList({"0002", "40"}));

    // 60 + 30 does not pass; the focus moves to percentage 1 once the refusal is over.
    newProposal(60, 30.0);
    refused("A soma dos percentuais de reajuste deve ser de 100%");
    EXPECT_TRUE(QTest::qWaitFor([&] { return focused(widget<TDBEdit>("dbePercent1")); }) && t.state() == DataSetState::Insert);
    // Nothing for index 2's percentage is asked for it; 0 fails the sum; 0 for index 1 is none.
    t["VRPEINCIND2"].clear();
    refused("Percentual do reajuste 2 deve ser informado");
    t["VRPEINCIND2"].setAsFloat(0);
    refused("A soma dos percentuais de reajuste deve ser de 100%");
    t["VRPEINCIND1"].setAsFloat(0);
    refused("Percentual de reajuste deve ser maior que zero.");
}

TEST_F(HeaderReadjustment, IndexTwoMustDifferFromIndexOneAndHaveAKnownTypeAndAHundredTakesItOutOfUse) {
    newProposal(60, 40.0);
    ClientTable& t = screen->proposal();
    t["CDINDICE2"].setAsString("0001");
    // Leaving percentage 1 below 100 puts index 2 in use; leaving its type checks it.
    ASSERT_TRUE(focus(*screen, "dbePercent1"));
    leave("dbeTpInd2");
    EXPECT_EQ(dialogs.errors(), QStringList{"Índice 1 deve ser diferente do índice 2"});
    EXPECT_FALSE(post()) << "the post finds it too";
    // Another type of the same index is a different index.
    dialogs.clearShown();
    t["CDTPINDICE2"].setAsString("A");
    leave("dbeTpInd2");
    EXPECT_EQ(dialogs.errors() << t["NMINDICEREAJ2"].asString(), QStringList{"IGP-M acumulado anual"});

    // Percentage 1 of a hundred takes index 2 out of use.
    t["VRPEINCIND1"].setAsFloat(100);
    leave("dbePercent1");
    EXPECT_TRUE(t["CDINDICE2"].asString().isEmpty() && t["CDTPINDICE2"].asString().isEmpty() && t["VRPEINCIND2"].asFloat() == 0);
    t["VRPEINCIND1"].setAsFloat(70);
    leave("dbePercent1");
    EXPECT_EQ(widget<TDBEdit>("dbeInd2").color(), ControlColor::InfoBk);
    // The index-2 lookup puts it in use too (its type is checked), whatever percentage 1 is.
    t["VRPEINCIND1"].setAsFloat(100);
    leave("dbePercent1");
    dialogs.expectPick([](ClientTable& list) { return list.locate("CDINDICE;CDTPINDICE", {"0003", "M"}); });
    ASSERT_TRUE(widget<TBtnPesquisa>("btnPesqInd2").pesquisar());
    EXPECT_EQ(t["CDINDICE2"].asString() + u'|' + t["NMINDICEREAJ2"].asString(), "0003|INPC - Índice Nacional");
    t["CDTPINDICE2"].setAsString("Z");
    leave("dbeTpInd2");
    EXPECT_EQ(dialogs.errors().value(0), "Tipo de índice do reajuste 2 não cadastrado");
}

TEST_F(HeaderReadjustment, MonthAndKindAreShownAsWords) {
    startNewProposal();
    ClientTable& t = screen->proposal();
    // A code shows as its word (an unknown one as nothing); an unknown word leaves the code.
    const auto shown = [&](const char* field, const QString& code) {
        t[field].setAsString(code);
        return t[field].displayText();
    };
    const auto stored = [&](const char* field, const QString& word) {
        t[field].setText(word);
        return t[field].asString();
    };
    EXPECT_EQ(QStringList({t["IDCLIENPROSP"].displayText(), shown("NRMESREAJPROP", "07"), widget<TDBComboBox>("dbcMesReaj").text(),
                           shown("NRMESREAJPROP", "13"), stored("NRMESREAJPROP", "Março"), stored("NRMESREAJPROP", "Março de novo")}),
              QStringList({"Cliente", "Julho", "Julho", "", "03", "03"}));
    ASSERT_TRUE(widget<TDBComboBox>("cbbReajuste").choose(1));
    widget<TDBComboBox>("cbbReajuste").updateRecord();
    EXPECT_EQ(QStringList({t["IDTPREAJPROP"].asString(), shown("IDTPREAJPROP", "A"), shown("IDTPREAJPROP", "X"),
                           stored("IDTPREAJPROP", "Trienal"), stored("IDCLIENPROSP", "Prospect"),
                           stored("IDCLIENPROSP", "Outro"), shown("IDTIPOPROPFAS", "M"), shown("IDTIPOPROPFAS", "Q")}),
              QStringList({"B", "Anual", "", "X", "P", "P", "LU/Manutenção", "Serviço"}));
    t["IDTPIJURCLIE"].setAsString("J");
    t["CDCLIENTE"].setAsString(kAlfa);
    t["IDCLIENPROSP"].setAsString("C");
    t["NRINSJURCLIE"].setAsString(kAlfa);
    EXPECT_EQ(t["NRINSJURCLIE"].displayText(), "11.222.333/0001-81");
}

TEST_F(HeaderReadjustment, AClientWithoutReadjustmentMonthBlocksAProposal) {
    startNewProposal();
    ClientTable& t = screen->proposal();
    // A request for that client is fine.
    type(*screen, "dbeCdCliPros", kKappa);
    ASSERT_TRUE(focus(*screen, "dbeDsReferencia"));
    EXPECT_EQ(dialogs.errors() << t["NOME"].asString(), QStringList{"Kappa Alimentos"});

    // As a proposal, leaving the code shows why and puts the focus on the month; the post
    // stops on it as well.
    ASSERT_TRUE(widget<TDBComboBox>("dbcTipoProp").choose(1));
    widget<TDBComboBox>("dbcTipoProp").updateRecord();
    EXPECT_EQ(t["IDSOLPROPFAS"].asString(), "N");
    widget<TDBEdit>("dbeCdCliPros").clear();
    type(*screen, "dbeCdCliPros", kKappa);
    focus(*screen, "dbeDsReferencia");
    EXPECT_TRUE(dialogs.errors().size() == 1 && focused(widget<TDBComboBox>("dbcMesReaj")));
    fillRequest(kKappa);
    makeProposal();
    EXPECT_FALSE(post());
    ASSERT_EQ(dialogs.errors().size(), 2);
    for (const QString& error : dialogs.errors())
        EXPECT_TRUE(error.startsWith("Cliente não possui o mês de reajuste cadastrado.")) << error.toStdString();
    // With the month chosen it goes through.
    t["NRMESREAJPROP"].setAsString("05");
    ASSERT_TRUE(saved());
}

TEST_F(HeaderReadjustment, TypingAHundredOnAStoredProposalDropsIndexTwoOnTheServer) {
    ASSERT_TRUE(locate(9));
    ASSERT_EQ(storedValues(seedNumber(9), {"IDPERVALOR2"}), QStringList{"P"});
    editOnForm();
    retype("dbePercent1", "100", false);  // the key filter lets no Ctrl+A through
    ASSERT_TRUE(focus(*screen, "dbeInd1"));
    EXPECT_TRUE(screen->proposal()["CDINDICE2"].asString().isEmpty());
    ASSERT_TRUE(saved());
    EXPECT_TRUE(storedRow(seedNumber(9), "01").value("IDPERVALOR2").isNull());
    EXPECT_EQ(storedValues(seedNumber(9), {"VRPEINCIND1", "VRPEINCIND2", "CDINDICE2"}), QStringList({"100", "0", ""}));
}

TEST_F(HeaderReadjustment, RequestAndProposalChoiceAndARequestSkipsEveryReadjustmentCheck) {
    ClientTable& t = screen->proposal();
    // A request needs no index, no percentage, no kind, no responsible operator; the same
    // header as a proposal stops at the first index.
    startNewProposal();
    fillRequest(kAlfa);
    ASSERT_TRUE(saved());
    startNewProposal();
    fillRequest(kAlfa);
    t["IDSOLPROPFAS"].setAsString("N");
    refused("Índice 1 deve ser informado", "dbeInd1");
    runHandler([&] { t.cancel(); });

    // A stored proposal cannot go back to being a request.
    ASSERT_TRUE(locate(2));
    editOnForm();
    dialogs.clearShown();
    EXPECT_FALSE(runHandler([&] { widget<TDBComboBox>("dbcTipoProp").choose(0); }) && dialogs.errors().isEmpty());
    EXPECT_EQ(dialogs.errors(), QStringList{"Proposta não pode ser modificada para Solicitação"});
    EXPECT_EQ(t["IDSOLPROPFAS"].asString() + u'|' + widget<TDBComboBox>("dbcTipoProp").text(), "N|Proposta");
    runHandler([&] { t.cancel(); });

    // A new request clears whatever readjustment was typed.
    dialogs.clearShown();
    startNewProposal();
    makeProposal();
    ASSERT_TRUE(widget<TDBComboBox>("dbcTipoProp").choose(0));
    for (const char* field : {"CDINDICE1", "VRPEINCIND1", "CDOPERRESP"}) EXPECT_TRUE(t[field].isNull()) << field;

    // An operator outside the proposal group only makes requests.
    screen->setRequestsOnly(true);
    runHandler([&] { widget<TDBComboBox>("dbcTipoProp").choose(1); });
    EXPECT_EQ(dialogs.errors(), QStringList{"Solicitação não pode ser alterada para Proposta."});
    EXPECT_EQ(t["IDSOLPROPFAS"].asString() + u'|' + widget<TDBComboBox>("dbcTipoProp").text(), "S|Solicitação");
    screen->setRequestsOnly(false);
}

}  // namespace
