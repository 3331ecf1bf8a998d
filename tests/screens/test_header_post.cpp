// The proposal header on the real screen: a new proposal's defaults, the checks of a
// post with their messages and focus, what reaches the server, the interlocutor checked
// on leaving the field and again when the proposal is confirmed, and every code of the
// demo data typed into its field through real key presses.

#include "screens/screen_cases_e.h"
#include "services/session.h"
#include "ui/busy_animation.h"
#include "ui/buttons.h"
#include "ui/db_combo_box.h"

using namespace cot;
using namespace cot::testing;

namespace {

class HeaderPost : public HeaderCase {
protected:
    // Types `text` over the edit's content through key presses and returns what the edit
    // shows; the edit is emptied again so that leaving it checks nothing.
    QString typed(const char* name, const QString& text) {
        TDBEdit* edit = &widget<TDBEdit>(name);
        EXPECT_TRUE(focusWidget(*edit)) << name << " takes no focus";
        edit->selectAll();
        typeText(*edit, text);
        const QString shown = edit->text();
        edit->selectAll();
        pressKey(*edit, Qt::Key_Backspace);
        return shown;
    }
    int services(const QString& n) { return scalar("SELECT COUNT(*) FROM SERVPROP WHERE NRPROPOSFAS = '" + n + "'").toInt(); }
};

TEST_F(HeaderPost, ANewProposalTakesItsNumberAndDefaultsAndItsChecksRunInOrderFocusingTheOffendingControl) {
    startNewProposal();
    ClientTable& t = screen->proposal();
    ASSERT_EQ(t.state(), DataSetState::Insert);
    const QString number = nr();
    EXPECT_TRUE(number.size() == 20 && number.toLongLong() > 14) << "numbers of the demo proposals are taken";
    EXPECT_EQ(widget<TDBEdit>("dbeVersao").text(), "01") << "proposed in the version edit";
    EXPECT_EQ(QList<QDate>({t["DTPROPOSFAS"].asDateTime().date(), t["DTVALPROPFAS"].asDateTime().date()}),
              QList<QDate>({QDate(2026, 12, 6), QDate(2027, 1, 5)}));
    EXPECT_EQ(QStringList({t["CDOPERSOLI"].asString(), t["OPERSOLI"].asString(), t["IDCLIENPROSP"].asString(),
                           t["IDSOLPROPFAS"].asString(), t["IDTIPOCOBRSERV"].asString(),
                           widget<TDBComboBox>("dbcTipoProp").text(), widget<TDBComboBox>("cbbCliProsp").text()}),
              QStringList({"VENDEDOR", "Vendedor Demonstração", "C", "S", "P", "Solicitação", "Cliente"}));
    EXPECT_EQ(screen->pgcPadrao->activePage(), screen->pages().tshProposta);
    // Child pages wait for the header.
    EXPECT_TRUE(!screen->pages().tshDados->isEnabled() && widget<TDBEdit>("dbeCdCliPros").isEnabled());
    // A second new proposal never gets the same number.
    runHandler([&] { t.cancel(); });
    startNewProposal();
    EXPECT_NE(nr(), number);

    // The checks run in order and focus the offending control; a validity on the
    // registration day passes, one day earlier does not.
    refused("Cliente deve ser informado", "dbeCdCliPros");
    t["NRINSJURCLIE"].setAsString("99999999000199");
    refused("Cliente não cadastrado");
    t["NRINSJURCLIE"].setAsString(kAlfa);
    refused("Referência deve ser informada.", "dbeDsReferencia");
    // The contact's name stands for a missing reference.
    t["NRCONTATO"].setAsString("1");
    refused("Produto Comercial deve ser informado.");
    EXPECT_EQ(t["DSREFEPROPOSFAS"].asString() + u'|' + t["NRCONTATO"].asString(), "Ana Paula - Compras Alfa|0000000001");
    t["CDPROCOMERCI"].setAsString("ERP");
    t["CDOPERSOLI"].setAsString("NINGUEM");
    refused("Operador não cadastrado", "dbeCdOperSoli");
    t["CDOPERSOLI"].setAsString("GERENTE");
    t["DSREFEPROPOSFAS"].setAsString(QStringLiteral("Teste de cabeçalho"));
    t["DTVALPROPFAS"].setAsDateTime(QDateTime(QDate(2026, 12, 5), QTime()));
    refused("Data de cadastro da proposta não pode ser maior que a data de validade.", "depCadastro");
    EXPECT_EQ(t.state(), DataSetState::Insert);

    t["DTVALPROPFAS"].setAsDateTime(QDateTime(QDate(2026, 12, 6), QTime()));
    ASSERT_TRUE(saved());
    EXPECT_TRUE(t.state() == DataSetState::Browse && t.changeCount() == 0) << "saved and merged";
    EXPECT_EQ(t["OPERSOLI"].asString() + u'|' + t["NMPROCOMERCI"].asString(), "Gerente Comercial|Gestão Empresarial");
    // NRMESREAJPROP: the month of the client's register.
    EXPECT_EQ(storedValues(nr(), {"DSREFEPROPOSFAS", "CDFILIAL", "CDOPERINCL", "IDSOLPROPFAS", "NRMESREAJPROP"}),
              QStringList({"Teste de cabeçalho", "0001", "VENDEDOR", "S", "03"}));
    EXPECT_TRUE(screen->pages().tshDados->isEnabled());
}

// The contract buttons decide the contract on every post: none checked is services only,
// whatever the row held before. A client's proposal gets no automatic services.
TEST_F(HeaderPost, TheContractFollowsTheButtonsAndOnlyAProspectsProposalGetsTheAutomaticServicesOnce) {
    for (const auto& [checked, code] : {std::pair{"rbtLuManut", "M"}, std::pair{"rbtLocacao", "L"}, std::pair{"", "S"}}) {
        SCOPED_TRACE(code);
        startNewProposal();
        fillRequest(kAlfa);
        for (const char* name : {"rbtLuManut", "rbtLocacao", "rbtServico"}) {
            TRadioButton& r = widget<TRadioButton>(name);
            r.setAutoExclusive(false);
            r.setChecked(qstrcmp(name, checked) == 0);
            r.setAutoExclusive(true);
        }
        screen->proposal()["IDTIPOPROPFAS"].setAsString("M");
        ASSERT_TRUE(saved());
        EXPECT_EQ(storedValues(nr(), {"IDTIPOPROPFAS"}), QStringList{code});
        EXPECT_EQ(services(nr()), 0);
    }

    // The interlocutor of a prospect's proposal is checked against the prospect at post; the
    // proposal gets the automatic services once.
    startNewProposal();
    fillRequest(kDelta, /*prospect=*/true);
    widget<TRadioButton>("rbtLuManut").setChecked(true);
    ClientTable& t = screen->proposal();
    t["CODIGOINTER"].setAsString("2");  // the prospect has 01 only
    refused("Interlocutor não cadastrado.");
    EXPECT_EQ(t.state(), DataSetState::Insert);
    t["CODIGOINTER"].setAsString("1");
    ASSERT_TRUE(saved());
    const QString n = nr();
    const int mandatory = scalar("SELECT COUNT(*) FROM TIPOSERV WHERE IDSERVOBRIGPROS = 'S'").toInt();
    ASSERT_GT(mandatory, 0);
    EXPECT_EQ(services(n), mandatory);
    EXPECT_EQ(storedValues(n, {"IDCLIENPROSP", "CDPROSPECT", "CDCLIENTE", "IDTIPOPROPFAS", "CDINTEPROS", "CDINTECLIE"}),
              QStringList({"P", kDelta, "", "M", "01", ""}));
    // Saving it again adds nothing more.
    editOnForm();
    t["DSREFEPROPOSFAS"].setAsString("Outra referência");
    ASSERT_TRUE(saved());
    EXPECT_EQ(services(n), mandatory);
}

// A changed version that exists is refused; a failed save keeps the change to send again.
TEST_F(HeaderPost, AChangedVersionThatExistsIsRefusedAndAFailedSaveKeepsTheChangeToSendAgain) {
    ASSERT_TRUE(locate(6, "03"));
    editOnForm();
    screen->proposal()["NRVERPROPFAS"].setAsString("02");
    refused("Proposta já cadastrada", "dbeVersao");
    EXPECT_EQ(screen->proposal().state(), DataSetState::Edit);
    screen->proposal()["NRVERPROPFAS"].setAsString("04");  // a free version is taken
    ASSERT_TRUE(saved());
    EXPECT_TRUE(!storedRow(seedNumber(6), "04").isEmpty() && storedRow(seedNumber(6), "03").isEmpty());

    startNewProposal();
    fillRequest(kAlfa);
    ClientTable& t = screen->proposal();
    // Number and version of a stored proposal: the server refuses the insert.
    t["NRPROPOSFAS"].setAsString(seedNumber(6));
    EXPECT_FALSE(post());
    EXPECT_TRUE(dialogs.errors().size() == 1 && dialogs.errors().value(0).contains("Proposta já cadastrada"))
        << dialogs.errors().join(u'|').toStdString();
    EXPECT_TRUE(t.changeCount() > 0 && busyDepth() == 0) << "the change log stays pending";
    EXPECT_EQ(storedValues(seedNumber(6), {"DSREFEPROPOSFAS"}), QStringList{"Expansão para filiais - primeira versão"});

    // A free version: the pending insert goes out with it.
    editOnForm();
    t["NRVERPROPFAS"].setAsString("09");
    ASSERT_TRUE(saved());
    EXPECT_EQ(t.changeCount(), 0);
    EXPECT_EQ(storedValues(seedNumber(6), {"DSREFEPROPOSFAS"}, "09"), QStringList{"Teste de cabeçalho"});
}

// On a stored proposal: Cancel drops pending changes and Delete reaches the server; a product
// that leaves the lines' systems out lists them and is undone; a typed interlocutor must
// belong to the party: checked on leaving the field, and again when the proposal is confirmed
// without leaving it (the confirm button takes no focus).
TEST_F(HeaderPost, CancelDeleteAProductLeavingSystemsOutAndATypedInterlocutorOnAStoredProposal) {
    ClientTable& t = screen->proposal();
    ASSERT_TRUE(locate(2));
    screen->pgcPadrao->setActivePage(screen->pages().tshProposta);
    screen->pgcPadraoChange();  // loads the product lines
    ASSERT_FALSE(widget<ClientTable>("cdsLinProd").isEmpty());
    editOnForm();
    QString listed;
    runner.expect([&](QWidget& w) { if (auto* label = w.findChild<QLabel*>("lblMensagem")) listed = label->text(); }, "frmCOT00900");
    ASSERT_TRUE(focus(*screen, "dbeCdProdComer"));
    dialogs.expectPick([](ClientTable& list) { return list.locate("CDPROCOMERCI", "FOLHA"); });
    click(*screen, "btnPesqProdComer");
    EXPECT_EQ(t["NMPROCOMERCI"].asString(), "Folha de Pagamento");
    focus(*screen, "dbeDsReferencia");  // leaving the code checks the lines' systems
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join("; ").toStdString();
    EXPECT_FALSE(widget<ClientTable>("cdsValidaSistProd").isEmpty());
    EXPECT_TRUE(listed.startsWith("Os seguintes sistemas não estão cadastrados")) << listed.toStdString();
    EXPECT_EQ(std::pair(t.state(), t["CDPROCOMERCI"].asString()), std::pair(DataSetState::Browse, QString("ERP")))
        << "the change of product is undone";

    const QStringList before = storedValues(seedNumber(2), {"CDINTECLIE"});
    editOnForm();
    retype("dbeCdInterLoc", "7", false);
    EXPECT_TRUE(t["NMINTECLIE"].asString().isEmpty()) << "typing takes the old name away";
    focus(*screen, "dbeDsReferencia");
    EXPECT_EQ(dialogs.errors(), QStringList{"Interlocutor não cadastrado."});
    EXPECT_TRUE(focused(widget<TDBEdit>("dbeCdInterLoc")));

    dialogs.clearShown();
    retype("dbeCdInterLoc", "99", false);
    click(*screen, "sbtConfirmar");
    EXPECT_EQ(dialogs.errors(), QStringList{"Interlocutor não cadastrado."}) << "the message of leaving the field";
    EXPECT_TRUE(t.state() == DataSetState::Edit && focused(widget<TDBEdit>("dbeCdInterLoc")));
    EXPECT_EQ(storedValues(seedNumber(2), {"CDINTECLIE"}), before) << "nothing saved";

    // The client's interlocutor typed short is saved as its register holds it.
    dialogs.clearShown();
    retype("dbeCdInterLoc", "1", false);
    click(*screen, "sbtConfirmar");
    EXPECT_TRUE(dialogs.errors().isEmpty() && t.state() == DataSetState::Browse) << dialogs.errors().join("; ").toStdString();
    EXPECT_EQ(QStringList({t["CODIGOINTER"].asString(), t["CDINTECLIE"].asString(), t["NMINTECLIE"].asString()}),
              QStringList({"01", "01", "Fernanda Reis"}));
    EXPECT_EQ(storedValues(seedNumber(2), {"CDINTECLIE"}), QStringList{"01"});

    const QString reference = t["DSREFEPROPOSFAS"].asString();
    editOnForm();
    EXPECT_FALSE(screen->pages().tshDados->isEnabled());
    t["DSREFEPROPOSFAS"].setAsString("Mudado e desistido");
    runHandler([&] { t.cancel(); });
    EXPECT_EQ(t["DSREFEPROPOSFAS"].asString(), reference);
    EXPECT_TRUE(t.changeCount() == 0 && screen->pages().tshDados->isEnabled());

    ASSERT_TRUE(locate(10));
    ASSERT_TRUE(runHandler([&] { t.deleteRecord(); }));
    EXPECT_TRUE(t.changeCount() == 0 && storedRow(seedNumber(10), "01").isEmpty());
    EXPECT_TRUE(Session::instance().changedTables().contains("PROPOSTAFAS"));
}

TEST_F(HeaderPost, EveryCodeOfTheDemoDataCanBeTypedIntoItsField) {
    ASSERT_TRUE(locate(2));
    editOnForm();
    const std::pair<const char*, const char*> kinds[] = {
        {"dbeCdOperSoli", "SELECT CDOPERADOR FROM OPERADOR"},
        {"dbeCdOperResp", "SELECT CDOPERADOR FROM OPERADOR"},
        {"dbeCdProdComer", "SELECT CDPROCOMERCI FROM PRODCOMERCI"},
        {"dbeCdInterLoc", "SELECT CDINTECLIE FROM INTECLIE UNION SELECT CDINTEPROS FROM INTEPROS"},
        {"dbeCdCliPros", "SELECT NRINSJURCLIE FROM CLIENTE UNION SELECT NRINSJURPROS FROM PROSPECT"},
        {"dbeInd1", "SELECT CDINDICE FROM INDICE"},
        {"dbeIndTp1", "SELECT CDTPINDICE FROM INDICE"},
    };
    for (const auto& [edit, sql] : kinds) {
        const auto rows = testServer().db().query(QString::fromLatin1(sql)).rows;
        ASSERT_FALSE(rows.isEmpty()) << sql;
        for (const QVariantList& row : rows) {
            const QString code = row.value(0).toString().trimmed();
            QString shown = typed(edit, code);
            if (qstrcmp(edit, "dbeCdCliPros") == 0) shown.remove(QRegularExpression("[./-]"));  // the document's mask
            EXPECT_EQ(shown, code) << edit;
        }
    }
    // Codes are compared as stored: typed in lower case they come out in upper case, and
    // what no code holds is not taken; percentages take only digits and a point.
    EXPECT_EQ(QStringList({typed("dbeCdOperSoli", "gerente"), typed("dbeCdProdComer", "Folha-"),
                           typed("dbeCdOperResp", "A1b-2"), typed("dbePercent1", "6a0,x5.5-"), typed("dbePercent2", "e12")}),
              QStringList({"GERENTE", "FOLHA", "A1B2", "605.5", "12"}));
    // The contact is chosen through its lookup (its edit takes no typing); the key filter
    // it carries still takes every digit of a contact number and nothing else.
    TDBEdit& contact = widget<TDBEdit>("dbeContato");
    ASSERT_TRUE(contact.onKeyPress);
    QString kept;
    for (QChar key : QStringLiteral("0123456789a.")) {
        contact.onKeyPress(key);
        kept += key.isNull() ? QChar(u'_') : key;
    }
    EXPECT_EQ(kept, "0123456789__");
    EXPECT_TRUE(runHandler([&] { screen->proposal().cancel(); }) && dialogs.errors().isEmpty())
        << dialogs.errors().join("; ").toStdString();
}

}  // namespace
