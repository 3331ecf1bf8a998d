// Services on the proposal screen: a post goes with the package it implies in one call, the
// checks of a post stop it with their message, the rates stay consistent, the grid takes
// what each column may take, a delete re-splits or drops the package schedule, the
// contract button "Serviço" and the objective text.
//
// Demo proposal 2 (26/11/2026, contract M, package): services 001 = 40 h × 150,00 and
// 002 = 16 h × 108,00 (120,00 less 10 %), package 7.728,00 in three installments of 2.576,00.
#include <gtest/gtest.h>

#include <QLabel>
#include <QToolButton>

#include <cmath>
#include <utility>

#include "dialogs/filter_reload.h"
#include "screens/proposal_fixture.h"
#include "screens/screen_cases_d.h"
#include "support/call_recorder.h"
#include "support/packet_cells.h"
#include "ui/buttons.h"
#include "ui/db_edit.h"
#include "ui/db_grid.h"
#include "ui/number_edit.h"
#include "ui/page_control.h"
#include "ui/rich_edit.h"

using namespace cot;
using namespace cot::testing;

namespace {

qint64 cents(double v) { return std::llround(v * 100); }

class Services : public ProposalFixture {
protected:
    ServicesArea& area() { return screen->area<ServicesArea>(); }
    ClientTable& services() { return *area().cdsServico; }
    Field& f(const char* name) { return services()[QString::fromLatin1(name)]; }
    TDBGrid& grid() { return widget<TDBGrid>("dbgServico"); }

    // Proposal n's services tab, recording every call the screen makes from then on.
    void openServices(int n) {
        openScreen();
        ASSERT_TRUE(select(n));
        ASSERT_TRUE(menu(screen->menus().mnuServico));
        ASSERT_EQ(screen->activeTable(), &services());
        calls.attach(screen->net());
    }

    // Starts a new service with what every service needs.
    void startService(const QString& code, double hours, double rate) {
        ASSERT_TRUE(runHandler([&] { screen->sbtIncluirClick(); })) << dialogs.allTexts().join(u'|').toStdString();
        ASSERT_EQ(services().state(), DataSetState::Insert);
        f("CDTIPOSERV").setAsString(code);
        f("VRPEACHEPROP").setAsFloat(1);
        f("QTSERVPROP").setAsFloat(hours);
        f("VRHORAPROP").setAsFloat(rate);
    }
    bool confirm() { return runHandler([&] { screen->sbtConfirmarClick(); }); }
    bool edit(const QString& code, const std::function<void()>& set) {
        return runHandler([&] {
            ASSERT_TRUE(services().locate("CDTIPOSERV", code));
            services().edit();
            set();
        });
    }

    QVariant proposalValue(int n, const char* column) {
        return testServer().db().scalar(QStringLiteral("SELECT %1 FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N AND "
                                                       "NRVERPROPFAS = '01'").arg(QLatin1String(column)),
                                        {{"N", number(n)}});
    }
    QList<qint64> installments(int n) {
        const Packet p = testServer().db().query(
            "SELECT VRVENCSERVPROP FROM VENCSERVPROP WHERE NRPROPOSFAS = :N ORDER BY DTVENCSERVPROP", {{"N", number(n)}});
        QList<qint64> out;
        for (int r = 0; r < p.rows.size(); ++r) out << cents(p.value(r, "VRVENCSERVPROP").toDouble());
        return out;
    }
    QDate firstDue(int n) {
        return testServer().db().query("SELECT DTVENCSERVPROP FROM VENCSERVPROP WHERE NRPROPOSFAS = :N",
                                       {{"N", number(n)}}, {{"DTVENCSERVPROP", FieldType::DateTime, 0}})
            .value(0, "DTVENCSERVPROP").toDateTime().date();
    }
    Packet storedServices(int n) {
        return testServer().db().query("SELECT NRSERVPROP, CDTIPOSERV, VRHORAPROP, VRDEHORAPROP, VRPEHORAPROP "
                                       "FROM SERVPROP WHERE NRPROPOSFAS = :N ORDER BY NRSERVPROP",
                                       {{"N", number(n)}});
    }

    CallRecorder calls;
};

TEST_F(Services, ANewServiceAndThePackageItImpliesGoInOneCallAndTheScheduleFollows) {
    openServices(2);
    startService("3", 10, 180);
    ASSERT_TRUE(confirm()) << dialogs.allTexts().join(u'|').toStdString();
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();

    // The package is recorded by SetServico with the row, never posted on its own before.
    EXPECT_EQ(calls.count("SetServico"), 1);
    EXPECT_EQ(calls.count("SetProposta"), 0);
    EXPECT_EQ(calls.count("SetVencServ"), 0) << "the schedule moved with the package in SetServico";
    const Packet stored = storedServices(2);
    EXPECT_EQ(column(stored, "CDTIPOSERV"), (QStringList{"001", "002", "003"})) << "the code typed as 3 is padded";
    EXPECT_DOUBLE_EQ(proposalValue(2, "VRPACOTESERV").toDouble(), 9528.0);
    // The proposal row holds the server's value as saved: nothing left to send.
    EXPECT_DOUBLE_EQ(screen->proposal()["VRPACOTESERV"].asFloat(), 9528.0);
    EXPECT_EQ(screen->proposal().changeCount(), 0);
    // Three equal shares of the new package.
    EXPECT_EQ(installments(2), (QList<qint64>{317600, 317600, 317600}));

    // Shown again, the package is not spread a second time.
    calls.clear();
    ASSERT_TRUE(menu(screen->menus().mnuProposta));
    ASSERT_TRUE(menu(screen->menus().mnuServico));
    EXPECT_EQ(calls.count("SetServico") + calls.count("SetVencServ"), 0);
}

TEST_F(Services, TheFirstServiceOfAPackageGetsOneInstallmentOfTheWholePackageCutToTheCent) {
    // Proposal 12 is charged by package and quotes no service yet.
    openServices(12);
    ASSERT_EQ(services().recordCount(), 0);
    // The package box shows what the schedule is split over and checked against: the package
    // cut to the cent (3 h at 33,333 is 99,99 everywhere, never 100,00 beside 99,99).
    startService("001", 3, 33.333);
    ASSERT_TRUE(confirm()) << dialogs.allTexts().join(u'|').toStdString();
    EXPECT_EQ(installments(12), QList<qint64>{9999});
    EXPECT_EQ(widget<TDBEdit>("dbeVrPacote").QLineEdit::text(), "99,99");
    EXPECT_EQ(widget<TNumberEdit>("nedVrTotaPacote").text(), "99,99");
    EXPECT_EQ(firstDue(12), QDate(2026, 12, 6)) << "today";
    EXPECT_EQ(screen->area<ServiceInstallmentsArea>().cdsVencServ->recordCount(), 1);

    // A proposal dated later has no installment due before its own date.
    testServer().db().exec("UPDATE PROPOSTAFAS SET DTPROPOSFAS = :D WHERE NRPROPOSFAS = :N",
                           {{"D", QDateTime(QDate(2026, 12, 20), QTime(0, 0))}, {"N", number(3)}});
    ASSERT_TRUE(runHandler([&] { Cli_cot05002::Atualiza_Tela(*screen); }));
    ASSERT_TRUE(select(3));
    startService("002", 8, 120);
    ASSERT_TRUE(confirm()) << dialogs.allTexts().join(u'|').toStdString();
    EXPECT_EQ(installments(3).size(), 1);
    EXPECT_EQ(firstDue(3), QDate(2026, 12, 20));

    // Charged by the hour, the server starts the schedule with one installment of the
    // proposal's package value, 0: nothing for the desktop to send.
    calls.clear();
    ASSERT_TRUE(select(5));
    startService("004", 10, 200);
    ASSERT_TRUE(confirm()) << dialogs.allTexts().join(u'|').toStdString();
    EXPECT_EQ(calls.count("SetServico"), 1);
    EXPECT_EQ(calls.count("SetVencServ"), 0);
    EXPECT_EQ(installments(5), QList<qint64>{0});
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
}

TEST_F(Services, ChecksOfThePostStopItWithTheirMessageOnTheirColumn) {
    openServices(2);
    const auto refused = [&](const QString& message, const QString& column) {
        dialogs.clearShown();
        EXPECT_FALSE(confirm());
        EXPECT_EQ(dialogs.errors(), QStringList{message});
        const Field* at = grid().selectedField();
        EXPECT_EQ(at ? at->fieldName() : QString(), column) << message.toStdString();
        EXPECT_EQ(services().state(), DataSetState::Insert);
    };
    startService("", 10, 100);
    f("NMTIPOSERV").setAsString("Digitado");
    refused("Serviço deve ser informado", "CDTIPOSERV");
    EXPECT_TRUE(f("NMTIPOSERV").isNull()) << "the name goes with the code";
    f("CDTIPOSERV").setAsString("9");
    refused("Serviço não cadastrado", "CDTIPOSERV");
    EXPECT_EQ(f("CDTIPOSERV").asString(), "009");

    f("CDTIPOSERV").setAsString("1");
    for (double discount : {100.01, -1.0}) {
        f("VRPEHORAPROP").setAsFloat(discount);
        refused("Desconto(%) deve estar entre 0% e 100%.", "VRPEHORAPROP");
    }
    EXPECT_EQ(f("NMTIPOSERV").asString(), "Implantação");
    f("VRPEHORAPROP").clear();

    const std::pair<const char*, const char*> required[] = {{"VRPEACHEPROP", "Fator deve ser informado"},
                                                            {"QTSERVPROP", "Quantidade de horas deve ser informada "},
                                                            {"VRHORAPROP", "Valor/Hora do serviço deve ser informado."}};
    for (const auto& [field, message] : required) {
        const QVariant kept = f(field).value();
        f(field).clear();
        refused(QString::fromUtf8(message), QString::fromLatin1(field));
        f(field).setValue(kept);
    }
    f("VRDEHORAPROP").setAsFloat(100.5);
    refused("Vr.Hora Faturar não pode ser maior que Vr.Hora Contratual.", "VRDEHORAPROP");
    f("VRHORAPROP").setAsFloat(0);
    f("VRDEHORAPROP").setAsFloat(0);
    refused("Valor Hora deve ser maior que zero", "VRHORAPROP");
    EXPECT_EQ(calls.count("SetServico"), 0);
    EXPECT_EQ(storedServices(2).rows.size(), 2);
}

TEST_F(Services, RateInvoicedRateAndDiscountStayConsistent) {
    openServices(2);
    // The invoiced rate typed decides the discount.
    ASSERT_TRUE(edit("001", [&] { f("VRDEHORAPROP").setAsFloat(120); }));
    ASSERT_TRUE(confirm());
    Packet stored = storedServices(2);
    EXPECT_DOUBLE_EQ(stored.value(0, "VRPEHORAPROP").toDouble(), 20.0);
    EXPECT_DOUBLE_EQ(proposalValue(2, "VRPACOTESERV").toDouble(), 40 * 120 + 16 * 108.0);

    // The discount typed in its column decides the invoiced rate.
    ASSERT_TRUE(edit("001", [&] {
        grid().setSelectedField("VRPEHORAPROP");
        f("VRHORAPROP").setAsFloat(200);
        f("VRPEHORAPROP").setAsFloat(25);
    }));
    ASSERT_TRUE(confirm());
    EXPECT_DOUBLE_EQ(storedServices(2).value(0, "VRDEHORAPROP").toDouble(), 150.0);

    // An invoiced rate of 0 is a discount of 100; equal rates none; no discount, no difference.
    ASSERT_TRUE(edit("001", [&] { f("VRDEHORAPROP").setAsFloat(0); }));
    ASSERT_TRUE(confirm());
    EXPECT_DOUBLE_EQ(storedServices(2).value(0, "VRPEHORAPROP").toDouble(), 100.0);
    ASSERT_TRUE(edit("001", [&] { f("VRDEHORAPROP").setAsFloat(200); }));
    ASSERT_TRUE(confirm());
    EXPECT_DOUBLE_EQ(storedServices(2).value(0, "VRPEHORAPROP").toDouble(), 0.0);
    ASSERT_TRUE(edit("001", [&] {
        grid().setSelectedField("DSLOCALPROP");
        f("VRHORAPROP").setAsFloat(220);
    }));
    ASSERT_TRUE(confirm());
    EXPECT_DOUBLE_EQ(storedServices(2).value(0, "VRDEHORAPROP").toDouble(), 220.0);

    // A new service whose invoiced rate was never typed is charged at its rate, not given away.
    startService("004", 10, 200);
    ASSERT_TRUE(confirm()) << dialogs.allTexts().join(u'|').toStdString();
    stored = storedServices(2);
    EXPECT_DOUBLE_EQ(stored.value(2, "VRDEHORAPROP").toDouble(), 200.0);
    EXPECT_DOUBLE_EQ(stored.value(2, "VRPEHORAPROP").toDouble(), 0.0);
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
}

TEST_F(Services, ANewServiceIsTypedColumnByColumn) {
    openServices(12);
    TDBGrid& grid = this->grid();
    ASSERT_TRUE(runHandler([&] { screen->sbtIncluirClick(); }));
    ASSERT_TRUE(screen->hasFocus(&grid));
    // The type's lookup is offered by a button seen in its cell, not only by Ctrl+Enter.
    const auto* lookup = grid.findChild<QToolButton*>(QStringLiteral("dbgServico_editButton"));
    ASSERT_NE(lookup, nullptr);
    EXPECT_TRUE(lookup->isVisible());
    // Each column left may rewrite the row; the next one typed is still the one entered.
    typeKeys(grid, {"1", "\t", "\t", "Na matriz", "\t", "1", "\t", "40", "\t", "150", "\t"});
    EXPECT_EQ(f("CDTIPOSERV").asString(), "001");
    EXPECT_EQ(f("NMTIPOSERV").asString(), "Implantação");
    EXPECT_EQ(f("DSLOCALPROP").asString(), "Na matriz");
    EXPECT_DOUBLE_EQ(f("QTSERVPROP").asFloat(), 40.0);
    EXPECT_DOUBLE_EQ(f("VRDEHORAPROP").asFloat(), 150.0) << "the rate left fills the invoiced rate";
    EXPECT_DOUBLE_EQ(f("VRPEHORAPROP").asFloat(), 0.0);
    EXPECT_EQ(grid.selectedField()->fieldName(), "VRDEHORAPROP");
    EXPECT_EQ(grid.currentIndex().column(), grid.selectedIndex());
    EXPECT_EQ(widget<TDBEdit>("dbeVrPacote").QLineEdit::text(), "6000");
    ASSERT_TRUE(confirm()) << dialogs.allTexts().join(u'|').toStdString();
    EXPECT_EQ(column(storedServices(12), "CDTIPOSERV"), QStringList{"001"});
}

// The discount typed last and confirmed without leaving its column decides the invoiced
// rate, as leaving the column would.
TEST_F(Services, ADiscountTypedLastIsConfirmedAsTyped) {
    openServices(12);
    TDBGrid& grid = this->grid();
    ASSERT_TRUE(runHandler([&] { screen->sbtIncluirClick(); }));
    typeKeys(grid, {"1", "\t", "\t", "Na matriz", "\t", "1", "\t", "10", "\t", "200", "\t", "\t", "25"});
    ASSERT_EQ(grid.selectedField()->fieldName(), "VRPEHORAPROP");
    ASSERT_TRUE(confirm()) << dialogs.allTexts().join(u'|').toStdString();
    const Packet stored = storedServices(12);
    ASSERT_EQ(stored.rows.size(), 1);
    EXPECT_DOUBLE_EQ(stored.value(0, "VRPEHORAPROP").toDouble(), 25.0);
    EXPECT_DOUBLE_EQ(stored.value(0, "VRDEHORAPROP").toDouble(), 150.0);
    EXPECT_DOUBLE_EQ(proposalValue(12, "VRPACOTESERV").toDouble(), 1500.0);
    EXPECT_EQ(installments(12), QList<qint64>{150000});
}

TEST_F(Services, LeavingANumberColumnKeepsTheRatesAndShowsTheRunningPackage) {
    openServices(2);
    TDBGrid& grid = this->grid();
    ASSERT_TRUE(focusWidget(grid));
    ASSERT_TRUE(runHandler([&] { services().locate("CDTIPOSERV", "002"); }));
    ASSERT_TRUE(grid.setSelectedField("VRPEHORAPROP"));
    typeText(grid, "25");
    ASSERT_TRUE(grid.setSelectedField("QTSERVPROP"));
    EXPECT_DOUBLE_EQ(f("VRDEHORAPROP").asFloat(), 90.0);
    // 7.728,00 − 16 × 108,00 + 16 × 90,00, shown only: the row keeps the stored package.
    EXPECT_EQ(widget<TDBEdit>("dbeVrPacote").QLineEdit::text(), "7440");
    EXPECT_DOUBLE_EQ(f("VRPACOTESERV").asFloat(), 7728.0);

    ASSERT_TRUE(grid.setSelectedField("VRHORAPROP"));
    typeText(grid, "60");
    EXPECT_FALSE(grid.setSelectedField("VRPEHORAPROP")) << "the rate is below the invoiced one";
    EXPECT_EQ(dialogs.errors(), QStringList{"Vr.Hora Faturar não pode ser maior que Vr.Hora Contratual."});
    ASSERT_TRUE(runHandler([&] { services().cancel(); }));
}

TEST_F(Services, TheGridTakesTypesOnlyOnNewRowsAndNumbersWithoutSignOrExponent) {
    openServices(2);
    TDBGrid& grid = this->grid();
    ASSERT_TRUE(focusWidget(grid));
    ASSERT_TRUE(grid.setSelectedField("CDTIPOSERV"));
    EXPECT_FALSE(grid.hasOption(dgEditing)) << "a stored service keeps its type";
    ASSERT_TRUE(grid.setSelectedField("QTSERVPROP"));
    EXPECT_TRUE(grid.hasOption(dgEditing));
    typeText(grid, "e+-1,5,0E");
    ASSERT_TRUE(grid.editorMode());
    EXPECT_EQ(grid.inplaceEditor()->text(), "1,50");
    pressKey(grid, Qt::Key_Escape);
    pressKey(grid, Qt::Key_Escape);
    ASSERT_TRUE(grid.setSelectedField("DSLOCALPROP"));
    typeText(grid, "e+-");
    EXPECT_EQ(grid.inplaceEditor()->text(), "e+-") << "the description takes any text";
    pressKey(grid, Qt::Key_Escape);
    pressKey(grid, Qt::Key_Escape);

    // Ctrl+Delete deletes nothing (the delete button also takes care of the package).
    pressKey(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(dialogs.questions().isEmpty());
    EXPECT_EQ(services().recordCount(), 2);

    // A new row takes its type; the edit button picks it from the register.
    ASSERT_TRUE(runHandler([&] { screen->sbtIncluirClick(); }));
    ASSERT_TRUE(grid.setSelectedField("CDTIPOSERV"));
    EXPECT_TRUE(grid.hasOption(dgEditing));
    dialogs.expectPick([](ClientTable& t) { return t.locate("CDTIPOSERV", "004"); });
    ASSERT_TRUE(runHandler([&] { area().dbgServicoEditButtonClick(); }));
    EXPECT_EQ(dialogs.shown().back().text, "Serviço");
    EXPECT_EQ(services().state(), DataSetState::Insert);
    EXPECT_EQ(f("CDTIPOSERV").asString(), "004");
    EXPECT_EQ(f("NMTIPOSERV").asString(), "Customização");
    EXPECT_EQ(f("IDTIPOCOBRPROP").displayText(), "Vr. Pacote");
}

TEST_F(Services, ADeleteRespreadsThePackageAndTheLastOneDropsTheSchedule) {
    openServices(2);
    ASSERT_TRUE(runHandler([&] { services().locate("CDTIPOSERV", "002"); }));
    dialogs.expectConfirm(true);
    ASSERT_TRUE(runHandler([&] { screen->sbtExcluirClick(); }));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    EXPECT_DOUBLE_EQ(proposalValue(2, "VRPACOTESERV").toDouble(), 6000.0);
    EXPECT_EQ(installments(2), (QList<qint64>{200000, 200000, 200000}));
    EXPECT_EQ(calls.count("SetProposta"), 0);

    calls.clear();
    dialogs.expectConfirm(true);
    ASSERT_TRUE(runHandler([&] { screen->sbtExcluirClick(); }));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    EXPECT_DOUBLE_EQ(proposalValue(2, "VRPACOTESERV").toDouble(), 0.0);
    EXPECT_DOUBLE_EQ(screen->proposal()["VRPACOTESERV"].asFloat(), 0.0);
    EXPECT_TRUE(installments(2).isEmpty());
    // The server dropped the schedule with the last service: nothing left to send.
    EXPECT_EQ(calls.count("SetVencServ"), 0);
    EXPECT_EQ(screen->area<ServiceInstallmentsArea>().cdsVencServ->recordCount(), 0);
    EXPECT_EQ(calls.count("SetProposta"), 0);
}

TEST_F(Services, TheContractButtonMakesAProposalOfServicesOnlyWhileItHasNoLinesWhoseObjectiveIsSaved) {
    openServices(2);
    clickButton(widget<TRadioButton>("rbtServico"));
    EXPECT_EQ(dialogs.errors(), QStringList{"Operação bloqueada! O tipo de linha de produto da proposta não pode ser "
                                            "alterado caso já existam linhas de produto cadastradas."});
    EXPECT_EQ(screen->proposal().state(), DataSetState::Browse);
    EXPECT_TRUE(widget<TRadioButton>("rbtLuManut").isChecked());
    EXPECT_TRUE(screen->hasFocus(&widget<TRadioButton>("rbtLuManut"))) << "the stored contract's button takes the focus";
    EXPECT_EQ(proposalValue(2, "IDTIPOPROPFAS").toString(), "M");

    // Without lines the contract is saved at once.
    testServer().db().exec("DELETE FROM LINPPROP WHERE NRPROPOSFAS = :N", {{"N", number(9)}});
    dialogs.clearShown();
    ASSERT_TRUE(select(9));
    clickButton(widget<TRadioButton>("rbtServico"));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    EXPECT_EQ(proposalValue(9, "IDTIPOPROPFAS").toString(), "S");
    EXPECT_EQ(screen->proposal().state(), DataSetState::Browse);
    EXPECT_EQ(screen->pages().pgcDados->activePage(), screen->pages().tshServico);

    // The objective of a service-only proposal is edited and saved on its own tab.
    ASSERT_TRUE(select(5));  // services only, no objective yet
    ASSERT_TRUE(menu(screen->menus().mnuObjServico));
    ServiceObjectiveArea& objective = screen->area<ServiceObjectiveArea>();
    ASSERT_EQ(screen->activeTable(), objective.cdsObjServico);
    EXPECT_FALSE(widget<TDBRichEdit>("dbrObjServico").isEnabled());
    ASSERT_TRUE(screen->mnuAlterar->enabled());
    ASSERT_TRUE(runHandler([&] { screen->sbtAlterarClick(); }));
    EXPECT_TRUE(widget<TDBRichEdit>("dbrObjServico").isEnabled());
    (*objective.cdsObjServico)["TXOBJETPROPFAS"].setAsString("<p>Revisar o fechamento fiscal.</p>");
    ASSERT_TRUE(runHandler([&] { screen->sbtConfirmarClick(); })) << dialogs.allTexts().join(u'|').toStdString();
    EXPECT_EQ(testServer().db().scalar("SELECT TXOBJETPROPFAS FROM OBJSERVPROP WHERE NRPROPOSFAS = :N",
                                       {{"N", number(5)}}).toString(),
              "<p>Revisar o fechamento fiscal.</p>");
    EXPECT_EQ(objective.cdsObjServico->changeCount(), 0);
}

// A proposal to a prospect lacking mandatory services never reaches the approval; the
// missing services are listed and, on Yes, imported.
TEST_F(Services, MissingMandatoryServicesStopTheApprovalAndMayBeImported) {
    openServices(4);
    QString listed;
    runner.expect([&](QWidget& w) {
        if (auto* label = w.findChild<QLabel*>("lblMensagem")) listed = label->text();
    }, "frmCOT00900");
    dialogs.expectConfirm(true);
    EXPECT_FALSE(runHandler([&] { area().Verifica_Servico(); })) << "the approval stops";
    EXPECT_TRUE(listed.startsWith("Os seguintes serviços obrigatórios não estão cadastrados")) << listed.toStdString();
    EXPECT_EQ(area().cdsTipoServObr->recordCount(), 2);
    EXPECT_EQ(calls.count("InsereServicoAuto"), 2);
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    // Nothing missing any more: the check lets the approval go on.
    EXPECT_TRUE(runHandler([&] { area().Verifica_Servico(); }));
    // A client's proposal is not checked at all.
    ASSERT_TRUE(select(2));
    calls.clear();
    EXPECT_TRUE(runHandler([&] { area().Verifica_Servico(); }));
    EXPECT_EQ(calls.count("GetTipoServObr"), 0);
}

}  // namespace
