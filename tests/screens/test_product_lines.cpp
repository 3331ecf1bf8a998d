// Product lines on the proposal screen: a new line is saved with its first installment and
// the systems chosen for it, the checks of a post stop it with their message, a price
// change re-splits the stored schedule, and the contract switch converts every line.
#include "dialogs/systems/systems_dialog.h"
#include "screens/areas_cases.h"
#include "server/server_cases_a.h"
#include "services/installment_schedule.h"
#include "services/money.h"

using namespace cot;
using namespace cot::testing;

namespace {

const QString kRefusedSystems = QStringLiteral("A inclusão de sistemas para a linha de produto foi cancelada.");

class ProductLines : public PageFixture {
protected:
    ClientTable& line() { return widget<ClientTable>("cdsLinProd"); }
    Field& f(const char* name) { return line()[QString::fromLatin1(name)]; }

    // Proposal 2 on the line form, on line `code` when given.
    void openForm(const QString& code = {}) {
        openPage(2, &ProposalMenus::mnuLinnProdForm);
        ASSERT_EQ(screen->activeTable(), &line());
        if (!code.isEmpty()) {
            ASSERT_TRUE(line().locate(QStringLiteral("CDLINPPROPINFOR"), code));
        }
    }
    // Starts a new line and types what every line needs.
    void startLine(const QString& code, double quantity, double unit, double discount) {
        ASSERT_TRUE(include()) << shown();
        ASSERT_EQ(line().state(), DataSetState::Insert);
        setFields(line(), {{"CDLINPPROPINFOR", code}, {"NMLINPPROP", "Linha " + code}, {"IDAMBLINPP", "WEB"},
                           {"NRUSUALINPP", 5}, {"QTMINIMAFATPROP", quantity}, {"VRLICENCUSOPROP", unit},
                           {"VRDESLICUSOPROP", discount}, {"VRMENSALIDAPROP", 50}});
    }
    // The systems dialog of the post: checks `codes`, runs `meanwhile` and confirms; closed by
    // its title bar when `close`, cancelled when nothing is checked.
    void chooseSystems(const QStringList& codes, std::function<void()> meanwhile = {}, bool close = false) {
        runner.expect(
            [=](QWidget& w) {
                auto& d = static_cast<TfrmSistemasLinha&>(w);
                if (codes.isEmpty()) return clickButton(*d.sbtCancel);
                for (const QString& code : codes) {
                    ASSERT_TRUE(d.cdsSistema->locate(QStringLiteral("CDSISTEMA"), code)) << code.toStdString();
                    d.MarcaSistema();
                }
                if (meanwhile) meanwhile();
                if (close) d.close();
                else clickButton(*d.sbtConfirma);
            },
            "frmIncluServ");
    }
    Packet stored(const QString& sql) {
        return testServer().db().query(sql, {{"N", number(2)}, {"V", "01"}},
                                       {{"DTVELUSOPEDP", FieldType::DateTime, 0}, {"DTCALUSLINPP", FieldType::DateTime, 0}});
    }
    // Columns of the stored line `code` of proposal 2, as texts.
    QStringList savedLine(const QString& code, const QStringList& columns) {
        return cells(stored("SELECT " + columns.join(", ") + " FROM LINPPROP WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = :V "
                            "AND CDLINPPROPINFOR = '" + code + "'"), 0, columns);
    }
    // A child table's rows of the stored line `code`, in the order of the first column.
    Packet ofLine(const QString& code, const QString& columns, const QString& table) {
        return stored("SELECT " + columns + " FROM " + table + " X JOIN LINPPROP L ON L.NRPROPOSFAS = X.NRPROPOSFAS "
                      "AND L.NRVERPROPFAS = X.NRVERPROPFAS AND L.CDLINPPROP = X.CDLINPPROP WHERE X.NRPROPOSFAS = :N "
                      "AND X.NRVERPROPFAS = :V AND L.CDLINPPROPINFOR = '" + code + "' ORDER BY 1");
    }
    Packet scheduleOf(const QString& code) { return ofLine(code, "X.DTVELUSOPEDP, X.VRVELUSOPEDP", "VENCLINPPROP"); }
    QStringList systemsOf(const QString& code) { return column(ofLine(code, "X.CDSISTEMA", "SISTLINPPROP"), "CDSISTEMA"); }
};

// Each check stops the post with its message and keeps the line being inserted: a code
// another line has, the systems dialog cancelled or closed by its title bar (nothing
// handed back, the dialog freed), the users of a line under LU/Manutenção, a discount above
// the unit value.
TEST_F(ProductLines, ChecksOfThePostStopItWithTheirMessageAndALineTheServerRefusedKeepsItsSystemsWhenCorrected) {
    openForm();
    startLine("2002", 1, 100, 0);
    const std::pair<std::function<void()>, QString> cases[] = {
        {[] {}, "Código de Linha de Produto já cadastrado na proposta"},
        {[&] { f("CDLINPPROPINFOR").setAsString("7002"), chooseSystems({}); }, kRefusedSystems},
        {[&] { chooseSystems({"WEB00001"}, {}, true); }, kRefusedSystems},
        {[&] { f("NRUSUALINPP").clear(); }, "Número de Usuários deve ser informado"},
        {[&] { f("NRUSUALINPP").setAsFloat(1), f("VRDESLICUSOPROP").setAsFloat(100.01); },
         "Desconto não pode ser maior que Vr. Unitário"},
    };
    for (const auto& [arrange, message] : cases) {
        dialogs.clearShown();
        arrange();
        EXPECT_FALSE(confirm());
        EXPECT_EQ(dialogs.errors(), QStringList{message});
        EXPECT_TRUE(line().state() == DataSetState::Insert && widget<ClientTable>("cdsSistema").isEmpty() &&
                    screen->findChild<TfrmSistemasLinha*>() == nullptr) << message.toStdString();
    }
    EXPECT_EQ(stored("SELECT 1 FROM LINPPROP WHERE NRPROPOSFAS = :N AND CDLINPPROPINFOR = '7002'").rows.size(), 0);

    // Another user stores the code while the dialog is open: the server refuses the line, and
    // the corrected line still gets the systems and the first installment chosen for it.
    setFields(line(), {{"CDLINPPROPINFOR", "7102"}, {"VRDESLICUSOPROP", 0}});
    dialogs.clearShown();
    chooseSystems({"WEB00002", "WEB00003"}, [this] {
        testServer().db().exec("INSERT INTO LINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, CDLINPPROPINFOR, NMLINPPROP, "
                               "IDTIPLINPP, IDAMBLINPP) VALUES (:N, '01', :L, '7102', 'Outra', 'M', 'WEB')",
                               {{"N", number(2)}, {"L", number(990)}});
    });
    EXPECT_FALSE(confirm());
    EXPECT_EQ(dialogs.errors(), QStringList{"Código de Linha de Produto já cadastrado na proposta"});
    dialogs.clearShown();
    ASSERT_TRUE(change()) << shown();
    f("CDLINPPROPINFOR").setAsString("7103");
    ASSERT_TRUE(confirm()) << shown();
    EXPECT_TRUE(dialogs.errors().isEmpty()) << shown();
    EXPECT_EQ(column(scheduleOf("7103"), "VRVELUSOPEDP") + systemsOf("7103"), QStringList({"100", "WEB00002", "WEB00003"}));
}

// A new line is saved with its first installment and its systems under its own key; the
// grace month is compared as its last day, on leaving the field and at the post alike; a
// discounted value typed in reads like every price, thousands and two decimals.
TEST_F(ProductLines, ANewLineIsSavedWithItsFirstInstallmentAndSystemsAndTheGraceMonthAndDiscountedValueFollowTheirForm) {
    openForm();  // proposal of 26/11/2026
    startLine("7001", 3, 400, 25);
    chooseSystems({"WEB00002", "WEB00003"});
    ASSERT_TRUE(confirm()) << shown();
    EXPECT_TRUE(dialogs.errors().isEmpty()) << shown();
    EXPECT_EQ(savedLine("7001", {"IDTIPLINPP", "IDMPROCLINPP", "IDLPROCLINPP"}), QStringList({"M", "M", "M"}));
    // The first installment: the whole licence total, due today, under LU/Manutenção.
    const Packet schedule = scheduleOf("7001");
    EXPECT_EQ(schedule.rows.size(), 1);
    EXPECT_EQ(schedule.value(0, "DTVELUSOPEDP").toDate(), QDate(2026, 12, 6));
    EXPECT_EQ(column(schedule, "VRVELUSOPEDP") + systemsOf("7001"), QStringList({"1125", "WEB00002", "WEB00003"}));
    // Nothing of this post is left for the next one.
    EXPECT_TRUE(widget<ClientTable>("cdsSistema").isEmpty() &&
                screen->area<LineSystemsArea>().cdsSistLinhaProd->recordCount() == 2);
    startLine("7003", 1, 100, 0);
    TDBDateEditPlus& grace = widget<TDBDateEditPlus>("depCarenLu");
    grace.setFocus();
    for (const char* early : {"01/11/2026", "25/11/2026"}) {
        f("DTCALUSLINPPAUX").setAsString(early);
        EXPECT_TRUE(runHandler([&] { grace.onExit(); })) << early;
    }
    EXPECT_TRUE(dialogs.errors().isEmpty()) << shown();
    f("DTCALUSLINPPAUX").setAsString("31/10/2026");
    EXPECT_FALSE(runHandler([&] { grace.onExit(); }));
    EXPECT_FALSE(confirm());
    EXPECT_EQ(dialogs.errors(), QStringList(2, "Mês de carência deve ser maior que o mês de cadastro da proposta."));
    dialogs.clearShown();
    f("DTCALUSLINPPAUX").setAsString("03/11/2026");
    chooseSystems({"WEB00001"});
    ASSERT_TRUE(confirm()) << shown();
    EXPECT_EQ(savedLine("7003", {"DTCALUSLINPP"}), QStringList{"30/11/2026"}) << "the month's last day";

    startLine("7007", 1, 12000, 0);
    TNumberEdit& discounted = widget<TNumberEdit>("nedVrComDesconto");
    discounted.setText(QStringLiteral("11990,5"));
    ASSERT_TRUE(runHandler([&] { discounted.onExit(); }));
    EXPECT_EQ(discounted.text(), "11.990,50");
    EXPECT_DOUBLE_EQ(f("VRDESLICUSOPROP").asFloat(), 9.5);
    // The form settled again for the line shows it the same way.
    ASSERT_TRUE(runHandler([&] { screen->area<ProductLineArea>().updateEditors(); }));
    EXPECT_EQ(discounted.text(), "11.990,50");
}

// A price change re-splits the stored schedule in one save; a line priced from nothing is a
// price change too: its schedule follows the new total.
TEST_F(ProductLines, APriceChangeEvenFromZeroReSplitsTheStoredScheduleAndAProposalWithoutLinesShowsNoScheduleOfAnother) {
    openForm("2001");
    ASSERT_TRUE(change());
    f("QTMINIMAFATPROP").setAsFloat(12);
    ASSERT_TRUE(confirm()) << shown();
    const Packet schedule = scheduleOf("2001");
    ASSERT_EQ(schedule.rows.size(), 4);
    const double rate = screen->paramPerc()["VRTXJUROSLICUSO"].asFloat();
    long double sum = 0;
    for (const QString& value : column(schedule, "VRVELUSOPEDP")) sum += value.toDouble();
    EXPECT_TRUE(sameMoney(sum, truncCents((1000.0L - 50) * 12 * (1 + rate / 100))));

    startLine("7004", 2, 0, 0);
    chooseSystems({"WEB00001"});
    ASSERT_TRUE(confirm()) << shown();
    EXPECT_EQ(column(scheduleOf("7004"), "VRVELUSOPEDP"), QStringList{"0"});
    ASSERT_TRUE(change());
    f("VRLICENCUSOPROP").setAsFloat(150.5);
    ASSERT_TRUE(confirm()) << shown();
    EXPECT_EQ(column(scheduleOf("7004"), "VRVELUSOPEDP"), QStringList{"301"});

    // The first line of a proposal without lines starts from an empty schedule, never from the
    // schedule and total of the line shown before.
    for (const char* table : {"VENCLINPPROP", "SISTLINPPROP", "SIMULALINP", "LINPPROP"})
        testServer().db().exec(QString("DELETE FROM %1 WHERE NRPROPOSFAS = :N").arg(table), {{"N", number(12)}});
    ClientTable& shownSchedule = *screen->area<LineInstallmentsArea>().cdsVenc_Valor;
    TNumberEdit& total = widget<TNumberEdit>("nedVrTotal");
    ASSERT_TRUE(shownSchedule.recordCount() > 0 && total.value() != 0.0);
    ASSERT_TRUE(select(12));
    ASSERT_TRUE(menu(screen->menus().mnuLinnProdForm));
    ASSERT_TRUE(line().isEmpty());
    EXPECT_EQ(std::pair(shownSchedule.recordCount(), total.value()), std::pair(0, 0.0));
    ASSERT_TRUE(include()) << shown();
    EXPECT_EQ(std::pair(shownSchedule.recordCount(), total.value()), std::pair(0, 0.0)) << "a new line";
}

// Clicking a radio edits the line shown; head office mode is processed at the head office.
TEST_F(ProductLines, HeadOfficeModeIsProcessedAtTheHeadOffice) {
    openForm("2002");
    clickButton(widget<TRadioButton>("rbtFilialMode"));
    ASSERT_EQ(line().state(), DataSetState::Edit);
    clickButton(widget<TRadioButton>("rbtFilialLocal"));
    EXPECT_EQ(f("IDLPROCLINPP").asString(), "F");
    clickButton(widget<TRadioButton>("rbtMatrizModo"));
    EXPECT_TRUE(widget<TRadioButton>("rbtMatrizLocal").isChecked() && !widget<TRadioButton>("rbtFilialLocal").isEnabled());
    ASSERT_TRUE(confirm()) << shown();
    EXPECT_EQ(savedLine("2002", {"IDMPROCLINPP", "IDLPROCLINPP"}), QStringList({"M", "M"}));
}

TEST_F(ProductLines, TheKindOfALineWithSystemsStays) {
    openForm("2001");
    clickButton(widget<TRadioButton>("rbtTpPtoAcesso"));
    EXPECT_EQ(dialogs.errors(), QStringList{"Linha de produto possui sistema cadastrado. \nTipo não pode ser alterado."});
    EXPECT_EQ(line().state(), DataSetState::Browse) << "the edit is cancelled";
    EXPECT_TRUE(widget<TRadioButton>("rbtTpProduto").isChecked());
    EXPECT_EQ(f("IDTIPLINPP").asString(), "M");
}

// An access point under LU/Manutenção counts no users and takes one system; a switch to
// Locação right after it leaves every line a single installment (no leftover of the insert).
TEST_F(ProductLines, AnAccessPointLineThenASwitchToRental) {
    openForm();
    startLine("7005", 1, 300, 0);
    // The product's values do not apply to an access point: cleared on Yes.
    dialogs.expectConfirm(true);
    clickButton(widget<TRadioButton>("rbtTpPtoAcesso"));
    EXPECT_EQ(f("IDTIPLINPP").asString(), "P");
    EXPECT_TRUE(f("VRLICENCUSOPROP").isNull() && f("QTMINIMAFATPROP").isNull());
    setFields(line(), {{"QTMINIMAFATPROP", 1}, {"VRLICENCUSOPROP", 300}, {"VRMENSALIDAPROP", 40}});
    f("NRUSUALINPP").clear();
    chooseSystems({"WEB00001"});
    ASSERT_TRUE(confirm()) << shown();
    EXPECT_EQ(savedLine("7005", {"IDTIPLINPP", "NRUSUALINPP"}), QStringList({"P", "0"}));

    dialogs.expectConfirm(true);
    clickButton(widget<TRadioButton>("rbtLocacao"));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << shown();
    for (const char* code : {"2001", "2002", "7005"}) EXPECT_EQ(scheduleOf(code).rows.size(), 1) << code;
    EXPECT_EQ(stored("SELECT 1 FROM LINPPROP WHERE NRPROPOSFAS = :N").rows.size(), 3);
    EXPECT_EQ(savedLine("7005", {"IDTIPLINPP"}), QStringList{"A"});
}

}  // namespace
