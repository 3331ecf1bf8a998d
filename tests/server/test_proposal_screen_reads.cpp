// What the proposal screen loads for a demo proposal: every table with its exact
// fields, the right rows in a sensible order, and the values joined or computed.
#include "server_cases_b.h"

using namespace cot;
using namespace cot::testing;

namespace {

const QString kNr2 = nr(2);
const QString kLine3 = nr(3);
const QString kLine4 = nr(4);

double sum(const Packet& p, const QString& field) {
    double total = 0;
    for (const QString& v : column(p, field)) total += v.toDouble();
    return total;
}

FieldDef field(const Packet& p, const QString& name) { return p.fields.value(p.indexOf(name)); }

class ProposalScreenReadsTest : public DemoServerTest {};

TEST_P(ProposalScreenReadsTest, ProductLinesWithTheirSystemsAndSchedules) {
    const Packet lines = packet("GetLinProd", {kNr2, "01"});
    EXPECT_EQ(names(lines),
              QStringList({"NRPROPOSFAS", "NRVERPROPFAS", "CDLINPPROP", "CDLINPPROPINFOR", "NMLINPPROP", "NRUSUALINPP",
                           "IDTIPLINPP", "QTMINIMAFATPROP", "VRLICENCUSOPROP", "VRMENSALIDAPROP", "VRDESLICUSOPROP",
                           "VRDESMENSALPROP", "IDMPROCLINPP", "IDLPROCLINPP", "DTCALUSLINPP", "IDAMBLINPP",
                           "IDTIPOPROPFAS", "MENSCALUSLINPP", "DTCALUSLINPPAUX"}));
    EXPECT_EQ(std::tuple(field(lines, "CDLINPPROPINFOR").size, field(lines, "DTCALUSLINPP").type, field(lines, "QTMINIMAFATPROP").type),
              std::tuple(10, FieldType::DateTime, FieldType::Float));
    EXPECT_EQ(column(lines, "CDLINPPROP"), QStringList({kLine3, kLine4}));
    // The proposal's contract; registered 26/11/2026 with two months of grace: the end of
    // January 2027.
    EXPECT_EQ(cells(lines, 0, {"NMLINPPROP", "VRDESLICUSOPROP", "IDTIPOPROPFAS", "DTCALUSLINPP", "DTCALUSLINPPAUX",
                               "MENSCALUSLINPP"}),
              (QStringList{"ERP Web completo", "50", "M", "31/01/2027", "31/01/2027", "01/2027"}));
    EXPECT_TRUE(packet("GetLinProd", {kNr2, "02"}).rows.isEmpty()) << "another version has its own lines";

    const Packet systems = packet("GetSistLinhaProd", {kNr2, "01", kLine3});
    EXPECT_EQ(names(systems), QStringList({"SGSISTEMA", "NMPROCOMERCI", "NRPROPOSFAS", "NRVERPROPFAS", "CDLINPPROP",
                                           "NMSISTEMA", "CDSISTEMA", "IDTECNOSIST"}));
    EXPECT_EQ(column(systems, "SGSISTEMA"), QStringList({"EST", "FAT", "FIN"}));
    EXPECT_EQ(cells(systems, 0, {"NMSISTEMA", "NMPROCOMERCI"}), (QStringList{"Estoque", "Gestão Empresarial"}));
    EXPECT_EQ(column(packet("GetSistLinhaProd", {kNr2, "01", kLine4}), "CDSISTEMA"), QStringList({"WEB00005"}));

    const Packet installments = packet("GetVenc_Valor", {kNr2, "01", kLine3, 1});
    EXPECT_EQ(names(installments), QStringList({"NRPROPOSFAS", "NRVERPROPFAS", "CDLINPPROP", "DTVELUSOPEDP", "VRVELUSOPEDP"}));
    ASSERT_EQ(installments.rows.size(), 4);
    EXPECT_DOUBLE_EQ(sum(installments, "VRVELUSOPEDP"), 9642.5) << "(1000 - 50) x 10, with 1,5% over four installments";
    EXPECT_LT(installments.value(0, "DTVELUSOPEDP").toDateTime(), installments.value(1, "DTVELUSOPEDP").toDateTime());
    const Packet package = packet("GetVenc_Valor", {kNr2, "01", "", 2});
    EXPECT_EQ(names(package), QStringList({"NRPROPOSFAS", "NRVERPROPFAS", "DTVENCSERVPROP", "VRVENCSERVPROP"}));
    EXPECT_EQ(QList<qsizetype>({packet("GetVenc_Valor", {kNr2, "01", kLine4, 1}).rows.size(), package.rows.size()}),
              QList<qsizetype>({3, 3}));
    EXPECT_DOUBLE_EQ(sum(package, "VRVENCSERVPROP"), 7728.0);
    EXPECT_EQ(call("GetVenc_Valor", {kNr2, "01", kLine3, 3}).error,
              "Tipo de vencimento inválido: use 1 (linha de produto) ou 2 (pacote de serviços).");
}

TEST_P(ProposalScreenReadsTest, SimulationsServicesAndObservations) {
    const Packet simulations = packet("GetSimulacao", {kNr2, "01"});
    EXPECT_EQ(names(simulations), QStringList({"NRORDSIMULAPROP", "NMSIMULAPROP", "VRTOTALICENCUSO", "VRTOTAMENSALIDA",
                                               "NRSIMULAPROP", "NRPROPOSFAS", "NRVERPROPFAS"}));
    EXPECT_EQ(field(simulations, "NMSIMULAPROP").size, 100);
    // 1000,00 x 5; 1000,00 x 10 + 650,50 x 2.
    EXPECT_EQ(cells(simulations, 0, {"VRTOTALICENCUSO", "VRTOTAMENSALIDA"}) +
                  cells(simulations, 1, {"VRTOTALICENCUSO", "VRTOTAMENSALIDA"}), (QStringList{"5000", "600", "11301", "1360"}));

    const Packet lines = packet("GetProdSimulaLinp", {kNr2, "01", "00002"});
    EXPECT_EQ(names(lines), QStringList({"NRORDLINPSIMULA", "NMLINPPROP", "IDTIPLINPP", "QTUTILSIMULINP", "VRLICENCUSOPROP",
                                         "VRMENSALIDAPROP", "CDLINPPROP", "NRUSUALINPP", "NRSIMULAPROP", "NRORDSIMULAPROP",
                                         "NRPROPOSFAS", "NRVERPROPFAS"})) << "the per-line totals are calculated on the desktop";
    EXPECT_EQ(column(lines, "NMLINPPROP"), QStringList({"ERP Web completo", "Escrita Fiscal Web"}));
    EXPECT_EQ(cells(lines, 1, {"VRLICENCUSOPROP", "QTUTILSIMULINP", "NRORDSIMULAPROP"}), (QStringList{"650.5", "2", "002"}));
    EXPECT_TRUE(packet("GetProdSimulaLinp", {kNr2, "01", "00009"}).rows.isEmpty());

    const auto next = [&](const QString& method, const QVariantList& args, const QString& field) {
        const Packet p = packet(method, args);
        return p.rows.size() == 1 ? p.value(0, field).toString() : QString("?");
    };
    EXPECT_EQ(QStringList({next("GetMaxOrdSimula", {kNr2, "01"}, "NRORDSIMULAPROP"),
                           next("GetMaxOrdSimula", {nr(3), "01"}, "NRORDSIMULAPROP"),
                           next("GetMaxOrdProdSimula", {kNr2, "01", "00002"}, "NRORDLINPSIMULA"),
                           next("GetMaxOrdProdSimula", {kNr2, "01", "00001"}, "NRORDLINPSIMULA")}),
              QStringList({"003", "001", "003", "002"}));
    // The orders are three digits wide: past 999 there is no next one.
    server_.db().exec("UPDATE SIMULAPROP SET NRORDSIMULAPROP = '999' WHERE NRSIMULAPROP = '00002'");
    EXPECT_EQ(call("GetMaxOrdSimula", {kNr2, "01"}).error, "A proposta já atingiu a ordem máxima de simulações (999).");

    // Services and observations (the services', texts' and objective's fields are checked
    // where they are saved: test_service_methods, test_text_methods).
    const Packet services = packet("GetServico", {kNr2, "01"});
    EXPECT_EQ(column(services, "NRSERVPROP"), QStringList({"001", "002"}));
    EXPECT_EQ(cells(services, 0, {"NMTIPOSERV", "VERIFICA_DESCRICAO", "IDSERVOBRIGPROS"}) +
                  cells(services, 1, {"VRDEHORAPROP", "VRPACOTESERV"}),
              (QStringList{"Implantação", "N", "S", "108", "7728"})) << "the proposal's package";
    server_.db().exec("UPDATE SERVPROP SET DSLOCALPROP = NULL WHERE NRPROPOSFAS = :N AND NRSERVPROP = '002'", {{"N", kNr2}});
    EXPECT_EQ(packet("GetServico", {kNr2, "01"}).value(1, "VERIFICA_DESCRICAO").toString(), "S");
    EXPECT_TRUE(packet("GetObjServico", {kNr2, "01"}).value(0, "TXOBJETPROPFAS").toString().contains("60 dias"));

    const Packet observation = packet("GetObs", {kNr2, "01"}), none = packet("GetObs", {nr(3), "01"});
    EXPECT_EQ(names(observation), QStringList({"NRPROPOSFAS", "NRVERPROPFAS", "TXOBSPROPFAS"}));
    EXPECT_EQ(QList<qsizetype>({observation.rows.size(), none.rows.size()}), QList<qsizetype>({1, 0}));
    EXPECT_EQ(names(none), names(observation)) << "an empty answer still has the table's fields";
}

// The running total: licence as its installments charge it (interest from the fourth
// installment on), monthly value, services by package or by the hour, every schedule, and
// the one-off value (licence as charged plus services).
TEST_P(ProposalScreenReadsTest, TotalsAreWhatTheSchedulesCharge) {
    const auto totals = [&](const QString& nr) {
        const Packet t = packet("GetTotaisProposta", {nr, "01"});
        EXPECT_EQ(names(t), QStringList({"VRLICENCA", "VRMENSAL", "VRSERVICOS", "VRPARCELAS", "VRUNICO"}));
        QList<double> out;
        for (int i = 0; i < t.fields.size() && !t.isEmpty(); ++i) out << t.rows[0][i].toDouble();
        return out;
    };
    // 9.500,00 in four installments with 1,50% interest, 1.301,00 in three; a 7.728,00 package.
    EXPECT_EQ(totals(kNr2), QList<double>({10943.5, 1360.0, 7728.0, 18671.5, 18671.5}));
    // Rental: no licence, the monthly rent net of its discount.
    EXPECT_EQ(totals(nr(3)), QList<double>({0.0, 1600.0, 0.0, 0.0, 0.0}));
    // By the hour: the hours at the rate with its discount (8 h at 123,50), no schedule.
    EXPECT_EQ(totals(nr(5)), QList<double>({0.0, 0.0, 4588.0, 0.0, 4588.0}));
    // A version that does not exist has no figures.
    EXPECT_TRUE(packet("GetTotaisProposta", {kNr2, "07"}).isEmpty());
}

COT_ON_EVERY_BACKEND(ProposalScreenReadsTest);

}  // namespace
