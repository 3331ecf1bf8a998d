// The systems dialog of a product line: marks that never change, the one-system rule of
// access points, what reaches the server on confirming and what goes back to the screen.

#include <QSignalBlocker>

#include "dialogs/shown_dialog.h"
#include "dialogs/systems/systems_dialog.h"
#include "dialogs/systems/systems_marks.h"
#include "screens/areas_cases.h"

using namespace cot;
using namespace cot::testing;
using Marks = QMap<QString, QString>;

namespace {

const QString kCode = QStringLiteral("CDSISTEMA"), kMark = QStringLiteral("IDCHECK");

// The line's systems are read in place: the screen may be editing one of them, and moving
// that table would post the edit.
TEST(SystemMarks, TheLineTableIsReadWithoutMovingItDuringAnEdit) {
    const QList<FieldDef> fields{{kCode, FieldType::String, 8}, {kMark, FieldType::FixedString, 1}};
    ClientTable list, line;
    list.setData(Packet{fields, {{"0010", "N"}, {"0020", "N"}}});
    line.setData(Packet{fields, {{"0020", ""}, {"0010", ""}}});
    line.edit();
    systems_marks::markOnLine(list, line);
    EXPECT_EQ(marksOf(list, kCode, kMark), (Marks{{"0010", "T"}, {"0020", "T"}}));
    EXPECT_TRUE(line.state() == DataSetState::Edit && line.recNo() == 1);
}

class SystemsDialog : public PageFixture {
protected:
    void prepareDatabase(server::Database& db) override {
        // An ERP Web system on no line; line 2001 without its third system; line 6001 of
        // version 03 empty, so checking the ERP Web systems gives the client's contract.
        db.exec("INSERT INTO SISTEMA (CDSISTEMA, SGSISTEMA, NMSISTEMA, IDTECNOSIST, IDAMBSIST, CDPROCOMERCI, "
                "IDSITUSIST) VALUES ('WEB00006', 'CTB', 'Contabilidade', 'NET', 'WEB', 'ERP', 'A')");
        db.exec("DELETE FROM SISTLINPPROP WHERE CDLINPPROP = :L AND CDSISTEMA = 'WEB00003'", {{"L", number(3)}});
        db.exec("DELETE FROM SISTLINPPROP WHERE CDLINPPROP = :L", {{"L", number(9)}});
    }
    void TearDown() override { dlg.reset(); PageFixture::TearDown(); }
    // The proposal screen on a line's form with that line's systems; with the dialog open
    // on it unless `inserting` (a line being inserted opens it from the screen).
    void onLine(int proposal, const QString& version, const QString& code, bool inserting = false) {
        openPage(proposal, &ProposalMenus::mnuLinnProdForm, version);
        ASSERT_TRUE(runHandler([&] {
            ASSERT_TRUE(widget<ClientTable>("cdsLinProd").locate(QStringLiteral("CDLINPPROPINFOR"), code));
            screen->area<LineSystemsArea>().load(screen->key());
        }));
        if (!inserting) open();
    }
    void lineKind(bool accessPoint) {
        TRadioButton* radio = accessPoint ? &widget<TRadioButton>("rbtTpPtoAcesso") : &widget<TRadioButton>("rbtTpProduto");
        const QSignalBlocker block(radio);  // only what the radio shows matters here
        radio->setChecked(true);
    }
    void open() {  // for a stored line
        dlg.reset(createForm<TfrmSistemasLinha>(*screen, false));
        showAndActivate(*dlg);
        calls.clear();
    }
    Marks marks() { return marksOf(*dlg->cdsSistema, kCode, kMark); }
    static QStringList codes(ClientTable& t) { return valuesOf(t, kCode); }
    void space(const QString& code, Qt::KeyboardModifiers m = Qt::NoModifier) {
        ASSERT_TRUE(dlg->cdsSistema->locate(kCode, code));
        pressKey(*dlg->dbgServico, Qt::Key_Space, m);
    }
    void check(std::initializer_list<const char*> systems) { for (const char* code : systems) space(code); }
    QStringList sent(const QString& method, int arg) const { return sentArgs(calls, method, arg); }
    // The systems the database holds for a line, in code order.
    QStringList inDatabase(int line) {
        return column(testServer().db().query("SELECT CDSISTEMA FROM SISTLINPPROP WHERE CDLINPPROP = :L ORDER BY 1",
                                              {{"L", number(line)}}), "CDSISTEMA");
    }
    std::unique_ptr<TfrmSistemasLinha> dlg;
};

const Marks kFresh2001{{"WEB00001", "T"}, {"WEB00002", "T"}, {"WEB00003", "N"}, {"WEB00006", "N"}};

TEST_F(SystemsDialog, LineSystemsStayFixedTwoSelectAllsLeaveNothingCheckedAndAnAccessPointTakesOne) {
    onLine(2, "01", "2001");
    EXPECT_EQ(marks(), kFresh2001);
    TDBGrid& g = *dlg->dbgServico;
    for (int row : {0, 1, 2, 3})  // a click on each mark
        QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, g.visualRect(g.model()->index(row, 0)).center());
    EXPECT_EQ(marks(), (Marks{{"WEB00001", "T"}, {"WEB00002", "T"}, {"WEB00003", "S"}, {"WEB00006", "S"}}));
    space("WEB00003");
    space("WEB00002", Qt::ControlModifier);  // select all
    EXPECT_EQ(marks(), (Marks{{"WEB00001", "T"}, {"WEB00002", "T"}, {"WEB00003", "S"}, {"WEB00006", "S"}}));
    EXPECT_EQ(codes(*dlg->cdsSistemaOrdena), (QStringList{"WEB00006", "WEB00003"}));
    QTest::mouseClick(g.horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(g.horizontalHeader()->sectionViewportPosition(0) + 4, 4));
    EXPECT_TRUE(marks() == kFresh2001 && dlg->cdsSistemaOrdena->isEmpty());

    dialogs.expectFind(
        [&](ClientTable& t) { return &t == dlg->cdsSistema && t.locate(kCode, QStringLiteral("WEB00006")); });
    pressKey(g, Qt::Key_F7);
    EXPECT_EQ((*dlg->cdsSistema)[kCode].asString(), "WEB00006");

    // An access point takes one system across platforms and refuses select-all.
    lineKind(true);
    open();
    const Marks one{{"WEB00001", "T"}, {"WEB00002", "T"}, {"WEB00003", "S"}, {"WEB00006", ""}};
    space("WEB00003");
    EXPECT_EQ(marks(), one);
    EXPECT_EQ((*dlg->cdsSistema)[kCode].asString(), "WEB00003") << "back on the clicked row";
    space("WEB00006");
    space("WEB00003", Qt::ControlModifier);
    EXPECT_EQ(dialogs.errors(), QStringList{"Não é possível selecionar todos os sistemas para linha de produto de "
                                            "tipo ponto de acesso. Operação bloqueada."});
    EXPECT_FALSE(dlg->allChecked());

    // Each platform's list comes from the server unmarked; the choice still holds on it.
    dlg->rdbWin->click();
    EXPECT_EQ(marks(), (Marks{{"WIN00001", ""}, {"WIN00002", ""}}));
    dlg->rdbWeb->click();
    EXPECT_EQ(marks(), one);
    EXPECT_EQ(codes(*dlg->cdsSistemaOrdena), QStringList{"WEB00003"});
    space("WEB00003");
    EXPECT_EQ(marks(), kFresh2001);
}

// A stored line gets the systems in checking order after the sorted check; confirming again
// after a refusal midway sends only what is missing.
TEST_F(SystemsDialog, AStoredLineGetsTheSystemsInCheckingOrderAndARetrySendsOnlyWhatIsMissing) {
    onLine(2, "01", "2002");
    EXPECT_TRUE(focused(*dlg->dbgServico) && dlg->rdbWeb->isChecked()) << "the list has the focus from the start: Space ticks";
    clickButton(*dlg->sbtConfirma);
    EXPECT_EQ(dialogs.errors(), QStringList{"Sistema deve ser selecionado."});
    EXPECT_TRUE(calls.isEmpty());

    check({"WEB00003", "WEB00001", "WEB00002"});
    // Another user turns the line into an access point while the second system goes out.
    const auto retype = [this](const char* type) {
        testServer().db().exec("UPDATE LINPPROP SET IDTIPLINPP = :T WHERE CDLINPPROP = :L", {{"T", type}, {"L", number(4)}});
    };
    bool refuse = true;
    calls.setOnCall([&](const QString&, const QVariantList&) { if (refuse && sent("InsereSistema", 3).size() == 2) retype("P"); });
    dialogs.clearShown();
    clickButton(*dlg->sbtConfirma);
    EXPECT_EQ(sent("GetVdLinProd", 9), QStringList{"WEB00001 WEB00002 WEB00003 WEB00005"}) << "with the line's own";
    EXPECT_EQ(calls.value(0).args.value(5), QVariant(5.0)) << "users as a number";
    EXPECT_EQ(sent("InsereSistema", 3), (QStringList{"WEB00003", "WEB00001"}));
    EXPECT_EQ(dialogs.errors(), QStringList{"Linha de produto do tipo ponto de acesso pode possuir apenas um sistema."})
        << "the server's refusal";
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(busyDepth(), 0);
    EXPECT_EQ(marks().value("WEB00003"), "T");
    EXPECT_EQ(codes(*dlg->cdsSistemaOrdena), (QStringList{"WEB00001", "WEB00002"}));

    refuse = false;
    retype("M");
    calls.clear();
    clickButton(*dlg->sbtConfirma);
    EXPECT_EQ(sent("InsereSistema", 3), (QStringList{"WEB00001", "WEB00002"}));
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(ModalRunner::modalResultOf(*dlg), mrOk);
    EXPECT_EQ(inDatabase(4), (QStringList{"WEB00001", "WEB00002", "WEB00003", "WEB00005"}));
}

// The whole resulting configuration counts: what the line already holds with the new systems
// makes the client's contract (ERP Web, 10 users, systems 1 to 3), refused, nothing written.
TEST_F(SystemsDialog, TheWholeResultingConfigurationIsCheckedAgainstTheClientsContract) {
    testServer().db().exec("INSERT INTO SISTLINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, CDSISTEMA) "
                           "VALUES (:N, '03', :L, 'WEB00001')", {{"N", number(6)}, {"L", number(9)}});
    onLine(6, "03", "6001");
    check({"WEB00002", "WEB00003"});
    clickButton(*dlg->sbtConfirma);
    EXPECT_EQ(sent("GetVdLinProd", 9), QStringList{"WEB00001 WEB00002 WEB00003"});
    EXPECT_EQ(dialogs.errors(), QStringList{"Linha de produto já cadastrada para o cliente informado."});
    EXPECT_TRUE(dlg->isVisible() && sent("InsereSistema", 3).isEmpty());
    EXPECT_EQ(inDatabase(9), QStringList{"WEB00001"});
}

TEST_F(SystemsDialog, ALineBeingInsertedGetsTheChoiceBackOrItsCancelFlag) {
    onLine(2, "01", "2002", true);
    ASSERT_TRUE(include());
    ASSERT_EQ(widget<ClientTable>("cdsLinProd").state(), DataSetState::Insert);
    lineKind(false);
    ClientTable& handBack = widget<ClientTable>("cdsSistema");
    handBack.setData(Packet{handBack.fieldDefs(), {{"X", "ERP", "", "", "STALE", "S", ""}}});

    runner.expect([&](QWidget& w) {
        auto& d = static_cast<TfrmSistemasLinha&>(w);
        EXPECT_EQ(shownDialog<TfrmSistemasLinha>(*screen), &d) << "the screen finds it open";
        EXPECT_EQ(d.windowTitle(), "Inclusão de Sistemas");
        for (const QString code : {"WEB00002", "WEB00001"}) { d.cdsSistema->locate(kCode, code); d.MarcaSistema(); }
        clickButton(*d.sbtConfirma);
    }, "frmIncluServ");
    ASSERT_TRUE(runHandler([this] { Cli_cot05005::CriaSistemasLinha(*screen, true); }));
    EXPECT_EQ(codes(handBack), (QStringList{"WEB00002", "WEB00001"}));
    EXPECT_TRUE(sent("InsereSistema", 3).isEmpty() && sent("GetVdLinProd", 9).size() == 1);
    EXPECT_EQ(screen->findChild<TfrmSistemasLinha*>(), nullptr) << "a fresh dialog for every opening";

    runner.expect([](QWidget& w) { clickButton(*static_cast<TfrmSistemasLinha&>(w).sbtCancel); }, "frmIncluServ");
    ASSERT_TRUE(runHandler([this] { Cli_cot05005::CriaSistemasLinha(*screen, true); }));
    EXPECT_EQ(widget<ClientTable>("cdsLinProd").state(), DataSetState::Insert) << "the screen decides what a cancel does";
}

}  // namespace
