// The proposal header: an interlocutor checked again when the proposal is confirmed, and
// every code of the demo data typed into its field through real key presses.
#include <gtest/gtest.h>

#include "data/client_table.h"
#include "proposal/screen/proposal_screen.h"
#include "screens/header_fixture.h"
#include "ui/db_edit.h"
#include "ui/event_boundary.h"

using namespace cot;
using namespace cot::testing;

namespace {

class HeaderMends : public HeaderFixture {
protected:
    QStringList codes(const QString& sql) {
        QStringList out;
        for (const QVariantList& row : testServer().db().query(sql).rows) out << row.value(0).toString().trimmed();
        return out;
    }
    // Types `text` over the edit's content through key presses and returns what the edit
    // shows; the edit is emptied again so that leaving it checks nothing.
    QString typed(const char* name, const QString& text) {
        TDBEdit* edit = &widget<TDBEdit>(name);
        if (!focusWidget(*edit)) {
            ADD_FAILURE() << edit->objectName().toStdString() << " takes no focus";
            return {};
        }
        edit->selectAll();
        typeText(*edit, text);
        const QString shown = edit->text();
        edit->selectAll();
        pressKey(*edit, Qt::Key_Backspace);
        return shown;
    }
};

TEST_F(HeaderMends, AnInterlocutorTypedAndConfirmedWithoutLeavingTheFieldIsChecked) {
    ClientTable& t = screen->proposal();
    ASSERT_TRUE(t.locate("NRPROPOSFAS;NRVERPROPFAS", {seedNumber(2), "01"}));
    const QVariant before = storedRow(seedNumber(2), "01").value("CDINTECLIE");
    editOnForm();
    ASSERT_TRUE(focus(*screen, "dbeCdInterLoc"));
    widget<TDBEdit>("dbeCdInterLoc").selectAll();
    type(*screen, "dbeCdInterLoc", "99");
    click(*screen, "sbtConfirmar");  // takes no focus: the field is never left
    EXPECT_EQ(dialogs.errors(), QStringList{"Interlocutor não cadastrado."}) << "the message of leaving the field";
    EXPECT_EQ(t.state(), DataSetState::Edit);
    EXPECT_TRUE(focused(widget<TDBEdit>("dbeCdInterLoc")));
    EXPECT_EQ(storedRow(seedNumber(2), "01").value("CDINTECLIE"), before) << "nothing saved";

    // The client's interlocutor typed short is saved as its register holds it.
    dialogs.clearShown();
    widget<TDBEdit>("dbeCdInterLoc").selectAll();
    type(*screen, "dbeCdInterLoc", "1");
    click(*screen, "sbtConfirmar");
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join("; ").toStdString();
    EXPECT_EQ(t.state(), DataSetState::Browse);
    EXPECT_EQ(storedValues(seedNumber(2), {"CDINTECLIE"}) << t["NMINTECLIE"].asString(), QStringList({"01", "Fernanda Reis"}));
}

TEST_F(HeaderMends, AProspectsInterlocutorIsCheckedAgainstTheProspectAtPost) {
    startNewProposal();
    fillRequest(kDelta, /*prospect=*/true);
    ClientTable& t = screen->proposal();
    t["CODIGOINTER"].setAsString("2");  // the prospect has 01 only
    EXPECT_FALSE(post());
    EXPECT_EQ(dialogs.errors(), QStringList{"Interlocutor não cadastrado."});
    EXPECT_EQ(t.state(), DataSetState::Insert);
    dialogs.clearShown();
    t["CODIGOINTER"].setAsString("1");
    ASSERT_TRUE(post()) << dialogs.errors().join("; ").toStdString();
    EXPECT_EQ(storedValues(t["NRPROPOSFAS"].asString(), {"CDINTEPROS", "CDINTECLIE"}), QStringList({"01", ""}));
}

TEST_F(HeaderMends, EveryCodeOfTheDemoDataCanBeTypedIntoItsField) {
    ASSERT_TRUE(screen->proposal().locate("NRPROPOSFAS;NRVERPROPFAS", {seedNumber(2), "01"}));
    editOnForm();
    struct Kind {
        const char* edit;
        const char* sql;
    };
    const Kind kinds[] = {
        {"dbeCdOperSoli", "SELECT CDOPERADOR FROM OPERADOR"},
        {"dbeCdOperResp", "SELECT CDOPERADOR FROM OPERADOR"},
        {"dbeCdProdComer", "SELECT CDPROCOMERCI FROM PRODCOMERCI"},
        {"dbeCdInterLoc", "SELECT CDINTECLIE FROM INTECLIE UNION SELECT CDINTEPROS FROM INTEPROS"},
        {"dbeCdCliPros", "SELECT NRINSJURCLIE FROM CLIENTE UNION SELECT NRINSJURPROS FROM PROSPECT"},
        {"dbeInd1", "SELECT CDINDICE FROM INDICE"},
        {"dbeIndTp1", "SELECT CDTPINDICE FROM INDICE"},
    };
    for (const Kind& k : kinds) {
        const QStringList all = codes(QString::fromLatin1(k.sql));
        ASSERT_FALSE(all.isEmpty()) << k.sql;
        for (const QString& code : all) {
            QString shown = typed(k.edit, code);
            if (qstrcmp(k.edit, "dbeCdCliPros") == 0) shown.remove(QRegularExpression("[./-]"));  // the document's mask
            EXPECT_EQ(shown, code) << k.edit;
        }
    }
    // Codes are compared as stored: typed in lower case they come out in upper case, and
    // what no code holds is not taken.
    EXPECT_EQ(typed("dbeCdOperSoli", "gerente"), "GERENTE");
    EXPECT_EQ(typed("dbeCdProdComer", "Folha-"), "FOLHA");
    // The contact is chosen through its lookup (its edit takes no typing); the key filter
    // it carries still takes every contact number and nothing else.
    TDBEdit& contact = widget<TDBEdit>("dbeContato");
    ASSERT_TRUE(contact.onKeyPress);
    for (const QString& number : codes("SELECT NRCONTATO FROM CONTATO"))
        for (const QChar c : number) {
            QChar key = c;
            contact.onKeyPress(key);
            EXPECT_EQ(key, c) << number.toStdString();
        }
    QChar letter(u'a');
    contact.onKeyPress(letter);
    EXPECT_TRUE(letter.isNull());
    EXPECT_TRUE(runHandler([&] { screen->proposal().cancel(); }));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join("; ").toStdString();
}

}  // namespace
