// Services on the proposal screen: a post goes with the package it implies in one call, the
// checks of a post stop it with their message, the rates stay consistent, the grid takes
// what each column may take, a delete re-splits or drops the package schedule, the
// contract button "Serviço" and the objective text.
//
// Demo proposal 2 (26/11/2026, contract M, package): services 001 = 40 h × 150,00 and
// 002 = 16 h × 108,00 (120,00 less 10 %), package 7.728,00 in three installments of 2.576,00.

#include <QRegularExpression>
#include <QToolButton>
#include <cmath>

#include "screens/areas_cases.h"
#include "support/list_window.h"

using namespace cot;
using namespace cot::testing;

namespace {

qint64 cents(double v) { return std::llround(v * 100); }

class Services : public PageFixture {
protected:
    ServicesArea& area() { return screen->area<ServicesArea>(); }
    ClientTable& services() { return *area().cdsServico; }
    Field& f(const char* name) { return services()[QString::fromLatin1(name)]; }
    TDBGrid& grid() { return widget<TDBGrid>("dbgServico"); }
    void openServices(int n) { openPage(n, &ProposalMenus::mnuServico); }

    // Starts a new service with what every service needs.
    void startService(const QString& code, double hours, double rate) {
        ASSERT_TRUE(include()) << shown();
        ASSERT_EQ(services().state(), DataSetState::Insert);
        setFields(services(), {{"CDTIPOSERV", code}, {"VRPEACHEPROP", 1}, {"QTSERVPROP", hours}, {"VRHORAPROP", rate}});
    }
    Packet stored(const QString& what, int n) {
        return testServer().db().query("SELECT " + what + " WHERE NRPROPOSFAS = :N ORDER BY 1", {{"N", number(n)}},
                                       {{"DTVENCSERVPROP", FieldType::DateTime, 0}});
    }
    // The package schedule of proposal n as "dd/MM/yyyy cents" in date order.
    QStringList installments(int n) {
        const Packet p = stored("DTVENCSERVPROP, VRVENCSERVPROP FROM VENCSERVPROP", n);
        QStringList out;
        for (int r = 0; r < p.rows.size(); ++r)
            out << p.value(r, "DTVENCSERVPROP").toDate().toString("dd/MM/yyyy") + u' ' +
                       QString::number(cents(p.value(r, "VRVENCSERVPROP").toDouble()));
        return out;
    }
    Packet storedServices(int n) {
        return stored("NRSERVPROP, CDTIPOSERV, VRHORAPROP, VRDEHORAPROP, VRPEHORAPROP FROM SERVPROP", n);
    }
    // Invoiced rate and discount of a stored service of proposal n.
    QStringList rates(int n, int row) {
        const Packet p = storedServices(n);
        return {QString::number(p.value(row, "VRDEHORAPROP").toDouble()), QString::number(p.value(row, "VRPEHORAPROP").toDouble())};
    }
    // The package as stored, as the proposal row holds it, and the changes the row has left to send.
    QList<double> package(int n) {
        return {proposalValue(n, "VRPACOTESERV").toDouble(), screen->proposal()["VRPACOTESERV"].asFloat(),
                double(screen->proposal().changeCount())};
    }
    bool editService(const QString& code, const std::function<void()>& set) {
        return runHandler([&] {
            ASSERT_TRUE(services().locate("CDTIPOSERV", code));
            services().edit();
            set();
        });
    }
};

TEST_F(Services, TheFirstServiceOfAPackageGetsOneInstallmentOfTheWholePackageCutToTheCent) {
    // Proposal 12 is charged by package and quotes no service yet.
    openServices(12);
    ASSERT_EQ(services().recordCount(), 0);
    // The package box shows what the schedule is split over and checked against: the package
    // cut to the cent (3 h at 33,333 is 99,99 everywhere, never 100,00 beside 99,99), due today.
    startService("001", 3, 33.333);
    ASSERT_TRUE(confirm()) << shown();
    EXPECT_EQ(installments(12), QStringList{"06/12/2026 9999"});
    EXPECT_EQ(QStringList({widget<TDBEdit>("dbeVrPacote").QLineEdit::text(), widget<TNumberEdit>("nedVrTotaPacote").text()}),
              QStringList(2, "99,99"));
    EXPECT_EQ(screen->area<ServiceInstallmentsArea>().cdsVencServ->recordCount(), 1);

    // A proposal dated later has no installment due before its own date.
    testServer().db().exec("UPDATE PROPOSTAFAS SET DTPROPOSFAS = :D WHERE NRPROPOSFAS = :N",
                           {{"D", QDateTime(QDate(2026, 12, 20), QTime(0, 0))}, {"N", number(3)}});
    ASSERT_TRUE(runHandler([&] { Cli_cot05002::Atualiza_Tela(*screen); }));
    ASSERT_TRUE(select(3));
    startService("002", 8, 120);
    ASSERT_TRUE(confirm()) << shown();
    EXPECT_EQ(installments(3), QStringList{"20/12/2026 96000"});

    // Charged by the hour, the server starts the schedule with one installment of the
    // proposal's package value, 0: nothing for the desktop to send.
    calls.clear();
    ASSERT_TRUE(select(5));
    startService("004", 10, 200);
    ASSERT_TRUE(confirm()) << shown();
    EXPECT_EQ(calls.methods().filter(QRegularExpression("^Set")), QStringList{"SetServico"});
    EXPECT_EQ(installments(5), QStringList{"06/12/2026 0"});
    EXPECT_TRUE(dialogs.errors().isEmpty()) << shown();
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

// Rate, invoiced rate and discount stay consistent: the one typed decides the other.
TEST_F(Services, RateInvoicedRateAndDiscountStayConsistent) {
    openServices(2);
    struct Case {
        const char* column;  // the column the user is on; nullptr: where the last edit left it
        QList<std::pair<const char*, double>> typed;
        QStringList stored;  // invoiced rate, discount
    };
    const Case cases[] = {
        {nullptr, {{"VRDEHORAPROP", 120}}, {"120", "20"}},
        {"VRPEHORAPROP", {{"VRHORAPROP", 200}, {"VRPEHORAPROP", 25}}, {"150", "25"}},
        {nullptr, {{"VRDEHORAPROP", 0}}, {"0", "100"}},    // an invoiced rate of 0 is a discount of 100
        {nullptr, {{"VRDEHORAPROP", 200}}, {"200", "0"}},  // equal rates none
        {"DSLOCALPROP", {{"VRHORAPROP", 220}}, {"220", "0"}},  // no discount, no difference
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored.join(u' ').toStdString());
        ASSERT_TRUE(editService("001", [&] {
            if (c.column) grid().setSelectedField(c.column);
            for (const auto& [field, value] : c.typed) f(field).setAsFloat(value);
        }));
        ASSERT_TRUE(confirm()) << shown();
        EXPECT_EQ(rates(2, 0), c.stored);
    }
    // A new service whose invoiced rate was never typed is charged at its rate, not given away.
    startService("004", 10, 200);
    ASSERT_TRUE(confirm()) << shown();
    EXPECT_EQ(rates(2, 2), QStringList({"200", "0"}));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << shown();
}

// Typed column by column, each column left may rewrite the row and the next one typed is
// still the one entered; a discount typed last and confirmed without leaving its column
// decides the invoiced rate, as leaving the column would.
TEST_F(Services, ANewServiceIsTypedColumnByColumnAndADiscountTypedLastIsConfirmedAsTyped) {
    openServices(12);
    TDBGrid& grid = this->grid();
    ASSERT_TRUE(include());
    ASSERT_TRUE(screen->hasFocus(&grid));
    // The type's lookup is offered by a button seen in its cell, not only by Ctrl+Enter.
    const auto* lookup = grid.findChild<QToolButton*>(QStringLiteral("dbgServico_editButton"));
    EXPECT_TRUE(lookup && lookup->isVisible());
    typeKeys(grid, {"1", "\t", "\t", "Na matriz", "\t", "1", "\t", "40", "\t", "150", "\t"});
    EXPECT_EQ(QStringList({f("CDTIPOSERV").asString(), f("NMTIPOSERV").asString(), f("DSLOCALPROP").asString()}),
              QStringList({"001", "Implantação", "Na matriz"}));
    // The rate left fills the invoiced rate.
    EXPECT_EQ(QList<double>({f("QTSERVPROP").asFloat(), f("VRDEHORAPROP").asFloat(), f("VRPEHORAPROP").asFloat()}),
              QList<double>({40, 150, 0}));
    // On the invoiced rate, the cell shown being the column selected; the package running.
    EXPECT_EQ(QStringList({grid.selectedField()->fieldName(), QString::number(grid.currentIndex().column() - grid.selectedIndex()),
                           widget<TDBEdit>("dbeVrPacote").QLineEdit::text()}), QStringList({"VRDEHORAPROP", "0", "6000"}));

    typeKeys(grid, {"\t", "25"});
    ASSERT_EQ(grid.selectedField()->fieldName(), "VRPEHORAPROP");
    ASSERT_TRUE(confirm()) << shown();
    EXPECT_EQ(column(storedServices(12), "CDTIPOSERV") + rates(12, 0) + installments(12),
              QStringList({"001", "112.5", "25", "06/12/2026 450000"}));
    EXPECT_DOUBLE_EQ(proposalValue(12, "VRPACOTESERV").toDouble(), 4500.0);
}

TEST_F(Services, TheGridTakesTypesOnlyOnNewRowsAndNumbersWithoutSignOrExponentAndKeepsTheRates) {
    openServices(2);
    TDBGrid& grid = this->grid();
    ASSERT_TRUE(focusWidget(grid));
    ASSERT_TRUE(grid.setSelectedField("CDTIPOSERV"));
    EXPECT_FALSE(grid.hasOption(dgEditing)) << "a stored service keeps its type";
    EXPECT_TRUE(grid.setSelectedField("QTSERVPROP") && grid.hasOption(dgEditing));
    // A closed cell never opens on a comma; a second comma is dropped.
    typeText(grid, ",e+-1,5,0E");
    ASSERT_TRUE(grid.editorMode());
    EXPECT_EQ(grid.inplaceEditor()->text(), "1,50");
    pressKey(grid, Qt::Key_Escape);
    pressKey(grid, Qt::Key_Escape);
    ASSERT_TRUE(grid.setSelectedField("DSLOCALPROP"));
    typeText(grid, ",e+-");
    EXPECT_EQ(grid.inplaceEditor()->text(), ",e+-") << "the description takes any text";
    pressKey(grid, Qt::Key_Escape);
    pressKey(grid, Qt::Key_Escape);

    // Ctrl+Delete deletes nothing (the delete button also takes care of the package).
    pressKey(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(dialogs.questions().isEmpty() && services().recordCount() == 2);

    // Leaving a number column keeps the rates and shows the running package.
    ASSERT_TRUE(runHandler([&] { services().locate("CDTIPOSERV", "002"); }));
    ASSERT_TRUE(grid.setSelectedField("VRPEHORAPROP"));
    typeText(grid, "25");
    ASSERT_TRUE(grid.setSelectedField("QTSERVPROP"));
    // 7.728,00 − 16 × 108,00 + 16 × 90,00, shown only: the row keeps the stored package.
    EXPECT_EQ(QList<double>({f("VRDEHORAPROP").asFloat(), f("VRPACOTESERV").asFloat()}), QList<double>({90, 7728}));
    EXPECT_EQ(widget<TDBEdit>("dbeVrPacote").QLineEdit::text(), "7440");
    ASSERT_TRUE(grid.setSelectedField("VRHORAPROP"));
    typeText(grid, "60");
    EXPECT_FALSE(grid.setSelectedField("VRPEHORAPROP")) << "the rate is below the invoiced one";
    EXPECT_EQ(dialogs.errors(), QStringList{"Vr.Hora Faturar não pode ser maior que Vr.Hora Contratual."});
    ASSERT_TRUE(runHandler([&] { services().cancel(); }));

    // A new row takes its type; the edit button picks it from the register.
    ASSERT_TRUE(include());
    EXPECT_TRUE(grid.setSelectedField("CDTIPOSERV") && grid.hasOption(dgEditing));
    dialogs.expectPick([](ClientTable& t) { return t.locate("CDTIPOSERV", "004"); });
    ASSERT_TRUE(runHandler([&] { area().dbgServicoEditButtonClick(); }));
    EXPECT_EQ(services().state(), DataSetState::Insert);
    EXPECT_EQ(QStringList({dialogs.shown().back().text, f("CDTIPOSERV").asString(), f("NMTIPOSERV").asString(),
                           f("IDTIPOCOBRPROP").displayText()}),
              QStringList({"Serviço", "004", "Customização", "Vr. Pacote"}));
}

TEST_F(Services, ADeleteRespreadsThePackageAndTheLastOneDropsTheSchedule) {
    openServices(2);
    ASSERT_TRUE(runHandler([&] { services().locate("CDTIPOSERV", "002"); }));
    ASSERT_TRUE(remove());
    EXPECT_DOUBLE_EQ(proposalValue(2, "VRPACOTESERV").toDouble(), 6000.0);
    EXPECT_EQ(installments(2), (QStringList{"26/12/2026 200000", "25/01/2027 200000", "24/02/2027 200000"}));
    EXPECT_EQ(calls.count("SetProposta"), 0);
    calls.clear();
    ASSERT_TRUE(remove());
    EXPECT_TRUE(dialogs.errors().isEmpty()) << shown();
    // The proposal row holds the server's value as saved: nothing left to send.
    EXPECT_EQ(package(2), QList<double>({0, 0, 0}));
    EXPECT_TRUE(installments(2).isEmpty());
    // The server dropped the schedule with the last service: nothing left to send.
    EXPECT_EQ(calls.count("SetVencServ") + calls.count("SetProposta"), 0);
    EXPECT_EQ(screen->area<ServiceInstallmentsArea>().cdsVencServ->recordCount(), 0);
}

TEST_F(Services, AServicesOnlyContractWhileThereAreNoLinesItsSavedObjectiveAndTheMandatoryServicesCheck) {
    openServices(2);
    clickButton(widget<TRadioButton>("rbtServico"));
    EXPECT_EQ(dialogs.errors(), QStringList{"Operação bloqueada! O tipo de linha de produto da proposta não pode ser "
                                            "alterado caso já existam linhas de produto cadastradas."});
    EXPECT_TRUE(screen->proposal().state() == DataSetState::Browse && widget<TRadioButton>("rbtLuManut").isChecked());
    EXPECT_TRUE(screen->hasFocus(&widget<TRadioButton>("rbtLuManut"))) << "the stored contract's button takes the focus";

    // Without lines the contract is saved at once.
    testServer().db().exec("DELETE FROM LINPPROP WHERE NRPROPOSFAS = :N", {{"N", number(9)}});
    dialogs.clearShown();
    ASSERT_TRUE(select(9));
    clickButton(widget<TRadioButton>("rbtServico"));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << shown();
    EXPECT_EQ(proposalValue(2, "IDTIPOPROPFAS").toString() + proposalValue(9, "IDTIPOPROPFAS").toString(), "MS");
    EXPECT_TRUE(screen->proposal().state() == DataSetState::Browse &&
                screen->pages().pgcDados->activePage() == screen->pages().tshServico);

    // The objective of a service-only proposal is edited and saved on its own tab.
    ASSERT_TRUE(select(5));  // services only, no objective yet
    ASSERT_TRUE(menu(screen->menus().mnuObjServico));
    ServiceObjectiveArea& objective = screen->area<ServiceObjectiveArea>();
    ASSERT_EQ(screen->activeTable(), objective.cdsObjServico);
    EXPECT_FALSE(widget<TDBRichEdit>("dbrObjServico").isEnabled());
    ASSERT_TRUE(change());
    EXPECT_TRUE(widget<TDBRichEdit>("dbrObjServico").isEnabled());
    (*objective.cdsObjServico)["TXOBJETPROPFAS"].setAsString("<p>Revisar o fechamento fiscal.</p>");
    ASSERT_TRUE(confirm()) << shown();
    EXPECT_EQ(stored("TXOBJETPROPFAS FROM OBJSERVPROP", 5).value(0, "TXOBJETPROPFAS").toString(),
              "<p>Revisar o fechamento fiscal.</p>");
    EXPECT_EQ(objective.cdsObjServico->changeCount(), 0);

    // A proposal to a prospect lacking mandatory services never reaches the approval; the
    // missing services are listed and, on Yes, imported.
    ASSERT_TRUE(select(4) && menu(screen->menus().mnuServico));
    ListedWindow listed;
    expectListWindow(runner, listed);
    dialogs.expectConfirm(true);
    calls.clear();
    EXPECT_FALSE(runHandler([&] { area().Verifica_Servico(); })) << "the approval stops";
    EXPECT_TRUE(listed.message.startsWith("Os seguintes serviços obrigatórios não estão cadastrados"))
        << listed.message.toStdString();
    EXPECT_EQ(QList<int>({area().cdsTipoServObr->recordCount(), calls.count("InsereServicoAuto")}), QList<int>({2, 2}));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << shown();
    // Nothing missing any more: the check lets the approval go on.
    EXPECT_TRUE(runHandler([&] { area().Verifica_Servico(); }));
    // A client's proposal is not checked at all.
    ASSERT_TRUE(select(2));
    calls.clear();
    EXPECT_TRUE(runHandler([&] { area().Verifica_Servico(); }));
    EXPECT_EQ(calls.count("GetTipoServObr"), 0);
}

}  // namespace
