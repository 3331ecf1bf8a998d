#include "proposal/simulation/simulation_area.h"

#include <QVBoxLayout>

#include "data/client_dataset.h"
#include "proposal/area/area_support.h"
#include "proposal/proposal_screen.h"
#include "proposal/screen_layout.h"
#include "proposal/simulation/simulation_tables.h"
#include "ui/containers.h"
#include "ui/db_grid.h"
#include "ui/page_control.h"

namespace cot {

using area_support::currentText;
using namespace layout;

namespace {

bool simulationShown(const TfrmPropostaComercial& s) { return s.pgcPadrao->activePage() == s.pages().tshSimulaLinp; }

}  // namespace

SimulationArea::SimulationArea(TfrmPropostaComercial& screen) : ProposalArea(screen) {
    cdsSimulacao = area_support::table(&s_, "cdsSimulacao");
    cdsMaxNrSimulaProp = area_support::table(&s_, "cdsMaxNrSimulaProp");
    cdsVd_Simulacao = area_support::table(&s_, "cdsVd_Simulacao");
    cdsMaxOrdSimula = area_support::table(&s_, "cdsMaxOrdSimula");
    cdsAuxSimulacao = area_support::table(&s_, "cdsAuxSimulacao");
    cdsVd_SimulaLinp = area_support::table(&s_, "cdsVd_SimulaLinp");
    simulation_tables::simulationFields(*cdsSimulacao);
    simulation_tables::simulationFields(*cdsAuxSimulacao);
    simulation_tables::oneTextField(*cdsMaxNrSimulaProp, "NRSIMULAPROP", 5);
    simulation_tables::oneTextField(*cdsMaxOrdSimula, "NRORDSIMULAPROP", 3);
    simulation_tables::oneTextField(*cdsVd_Simulacao, "NRSIMULAPROP", 5);
    simulation_tables::oneTextField(*cdsVd_SimulaLinp, "CDLINPPROP", 20);
    dtsSimulacao = area_support::source(&s_, "dtsSimulacao", cdsSimulacao);
}

QList<QWidget*> SimulationArea::controls() const { return {dbgSimulacao}; }

void SimulationArea::build() {
    cdsSimulacao->createDataSet();
    TTabSheet* page = s_.pages().tshSimulaLinp;
    auto* sim = column(page);
    grbSimulacao = new TGroupBox(QStringLiteral("grbSimulacao"), page, QStringLiteral("Simulação"));
    column(grbSimulacao, 2);
    dbgSimulacao = grid("dbgSimulacao", grbSimulacao, dtsSimulacao, false);
    dbgSimulacao->addColumn(QStringLiteral("NRORDSIMULAPROP"));
    dbgSimulacao->addColumn(QStringLiteral("NMSIMULAPROP"));
    dbgSimulacao->addColumn(QStringLiteral("VRTOTALICENCUSO"))->readOnly = true;
    dbgSimulacao->addColumn(QStringLiteral("VRTOTAMENSALIDA"))->readOnly = true;
    sim->addWidget(grbSimulacao, 1);
}

void SimulationArea::route() {
    dbgSimulacao->onEnter = [this] { s_.setActiveTable(cdsSimulacao); };
}

void SimulationArea::load(const ProposalKey& key) {
    if (!simulationShown(s_)) return;
    const QString simulation = currentText(*cdsSimulacao, QStringLiteral("NRSIMULAPROP"));
    cdsSimulacao->setData(s_.net().getPacket(QStringLiteral("GetSimulacao"), {key.nr, key.ver}));
    cdsSimulacao->locate(QStringLiteral("NRSIMULAPROP"), simulation, loCaseInsensitive);
}

void SimulationArea::pageShown() {
    if (simulationShown(s_) && s_.hasFocus(dbgSimulacao)) s_.setActiveTable(cdsSimulacao);
}

void SimulationArea::afterInclude() {
    if (!simulationShown(s_) || !s_.hasFocus(dbgSimulacao) || !cdsSimulacao->isEditing()) return;
    cdsMaxOrdSimula->setData(s_.net().getPacket(QStringLiteral("GetMaxOrdSimula"), {s_.NR(), s_.VER()}));
    if (!cdsMaxOrdSimula->isEmpty())
        (*cdsSimulacao)["NRORDSIMULAPROP"].setValue((*cdsMaxOrdSimula)["NRORDSIMULAPROP"].value());
}

SimulationProductsArea::SimulationProductsArea(TfrmPropostaComercial& screen) : ProposalArea(screen) {
    cdsProdSimulaLinp = area_support::table(&s_, "cdsProdSimulaLinp");
    cdsPesqProdLinp = area_support::table(&s_, "cdsPesqProdLinp");
    cdsMaxOrdProdSimula = area_support::table(&s_, "cdsMaxOrdProdSimula");
    cdsAuxProdSimulaLinp = area_support::table(&s_, "cdsAuxProdSimulaLinp");
    cdsVd_ProdSimulaLinp = area_support::table(&s_, "cdsVd_ProdSimulaLinp");
    simulation_tables::simulatedLineFields(*cdsProdSimulaLinp);
    simulation_tables::simulatedLineFields(*cdsAuxProdSimulaLinp);
    simulation_tables::productLinePickFields(*cdsPesqProdLinp);
    simulation_tables::oneTextField(*cdsMaxOrdProdSimula, "NRORDLINPSIMULA", 3);
    simulation_tables::oneTextField(*cdsVd_ProdSimulaLinp, "NRSIMULAPROP", 5);
    dtsProdSimulaLinp = area_support::source(&s_, "dtsProdSimulaLinp", cdsProdSimulaLinp);
}

QList<QWidget*> SimulationProductsArea::controls() const { return {dbgProdSimulaLinp}; }

void SimulationProductsArea::build() {
    cdsProdSimulaLinp->createDataSet();
    // The line is picked from the proposal's lines, never typed.
    (*cdsProdSimulaLinp)["NMLINPPROP"].tag = 1;
    TTabSheet* page = s_.pages().tshSimulaLinp;
    grbProdSimulaLinp = new TGroupBox(QStringLiteral("grbProdSimulaLinp"), page, QStringLiteral("Linha de Produto"));
    column(grbProdSimulaLinp, 2);
    dbgProdSimulaLinp = grid("dbgProdSimulaLinp", grbProdSimulaLinp, dtsProdSimulaLinp, false);
    dbgProdSimulaLinp->addColumn(QStringLiteral("NRORDLINPSIMULA"));
    dbgProdSimulaLinp->addColumn(QStringLiteral("NMLINPPROP"))->buttonStyle = ColumnButtonStyle::Ellipsis;
    for (const char* f : {"IDTIPLINPP", "QTUTILSIMULINP", "VRLICENCUSOPROP", "VRTOTASIMULALUSO", "VRMENSALIDAPROP",
                          "VRTOTASIMULAMENS"}) {
        TColumn* c = dbgProdSimulaLinp->addColumn(QString::fromLatin1(f));
        c->readOnly = QLatin1String(f) != QLatin1String("QTUTILSIMULINP");
    }
    static_cast<QVBoxLayout*>(page->layout())->addWidget(grbProdSimulaLinp, 1);
}

void SimulationProductsArea::route() {
    dbgProdSimulaLinp->onEnter = [this] { s_.setActiveTable(cdsProdSimulaLinp); };
}

void SimulationProductsArea::load(const ProposalKey& key) {
    if (!simulationShown(s_)) return;
    const QString simulation = currentText(*s_.area<SimulationArea>().cdsSimulacao, QStringLiteral("NRSIMULAPROP"));
    cdsProdSimulaLinp->setData(
        s_.net().getPacket(QStringLiteral("GetProdSimulaLinp"), {key.nr, key.ver, simulation}));
}

void SimulationProductsArea::afterInclude() {
    if (!simulationShown(s_) || !s_.hasFocus(dbgProdSimulaLinp) || !cdsProdSimulaLinp->isEditing()) return;
    const QString simulation = currentText(*s_.area<SimulationArea>().cdsSimulacao, QStringLiteral("NRSIMULAPROP"));
    cdsMaxOrdProdSimula->setData(
        s_.net().getPacket(QStringLiteral("GetMaxOrdProdSimula"), {s_.NR(), s_.VER(), simulation}));
    if (!cdsMaxOrdProdSimula->isEmpty())
        (*cdsProdSimulaLinp)["NRORDLINPSIMULA"].setValue((*cdsMaxOrdProdSimula)["NRORDLINPSIMULA"].value());
}

}  // namespace cot
