// Product lines on the proposal screen: a new line is saved with its first installment and
// the systems chosen for it, the checks of a post stop it with their message, a price
// change re-splits the stored schedule, and the contract switch converts every line.

#include "dialogs/systems/systems_dialog.h"
#include "screens/areas_cases.h"
#include "services/installment_schedule.h"
#include "services/money.h"

using namespace cot;
using namespace cot::testing;

namespace {

class ProductLines : public ProposalFixture {
protected:
    ClientTable& line() { return widget<ClientTable>("cdsLinProd"); }
    Field& f(const char* name) { return line()[QString::fromLatin1(name)]; }

    // Proposal n (version 01) on the line form.
    void openForm(int n) {
        openScreen();
        ASSERT_TRUE(select(n));
        ASSERT_TRUE(menu(screen->menus().mnuLinnProdForm));
        ASSERT_EQ(screen->activeTable(), &line());
    }

    // Starts a new line and types what every line needs.
    void startLine(const QString& code, double quantity, double unit, double discount) {
        ASSERT_TRUE(runHandler([&] { screen->sbtIncluirClick(); })) << dialogs.allTexts().join(u'|').toStdString();
        ASSERT_EQ(line().state(), DataSetState::Insert);
        f("CDLINPPROPINFOR").setAsString(code);
        f("NMLINPPROP").setAsString("Linha " + code);
        f("IDAMBLINPP").setAsString("WEB");
        f("NRUSUALINPP").setAsFloat(5);
        f("QTMINIMAFATPROP").setAsFloat(quantity);
        f("VRLICENCUSOPROP").setAsFloat(unit);
        f("VRDESLICUSOPROP").setAsFloat(discount);
        f("VRMENSALIDAPROP").setAsFloat(50);
    }

    // The systems dialog of the post: checks `codes` and confirms (none: cancels).
    void chooseSystems(const QStringList& codes) {
        runner.expect(
            [codes](QWidget& w) {
                auto& d = static_cast<TfrmSistemasLinha&>(w);
                if (codes.isEmpty()) return clickButton(*d.sbtCancel);
                for (const QString& code : codes) {
                    ASSERT_TRUE(d.cdsSistema->locate(QStringLiteral("CDSISTEMA"), code)) << code.toStdString();
                    d.MarcaSistema();
                }
                clickButton(*d.sbtConfirma);
            },
            "frmIncluServ");
    }

    bool confirm() { return runHandler([&] { screen->sbtConfirmarClick(); }); }
    static void pick(TRadioButton* radio) { clickButton(*radio); }

    Packet stored(const QString& sql) {
        return testServer().db().query(sql, {{"N", number(2)}, {"V", "01"}}, {{"DTVELUSOPEDP", FieldType::DateTime, 0}});
    }
    Packet scheduleOf(const QString& code) {
        return stored("SELECT V.DTVELUSOPEDP, V.VRVELUSOPEDP FROM VENCLINPPROP V JOIN LINPPROP L ON "
                      "L.NRPROPOSFAS = V.NRPROPOSFAS AND L.NRVERPROPFAS = V.NRVERPROPFAS AND L.CDLINPPROP = V.CDLINPPROP "
                      "WHERE V.NRPROPOSFAS = :N AND V.NRVERPROPFAS = :V AND L.CDLINPPROPINFOR = '" +
                      code + "' ORDER BY V.DTVELUSOPEDP");
    }
    double sum(const Packet& p) {
        long double s = 0;
        for (int r = 0; r < p.rows.size(); ++r) s += p.value(r, "VRVELUSOPEDP").toDouble();
        return static_cast<double>(s);
    }
    double rate() { return screen->paramPerc()["VRTXJUROSLICUSO"].asFloat(); }
};

TEST_F(ProductLines, ANewLineIsSavedWithItsFirstInstallmentAndItsSystemsUnderItsOwnKey) {
    openForm(2);
    startLine("7001", 3, 400, 25);
    chooseSystems({"WEB00002", "WEB00003"});
    ASSERT_TRUE(confirm()) << dialogs.allTexts().join(u'|').toStdString();
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();

    const Packet saved = stored("SELECT CDLINPPROP, IDTIPLINPP, IDMPROCLINPP, IDLPROCLINPP, DTCALUSLINPP FROM LINPPROP "
                                "WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = :V AND CDLINPPROPINFOR = '7001'");
    ASSERT_EQ(saved.rows.size(), 1);
    EXPECT_EQ(saved.value(0, "IDTIPLINPP"), "M");
    EXPECT_EQ(saved.value(0, "IDMPROCLINPP").toString() + saved.value(0, "IDLPROCLINPP").toString(), "MM");
    // The first installment: the whole licence total, due today, under LU/Manutenção.
    const Packet schedule = scheduleOf("7001");
    ASSERT_EQ(schedule.rows.size(), 1);
    EXPECT_DOUBLE_EQ(schedule.value(0, "VRVELUSOPEDP").toDouble(), 1125.0);
    EXPECT_EQ(schedule.value(0, "DTVELUSOPEDP").toDateTime().date(), QDate(2026, 12, 6));
    const QString key = saved.value(0, "CDLINPPROP").toString();
    const Packet systems = stored("SELECT CDSISTEMA FROM SISTLINPPROP WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = :V "
                                  "AND CDLINPPROP = '" + key + "' ORDER BY CDSISTEMA");
    EXPECT_EQ(column(systems, "CDSISTEMA"), (QStringList{"WEB00002", "WEB00003"}));
    // Nothing of this post is left for the next one.
    EXPECT_TRUE(widget<ClientTable>("cdsSistema").isEmpty());
    EXPECT_EQ(screen->area<LineSystemsArea>().cdsSistLinhaProd->recordCount(), 2);
}

TEST_F(ProductLines, ChecksOfThePostStopItWithTheirMessage) {
    openForm(2);
    // A code another line of the proposal has.
    startLine("2002", 1, 100, 0);
    EXPECT_FALSE(confirm());
    EXPECT_EQ(dialogs.errors().value(0), "Código de Linha de Produto já cadastrado na proposta");
    // Cancelling the systems dialog keeps the line being inserted.
    dialogs.clearShown();
    f("CDLINPPROPINFOR").setAsString("7002");
    chooseSystems({});
    EXPECT_FALSE(confirm());
    EXPECT_EQ(dialogs.errors().value(0), "A inclusão de sistemas para a linha de produto foi cancelada.");
    EXPECT_EQ(line().state(), DataSetState::Insert);
    // Closing it by its title bar is a cancel too: nothing handed back, the dialog freed.
    dialogs.clearShown();
    runner.expect(
        [](QWidget& w) {
            auto& d = static_cast<TfrmSistemasLinha&>(w);
            ASSERT_TRUE(d.cdsSistema->locate(QStringLiteral("CDSISTEMA"), QStringLiteral("WEB00001")));
            d.MarcaSistema();
            d.close();
        },
        "frmIncluServ");
    EXPECT_FALSE(confirm());
    EXPECT_EQ(dialogs.errors(), QStringList{"A inclusão de sistemas para a linha de produto foi cancelada."});
    EXPECT_EQ(line().state(), DataSetState::Insert);
    EXPECT_TRUE(widget<ClientTable>("cdsSistema").isEmpty());
    EXPECT_EQ(screen->findChild<TfrmSistemasLinha*>(), nullptr);
    // A product line under LU/Manutenção must say its users.
    dialogs.clearShown();
    f("NRUSUALINPP").clear();
    EXPECT_FALSE(confirm());
    EXPECT_EQ(dialogs.errors().value(0), "Número de Usuários deve ser informado");
    // A discount above the unit value.
    dialogs.clearShown();
    f("NRUSUALINPP").setAsFloat(1);
    f("VRDESLICUSOPROP").setAsFloat(100.01);
    EXPECT_FALSE(confirm());
    EXPECT_EQ(dialogs.errors().value(0), "Desconto não pode ser maior que Vr. Unitário");
    EXPECT_EQ(stored("SELECT 1 FROM LINPPROP WHERE NRPROPOSFAS = :N AND CDLINPPROPINFOR = '7002'").rows.size(), 0);
}

// Another user stores the code while the dialog is open: the server refuses the line, and
// the corrected line still gets the systems and the first installment chosen for it.
TEST_F(ProductLines, ARefusedNewLineCorrectedKeepsItsSystemsAndFirstInstallment) {
    openForm(2);
    startLine("7102", 2, 100, 0);
    runner.expect(
        [this](QWidget& w) {
            auto& d = static_cast<TfrmSistemasLinha&>(w);
            for (const QString code : {"WEB00002", "WEB00003"}) {
                ASSERT_TRUE(d.cdsSistema->locate(QStringLiteral("CDSISTEMA"), code));
                d.MarcaSistema();
            }
            testServer().db().exec("INSERT INTO LINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, CDLINPPROPINFOR, "
                                   "NMLINPPROP, IDTIPLINPP, IDAMBLINPP) VALUES (:N, '01', :L, '7102', 'Outra', 'M', "
                                   "'WEB')",
                                   {{"N", number(2)}, {"L", number(990)}});
            clickButton(*d.sbtConfirma);
        },
        "frmIncluServ");
    EXPECT_FALSE(confirm());
    EXPECT_EQ(dialogs.errors(), QStringList{"Código de Linha de Produto já cadastrado na proposta"});

    dialogs.clearShown();
    ASSERT_TRUE(runHandler([&] { screen->sbtAlterarClick(); })) << dialogs.allTexts().join(u'|').toStdString();
    f("CDLINPPROPINFOR").setAsString("7103");
    ASSERT_TRUE(confirm()) << dialogs.allTexts().join(u'|').toStdString();
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    const Packet schedule = scheduleOf("7103");
    ASSERT_EQ(schedule.rows.size(), 1);
    EXPECT_DOUBLE_EQ(schedule.value(0, "VRVELUSOPEDP").toDouble(), 200.0);
    const Packet systems = stored("SELECT S.CDSISTEMA FROM SISTLINPPROP S JOIN LINPPROP L ON L.NRPROPOSFAS = "
                                  "S.NRPROPOSFAS AND L.NRVERPROPFAS = S.NRVERPROPFAS AND L.CDLINPPROP = S.CDLINPPROP "
                                  "WHERE L.NRPROPOSFAS = :N AND L.NRVERPROPFAS = :V AND L.CDLINPPROPINFOR = '7103' "
                                  "ORDER BY S.CDSISTEMA");
    EXPECT_EQ(column(systems, "CDSISTEMA"), (QStringList{"WEB00002", "WEB00003"}));
}

// The first line of a proposal without lines starts from an empty schedule, never from the
// schedule and total of the line shown before.
TEST_F(ProductLines, AProposalWithoutLinesShowsNoScheduleOfAnother) {
    for (const char* table : {"VENCLINPPROP", "SISTLINPPROP", "SIMULALINP", "LINPPROP"})
        testServer().db().exec(QString("DELETE FROM %1 WHERE NRPROPOSFAS = :N").arg(table), {{"N", number(12)}});
    openForm(2);
    ASSERT_TRUE(line().locate(QStringLiteral("CDLINPPROPINFOR"), QStringLiteral("2001")));
    LineInstallmentsArea& schedule = screen->area<LineInstallmentsArea>();
    ASSERT_EQ(schedule.cdsVenc_Valor->recordCount(), 4);
    TNumberEdit& total = widget<TNumberEdit>("nedVrTotal");
    ASSERT_NE(total.value(), 0.0);

    ASSERT_TRUE(select(12));
    ASSERT_TRUE(menu(screen->menus().mnuLinnProdForm));
    ASSERT_TRUE(line().isEmpty());
    EXPECT_EQ(schedule.cdsVenc_Valor->recordCount(), 0);
    EXPECT_EQ(total.value(), 0.0);
    ASSERT_TRUE(runHandler([&] { screen->sbtIncluirClick(); })) << dialogs.allTexts().join(u'|').toStdString();
    EXPECT_EQ(schedule.cdsVenc_Valor->recordCount(), 0);
    EXPECT_EQ(total.value(), 0.0);
}

// The grace month is compared as its last day, on leaving the field and at the post alike.
TEST_F(ProductLines, TheProposalsOwnMonthIsAGraceMonthAndATypedDiscountedValueIsShownAsMoney) {
    openForm(2);  // proposal of 26/11/2026
    startLine("7003", 1, 100, 0);
    widget<TDBDateEditPlus>("depCarenLu").setFocus();
    for (const char* early : {"01/11/2026", "25/11/2026"}) {
        f("DTCALUSLINPPAUX").setAsString(early);
        EXPECT_TRUE(runHandler([&] { widget<TDBDateEditPlus>("depCarenLu").onExit(); })) << early;
    }
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    f("DTCALUSLINPPAUX").setAsString("31/10/2026");
    EXPECT_FALSE(runHandler([&] { widget<TDBDateEditPlus>("depCarenLu").onExit(); }));
    EXPECT_FALSE(confirm());
    EXPECT_EQ(dialogs.errors(), QStringList(2, "Mês de carência deve ser maior que o mês de cadastro da proposta."));
    dialogs.clearShown();
    f("DTCALUSLINPPAUX").setAsString("03/11/2026");
    chooseSystems({"WEB00001"});
    ASSERT_TRUE(confirm()) << dialogs.allTexts().join(u'|').toStdString();
    const Packet saved = stored("SELECT DTCALUSLINPP FROM LINPPROP WHERE NRPROPOSFAS = :N AND CDLINPPROPINFOR = '7003'");
    EXPECT_EQ(saved.value(0, "DTCALUSLINPP").toDateTime().date(), QDate(2026, 11, 30)) << "kept as the month's last day";

    // A discounted value typed in reads like every price, thousands and two decimals.
    startLine("7007", 1, 12000, 0);
    widget<TNumberEdit>("nedVrComDesconto").setText(QStringLiteral("11990,5"));
    ASSERT_TRUE(runHandler([&] { widget<TNumberEdit>("nedVrComDesconto").onExit(); }));
    EXPECT_EQ(widget<TNumberEdit>("nedVrComDesconto").text(), "11.990,50");
    EXPECT_DOUBLE_EQ(f("VRDESLICUSOPROP").asFloat(), 9.5);
    // The form settled again for the line shows it the same way.
    ASSERT_TRUE(runHandler([&] { screen->area<ProductLineArea>().updateEditors(); }));
    EXPECT_EQ(widget<TNumberEdit>("nedVrComDesconto").text(), "11.990,50");
}

TEST_F(ProductLines, APriceChangeEvenFromZeroReSplitsTheStoredScheduleInOneSave) {
    openForm(2);
    ASSERT_TRUE(line().locate(QStringLiteral("CDLINPPROPINFOR"), QStringLiteral("2001")));
    ASSERT_EQ(screen->area<LineInstallmentsArea>().cdsVenc_Valor->recordCount(), 4);
    ASSERT_TRUE(runHandler([&] { screen->sbtAlterarClick(); }));
    f("QTMINIMAFATPROP").setAsFloat(12);
    const int calls = screen->net().calls();
    ASSERT_TRUE(confirm()) << dialogs.allTexts().join(u'|').toStdString();
    const Packet schedule = scheduleOf("2001");
    ASSERT_EQ(schedule.rows.size(), 4);
    EXPECT_TRUE(sameMoney(sum(schedule), truncCents((1000.0L - 50) * 12 * (1 + rate() / 100))));
    EXPECT_GT(screen->net().calls(), calls);

    // A line priced from nothing is a price change too: its schedule follows the new total.
    startLine("7004", 2, 0, 0);
    chooseSystems({"WEB00001"});
    ASSERT_TRUE(confirm()) << dialogs.allTexts().join(u'|').toStdString();
    ASSERT_EQ(scheduleOf("7004").rows.size(), 1);
    EXPECT_DOUBLE_EQ(sum(scheduleOf("7004")), 0.0);
    ASSERT_TRUE(runHandler([&] { screen->sbtAlterarClick(); }));
    f("VRLICENCUSOPROP").setAsFloat(150.5);
    ASSERT_TRUE(confirm()) << dialogs.allTexts().join(u'|').toStdString();
    EXPECT_DOUBLE_EQ(sum(scheduleOf("7004")), 301.0);
}

TEST_F(ProductLines, HeadOfficeModeIsProcessedAtTheHeadOffice) {
    openForm(2);
    ASSERT_TRUE(line().locate(QStringLiteral("CDLINPPROPINFOR"), QStringLiteral("2002")));
    // Clicking a radio edits the line shown.
    pick(&widget<TRadioButton>("rbtFilialMode"));
    ASSERT_EQ(line().state(), DataSetState::Edit);
    pick(&widget<TRadioButton>("rbtFilialLocal"));
    EXPECT_EQ(f("IDLPROCLINPP").asString(), "F");
    pick(&widget<TRadioButton>("rbtMatrizModo"));
    EXPECT_TRUE(widget<TRadioButton>("rbtMatrizLocal").isChecked());
    EXPECT_FALSE(widget<TRadioButton>("rbtFilialLocal").isEnabled());
    ASSERT_TRUE(confirm()) << dialogs.allTexts().join(u'|').toStdString();
    const Packet saved = stored("SELECT IDMPROCLINPP, IDLPROCLINPP FROM LINPPROP WHERE NRPROPOSFAS = :N AND "
                                "NRVERPROPFAS = :V AND CDLINPPROPINFOR = '2002'");
    EXPECT_EQ(saved.value(0, "IDMPROCLINPP").toString() + saved.value(0, "IDLPROCLINPP").toString(), "MM");
}

TEST_F(ProductLines, TheKindOfALineWithSystemsStays) {
    openForm(2);
    ASSERT_TRUE(line().locate(QStringLiteral("CDLINPPROPINFOR"), QStringLiteral("2001")));
    pick(&widget<TRadioButton>("rbtTpPtoAcesso"));
    EXPECT_EQ(dialogs.errors(), QStringList{"Linha de produto possui sistema cadastrado. \nTipo não pode ser alterado."});
    EXPECT_EQ(line().state(), DataSetState::Browse) << "the edit is cancelled";
    EXPECT_TRUE(widget<TRadioButton>("rbtTpProduto").isChecked());
    EXPECT_EQ(f("IDTIPLINPP").asString(), "M");
}

// An access point under LU/Manutenção counts no users and takes one system; a switch to
// Locação right after it leaves every line a single installment (no leftover of the insert).
TEST_F(ProductLines, AnAccessPointLineThenASwitchToRental) {
    openForm(2);
    startLine("7005", 1, 300, 0);
    // The product's values do not apply to an access point: cleared on Yes.
    dialogs.expectConfirm(true);
    pick(&widget<TRadioButton>("rbtTpPtoAcesso"));
    EXPECT_EQ(f("IDTIPLINPP").asString(), "P");
    EXPECT_TRUE(f("VRLICENCUSOPROP").isNull() && f("QTMINIMAFATPROP").isNull());
    f("QTMINIMAFATPROP").setAsFloat(1);
    f("VRLICENCUSOPROP").setAsFloat(300);
    f("VRMENSALIDAPROP").setAsFloat(40);
    f("NRUSUALINPP").clear();
    chooseSystems({"WEB00001"});
    ASSERT_TRUE(confirm()) << dialogs.allTexts().join(u'|').toStdString();
    const Packet saved = stored("SELECT IDTIPLINPP, NRUSUALINPP FROM LINPPROP WHERE NRPROPOSFAS = :N AND "
                                "NRVERPROPFAS = :V AND CDLINPPROPINFOR = '7005'");
    EXPECT_EQ(saved.value(0, "IDTIPLINPP"), "P");
    EXPECT_EQ(saved.value(0, "NRUSUALINPP").toDouble(), 0.0);

    dialogs.expectConfirm(true);
    pick(&widget<TRadioButton>("rbtLocacao"));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    const Packet counts = stored("SELECT L.CDLINPPROPINFOR, L.IDTIPLINPP, (SELECT COUNT(*) FROM VENCLINPPROP V WHERE "
                                 "V.NRPROPOSFAS = L.NRPROPOSFAS AND V.NRVERPROPFAS = L.NRVERPROPFAS AND V.CDLINPPROP = "
                                 "L.CDLINPPROP) AS N FROM LINPPROP L WHERE L.NRPROPOSFAS = :N AND L.NRVERPROPFAS = :V");
    ASSERT_EQ(counts.rows.size(), 3);
    for (int r = 0; r < counts.rows.size(); ++r) EXPECT_EQ(counts.value(r, "N").toInt(), 1) << r;
    EXPECT_EQ(stored("SELECT IDTIPLINPP FROM LINPPROP WHERE NRPROPOSFAS = :N AND CDLINPPROPINFOR = '7005'")
                  .value(0, "IDTIPLINPP"),
              "A");
}

TEST_F(ProductLines, SwitchingToRentalConvertsEveryLineOrNothing) {
    openForm(2);
    ASSERT_TRUE(widget<TRadioButton>("rbtLuManut").isChecked()) << "the radios show the proposal's contract";
    const Packet before = stored("SELECT CDLINPPROP, IDTIPLINPP, VRLICENCUSOPROP FROM LINPPROP WHERE "
                                 "NRPROPOSFAS = :N AND NRVERPROPFAS = :V ORDER BY CDLINPPROP");
    // Refused: nothing changes and the radios show the contract again.
    dialogs.expectConfirm(false);
    pick(&widget<TRadioButton>("rbtLocacao"));
    EXPECT_TRUE(dialogs.questions().value(0).contains("de \"LU/Manutenção\" para \"Locação\"")) << dialogs.questions().join(u'|').toStdString();
    EXPECT_TRUE(widget<TRadioButton>("rbtLuManut").isChecked());
    EXPECT_EQ(screen->proposal().state(), DataSetState::Browse);
    EXPECT_EQ(stored("SELECT CDLINPPROP, IDTIPLINPP, VRLICENCUSOPROP FROM LINPPROP WHERE "
                     "NRPROPOSFAS = :N AND NRVERPROPFAS = :V ORDER BY CDLINPPROP")
                  .rows,
              before.rows);
    // Accepted: every line is rental, without licence, with one installment of 0 today.
    dialogs.expectConfirm(true);
    pick(&widget<TRadioButton>("rbtLocacao"));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    EXPECT_EQ(screen->proposal().state(), DataSetState::Browse);
    EXPECT_EQ(screen->proposal()["IDTIPOPROPFAS"].asString(), "L") << "the row shows what was saved";
    EXPECT_TRUE(widget<TRadioButton>("rbtLocacao").isChecked());
    EXPECT_EQ(stored("SELECT IDTIPOPROPFAS FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = :V")
                  .value(0, "IDTIPOPROPFAS"),
              "L");
    const Packet after = stored("SELECT L.IDTIPLINPP, L.VRLICENCUSOPROP, (SELECT COUNT(*) FROM VENCLINPPROP V WHERE "
                                "V.NRPROPOSFAS = L.NRPROPOSFAS AND V.NRVERPROPFAS = L.NRVERPROPFAS AND V.CDLINPPROP = "
                                "L.CDLINPPROP) AS N FROM LINPPROP L WHERE L.NRPROPOSFAS = :N AND L.NRVERPROPFAS = :V");
    ASSERT_EQ(after.rows.size(), before.rows.size());
    for (int r = 0; r < after.rows.size(); ++r) {
        EXPECT_EQ(after.value(r, "IDTIPLINPP"), "L");
        EXPECT_EQ(after.value(r, "VRLICENCUSOPROP").toDouble(), 0.0);
        EXPECT_EQ(after.value(r, "N").toInt(), 1);
    }
    EXPECT_EQ(f("IDTIPLINPP").asString(), "L") << "the form shows the converted line";
}

}  // namespace
