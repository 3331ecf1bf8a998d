// The checks of the approval launch over the demo proposals, with rows changed in the
// database first: the header stops a request, a prospect and a proposal without its
// readjustment month; every line's systems and schedule are read again and compared with
// its licence total; access points and lines the customer already has are listed together
// in one list window; services, their package schedule, the customer's contract and the
// responsible operator follow.
//
// Demo proposal 2 (client 22333444000172, contract M): line 2001 = 10 × (1.000,00 − 50,00)
// in four installments with the interest of 1,5 %, line 2002 = 2 × 650,50 in three; services
// as a package of 7.728,00 in three installments. Proposal 12: one line, no services.
#include "approval/approval_checks.h"
#include "screens/proposal_fixture.h"
#include "screens/schedule_fixture.h"
#include "screens/screen_cases_d.h"
#include "support/list_window.h"
#include "services/money.h"

using namespace cot;
using namespace cot::testing;

namespace {

QString text(const char* s) { return QString::fromUtf8(s); }
// What a list window showed: its message, then its rows.
QStringList shownIn(const ListedWindow& w) { return QStringList{w.message} + w.rows; }

const char* const kVencimento =
    "O somatório dos vencimentos está diferente do valor da Proposta. O valor dos vencimentos deve ser alterado.";

class ApprovalLaunch : public ProposalFixture {
protected:
    // Proposal n on the screen, recording every call from then on.
    void open(int n, const QString& version = QStringLiteral("01")) {
        openOn(n, version);
        calls.attach(screen->net());
    }
    // Runs the launch; true when every check passed.
    bool launch() {
        bool passed = false;
        runHandler([&] { passed = checks().run(); });
        return passed;
    }
    ApprovalChecks& checks() {
        if (!checks_) checks_ = std::make_unique<ApprovalChecks>(*screen);
        return *checks_;
    }
    void sql(const QString& statement, int n = 2) { testServer().db().exec(statement, {{"N", number(n)}}); }

    CallRecorder calls;
    std::unique_ptr<ApprovalChecks> checks_;
};

// A launch the header, the lines, the services or the contract stop with one message; the
// current row of `table` (the proposal when empty) is then the one that stopped it.
struct Stop {
    const char* name;
    int n;
    QStringList sql;  // :N is proposal n
    const char* error;
    const char* notReached = nullptr;  // a call never made ("" for none at all)
    const char *table = "", *field = nullptr, *value = nullptr;
};
const QString kLine4 = QStringLiteral("'00000000000000000004'");
const QString kNoLines[] = {"DELETE FROM SIMULALINP WHERE NRPROPOSFAS = :N", "DELETE FROM VENCLINPPROP WHERE NRPROPOSFAS = :N",
                            "DELETE FROM SISTLINPPROP WHERE NRPROPOSFAS = :N", "DELETE FROM LINPPROP WHERE NRPROPOSFAS = :N"};
const Stop kStops[] = {
    {"Request", 5, {}, "Não é possível dar o aceite em uma proposta do tipo Solicitação.", ""},
    {"NoReadjustmentMonth", 2, {"UPDATE PROPOSTAFAS SET NRMESREAJPROP = NULL WHERE NRPROPOSFAS = :N"},
     "Mês de Reajuste deve ser informado.", "GetLinProd"},
    {"ScheduleOffByACent", 2, {"UPDATE VENCLINPPROP SET VRVELUSOPEDP = 433.67 WHERE CDLINPPROP = " + kLine4}, kVencimento,
     "GetServico", "cdsLinProd", "CDLINPPROPINFOR", "2002"},
    {"LineWithoutQuantity", 2, {"UPDATE LINPPROP SET QTMINIMAFATPROP = 0 WHERE CDLINPPROP = " + kLine4}, kVencimento},
    {"LineWithoutSystems", 2, {"DELETE FROM SISTLINPPROP WHERE CDLINPPROP = " + kLine4},
     "Existe linha de produto sem sistema cadastrado."},
    {"LicenceLineWithoutSchedule", 2, {"DELETE FROM VENCLINPPROP WHERE CDLINPPROP = " + kLine4},
     "Existem linhas de produto sem data de vencimento cadastrado. Operação bloqueada."},
    {"LicenceWithoutLinesEvenWithServices", 2, {kNoLines[0], kNoLines[1], kNoLines[2], kNoLines[3]},
     "Impossível realizar a aprovação de LU/Manutenção sem linha de produto cadastrada. \nOperação Bloqueada."},
    {"NeitherLinesNorServices", 12,
     {"UPDATE PROPOSTAFAS SET NRMESREAJPROP = '04' WHERE NRPROPOSFAS = :N", kNoLines[1], kNoLines[2], kNoLines[3]},
     "Impossível realizar a aprovação sem linha de produto cadastrada ou serviço cadastrado."},
    {"PackageNotPaidByItsSchedule", 2,
     {"UPDATE VENCSERVPROP SET VRVENCSERVPROP = VRVENCSERVPROP + 0.01 WHERE NRPROPOSFAS = :N"},
     "O somatório dos vencimentos dos serviços está diferente do valor do pacote da Proposta. O valor dos vencimentos "
     "deve ser alterado."},
    {"PackageWithoutSchedule", 2, {"DELETE FROM VENCSERVPROP WHERE NRPROPOSFAS = :N"},
     "O pacote de serviços da proposta deve conter ao menos uma linha de vencimento. Operação Bloqueada."},
    // The rate is checked before the package's schedule.
    {"ServiceWithoutRate", 2,
     {"DELETE FROM VENCSERVPROP WHERE NRPROPOSFAS = :N",
      "UPDATE SERVPROP SET VRHORAPROP = NULL WHERE NRPROPOSFAS = :N AND NRSERVPROP = '002'"},
     "Valor/Hora do serviço deve ser informado.", nullptr, "cdsServico", "NRSERVPROP", "002"},
    // The customer holds line code 2002 under another configuration (no duplicate of it).
    {"LineAlreadyInTheContract", 2,
     {"INSERT INTO LINPCLIE (CDCLIENTE, CDLINPCLIE, CDLINPPROPINFOR, NMLINPCLIE, IDTIPLINPC, NRUSUALINPC, IDAMBLINPC, "
      "IDLPROCLINPC, IDMPROCLINPC, CDSISTEMAS) VALUES ('22333444000172', '00000000000000000090', '2002', 'Escrita "
      "Fiscal', 'M', 99, 'WEB', 'M', 'M', 'WEB00005')"},
     "Código da Linha de Produto já existente no Contrato.", nullptr, "cdsLinProd", "CDLINPPROPINFOR", "2002"},
    // The customer has hours of service 003 from proposal 11 under contract.
    {"ServiceAlreadyInTheContract", 2,
     {"INSERT INTO SERVPROP (NRPROPOSFAS, NRVERPROPFAS, NRSERVPROP, CDTIPOSERV, IDTIPOCOBRPROP, VRPEACHEPROP, "
      "QTSERVPROP, VRHORAPROP, VRDEHORAPROP, VRPEHORAPROP) VALUES (:N, '01', '003', '003', 'P', 1, 1, 10, 10, 0)"},
     "Existe serviço já cadastrado no contrato, para cliente informado.", nullptr, "cdsServico", "CDTIPOSERV", "003"},
    {"ResponsibleOperatorMissing", 12, {"UPDATE PROPOSTAFAS SET CDOPERRESP = NULL, NRMESREAJPROP = '04' WHERE NRPROPOSFAS = :N"},
     "Operador Responsável deve ser informado"},
    // An operator outside the proposal group is no responsible one; the row is left as it is.
    {"ResponsibleOperatorUnknown", 12,
     {"UPDATE PROPOSTAFAS SET CDOPERRESP = 'ASSIST', NRMESREAJPROP = '04' WHERE NRPROPOSFAS = :N"},
     "Operador não cadastrado", nullptr, "", "CDOPERRESP", "ASSIST"},
};

class ApprovalStops : public ApprovalLaunch, public ::testing::WithParamInterface<Stop> {};

TEST_P(ApprovalStops, WithItsMessageOnTheRowAtFault) {
    const Stop& c = GetParam();
    for (const QString& statement : c.sql) sql(statement, c.n);
    open(c.n);
    EXPECT_FALSE(launch());
    EXPECT_EQ(dialogs.errors(), QStringList{text(c.error)});
    if (c.notReached) {
        EXPECT_EQ(*c.notReached ? calls.count(c.notReached) : calls.size(), 0) << c.notReached;
        EXPECT_TRUE(dialogs.questions().isEmpty());
    }
    ClientTable& t = *c.table ? widget<ClientTable>(c.table) : screen->proposal();
    EXPECT_EQ(t.state(), DataSetState::Browse);
    if (c.field) { EXPECT_EQ(t.fieldByName(c.field).asString(), c.value); }
}
INSTANTIATE_TEST_SUITE_P(Launch, ApprovalStops, ::testing::ValuesIn(kStops),
                         [](const auto& info) { return std::string(info.param.name); });

// 1.320,515 is cut, not rounded; cent values that binary ×100 would lose a cent on.
TEST(ApprovalMoney, InstallmentsPayTheValueWithOrWithoutInterestCutToTheCent) {
    const struct {
        long double paid, value, rate;
        bool pays;
    } cases[] = {{9500, 9500, 1.5L, true},     {9642.5L, 9500, 1.5L, true}, {1320.51L, 1301, 1.5L, true},
                 {1320.52L, 1301, 1.5L, false}, {1301.01L, 1301, 0, false},  {0.01L, 0, 1.5L, false},
                 {1.15, 1.15, 0, true}, {9.95, 9.95, 0, true}, {19.99, 19.99, 0, true}, {0.29, 0.29, 0, true}, {4.35, 4.35, 0, true}};
    for (const auto& c : cases) EXPECT_EQ(approval::paysValue(c.paid, c.value, c.rate), c.pays) << double(c.paid);
}

TEST_F(ApprovalLaunch, AProspectStopsOnNoAndGoesOnToTheMandatoryServicesOnYes) {
    sql("UPDATE PROPOSTAFAS SET NRMESREAJPROP = '05' WHERE NRPROPOSFAS = :N", 4);
    open(4);
    dialogs.expectConfirm(false);
    EXPECT_FALSE(launch());
    EXPECT_EQ(dialogs.errors(), QStringList{text("Não é possivel aprovar proposta com prospect.")});
    EXPECT_EQ(calls.count("GetLinProd"), 0);

    dialogs.clearShown();
    dialogs.expectConfirm(true);   // register a client for the prospect
    ListedWindow missing;
    expectListWindow(runner, missing);
    dialogs.expectConfirm(false);  // do not import the mandatory services
    EXPECT_FALSE(launch());
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    // Every check ran up to the last one, which listed the missing services.
    EXPECT_EQ(QList<int>({calls.count("GetLinProd"), calls.count("ValidaContrato")}), QList<int>({1, 1}));
    EXPECT_TRUE(missing.message.startsWith(text("Os seguintes serviços obrigatórios"))) << missing.message.toStdString();
    // The prospect's own code goes to the contract check.
    EXPECT_EQ(sentArgs(calls, "ValidaContrato", 1), QStringList{"77888999000127"});
}

TEST_F(ApprovalLaunch, ALineTheCustomerHasAnAccessPointHeWouldHaveTwiceAndAccessPointsWithSeveralSystemsAreListed) {
    // Proposal 6/03 offers client 11222333000181 the very line he has under contract.
    open(6, "03");
    ListedWindow same;
    expectListWindow(runner, same);
    EXPECT_FALSE(launch());
    EXPECT_EQ(shownIn(same), QStringList({"Operação bloqueada! A seguinte linha de produto já está cadastrada no sistema.",
                                          "ERP Web - filiais"}));
    EXPECT_EQ(checks().cdsTipo().recordCount(), 0);

    // As an access point of one system it is his second one of that type.
    sql("UPDATE LINPPROP SET IDTIPLINPP = 'P' WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '03'", 6);
    sql("DELETE FROM SISTLINPPROP WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '03' AND CDSISTEMA <> 'WEB00001'", 6);
    ListedWindow twice;
    expectListWindow(runner, twice);
    EXPECT_FALSE(launch());
    EXPECT_EQ(shownIn(twice), QStringList({"Operação bloqueada! O cliente da proposta deve possuir apenas uma linha de produto.",
                                           "ERP Web - filiais"}));
    EXPECT_EQ(checks().cdsPtoAcesso().recordCount(), 0);
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();

    // Proposal 2 with two access points of two systems each: listed together.
    sql("UPDATE LINPPROP SET IDTIPLINPP = 'P' WHERE NRPROPOSFAS = :N");
    sql("DELETE FROM SISTLINPPROP WHERE NRPROPOSFAS = :N AND CDSISTEMA = 'WEB00003'");
    sql("INSERT INTO SISTLINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, CDSISTEMA) VALUES (:N, '01', '" + number(4) +
        "', 'WEB00004')");
    ASSERT_TRUE(select(2));
    calls.clear();
    ListedWindow listed;
    expectListWindow(runner, listed);
    EXPECT_FALSE(launch());
    EXPECT_TRUE(dialogs.errors().isEmpty()) << "the list says it: no message besides";
    EXPECT_EQ(shownIn(listed), QStringList({"Operação bloqueada! Existe linha de produto do tipo ponto de acesso com mais de um "
                                            "sistema cadastrado.", "ERP Web completo", "Escrita Fiscal Web"}));
    EXPECT_EQ(QList<int>({checks().cdsPtoAcesso().recordCount(), calls.count("GetServico")}), QList<int>({2, 0}));
}

// A services-only proposal skips the access point and duplicate checks; proposal 12, a
// licence one charged as a package without services, is not held by the package checks.
TEST_F(ApprovalLaunch, AServicesOnlyProposalSkipsTheLineChecksAndALicenceOneWithoutServicesThePackageChecks) {
    // Access points with several systems, which a licence proposal would list.
    sql("UPDATE PROPOSTAFAS SET IDTIPOPROPFAS = 'S' WHERE NRPROPOSFAS = :N");
    sql("UPDATE LINPPROP SET IDTIPLINPP = 'P' WHERE NRPROPOSFAS = :N");
    sql("UPDATE PROPOSTAFAS SET NRMESREAJPROP = '04' WHERE NRPROPOSFAS = :N", 12);
    open(2);
    launch();
    EXPECT_EQ(QList<int>({calls.count("GetVdQtPtoAcesso"), calls.count("GetVdLinProd"), calls.count("ValidaContrato")}),
              QList<int>({0, 0, 2}));

    ASSERT_TRUE(select(12));
    calls.clear();
    dialogs.clearShown();
    ASSERT_EQ(screen->proposal().fieldByName("IDTIPOCOBRSERV").asString(), "P");
    EXPECT_TRUE(launch());
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    EXPECT_FALSE(sentArgs(calls, "GetVenc_Valor", 3).contains("2")) << "no package schedule read";
    // Every call of the launch went with the proposal's key.
    const QStringList keys = sentArgs(calls, "GetLinProd", 0) + sentArgs(calls, "GetServico", 0);
    EXPECT_EQ(keys, QStringList(keys.size(), number(12)));
}

// The demo proposal passes every check and changes nothing; schedules adding up to the
// licence total with or without the interest (four installments without it, three with it)
// pass too, each line's schedule read again; a line being typed stops the launch unread.
TEST_F(ApprovalLaunch, TheDemoLicenceProposalPassesEveryCheckAndChangesNothingButALineBeingTypedIsNeverReadOver) {
    open(2);
    EXPECT_TRUE(launch());
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    for (const int arg : {0, 2, 3})
        EXPECT_EQ(sentArgs(calls, "Valida_Servico_LinhaProd", arg),
                  QStringList(2, QStringList({"22333444000172", "", number(2), "01"})[arg]));
    for (const RecordedCall& c : calls) EXPECT_FALSE(c.method.startsWith("Set")) << c.method.toStdString();

    setLineSchedule(3, {2375, 2375, 2375, 2375});
    const double withInterest = double(truncCents(1301.0L * 1.015L));  // 1.320,51
    setLineSchedule(4, {withInterest - 880, 440, 440});
    calls.clear();
    EXPECT_TRUE(launch());
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    EXPECT_EQ(calls.count("GetVenc_Valor"), 2 + 1 + 1) << "each line's schedule, the current line's again, the package's";

    // A record being typed is never read over.
    ClientTable& lines = widget<ClientTable>("cdsLinProd");
    ASSERT_TRUE(menu(screen->menus().mnuLinpProdGrade));
    ASSERT_TRUE(runHandler([&] { screen->sbtAlterarClick(); }));
    ASSERT_EQ(lines.state(), DataSetState::Edit);
    lines.fieldByName("NMLINPPROP").setAsString("Nome em digitação");
    calls.clear();
    EXPECT_FALSE(launch());
    EXPECT_EQ(calls.count("GetLinProd"), 0);
    EXPECT_EQ(std::pair(lines.state(), lines.fieldByName("NMLINPPROP").asString()),
              std::pair(DataSetState::Edit, text("Nome em digitação")));
}

// A change log the server refused stays pending: the launch sends nothing of it and reads
// nothing over it, but says why it stops; once Confirmar has sent it, the launch goes on.
class ApprovalLaunchOverRefusedChange : public ScheduleFixture {};

TEST_F(ApprovalLaunchOverRefusedChange, StopsWithoutSendingOrReloadingUntilTheChangeIsSent) {
    openLine("2001");
    // Another user removes the last installment: the new schedule is refused and kept.
    const QString where = QStringLiteral(" WHERE NRPROPOSFAS = :N AND CDLINPPROP = :L AND DTVELUSOPEDP = :D");
    QVariantMap key{{"N", number(2)}, {"L", number(3)}};
    key.insert("D", testServer().db().scalar(
                        "SELECT MAX(DTVELUSOPEDP) FROM VENCLINPPROP WHERE NRPROPOSFAS = :N AND CDLINPPROP = :L", key));
    const Packet gone = testServer().db().query("SELECT * FROM VENCLINPPROP" + where, key);
    testServer().db().exec("DELETE FROM VENCLINPPROP" + where, key);
    ASSERT_FALSE(generate(6, day(15, 1, 2027)));
    ASSERT_EQ(schedule().changeCount(), 10);
    dialogs.clearShown();
    calls.clear();

    bool passed = true;
    EXPECT_TRUE(runHandler([&] { passed = ApprovalChecks(*screen).run(); }) && !passed);
    EXPECT_EQ(dialogs.errors(), QStringList{text("Há alterações que o servidor não aceitou. Envie-as de novo "
                                                 "(Confirmar) ou descarte-as (Cancelar) antes da aprovação.")});
    EXPECT_TRUE(calls.isEmpty()) << "nothing sent again, nothing read over the change";
    // The refused change is still there to send or give up.
    EXPECT_TRUE(schedule().changeCount() == 10 && screen->mnuConfirmar->enabled());

    // The other user's row is back and Confirmar sends the kept schedule: the launch goes on.
    QVariantMap row;
    QStringList marks;
    for (int c = 0; c < gone.fields.size(); ++c) row.insert(gone.fields[c].name, gone.rows[0][c]);
    for (const QString& n : row.keys()) marks << u':' + n;
    testServer().db().exec("INSERT INTO VENCLINPPROP (" + row.keys().join(',') + ") VALUES (" + marks.join(',') + ")", row);
    ASSERT_TRUE(runHandler([&] { screen->sbtConfirmarClick(); }));
    dialogs.clearShown();
    ASSERT_TRUE(runHandler([&] { passed = ApprovalChecks(*screen).run(); }));
    EXPECT_TRUE(passed) << dialogs.errors().join(u'|').toStdString();
}

}  // namespace
