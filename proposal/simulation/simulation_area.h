#pragma once
#include <QChar>
#include <QVariantList>
#include <memory>

#include "proposal/area/proposal_area.h"

namespace cot {

class ChildTableSave;
class DataSource;
class TDBGrid;
class TGroupBox;
class TNumberEdit;
class SimulationProductsArea;

// Price simulations of the proposal version (upper grid of the simulation page) and the
// four totals of the page.
//
// A simulation's order is three digits wide and unique in the version; its number
// (NRSIMULAPROP) is issued once, when it is inserted, and never changes afterwards, so its
// lines stay with it. Every post and delete goes with SetSimulacao(simulations, null);
// the list is then read again from the server, which holds the simulation totals and the
// number it really issued. Deleting a simulation deletes its lines on the server.
//
// The page's two grids act as one: the lines area, built after this one, attaches itself
// here, so that a move between simulations, a delete or the server's answer brings the lines
// of the simulation now current and the totals of both.
class SimulationArea : public ProposalArea {
public:
    explicit SimulationArea(AreaHost& host);
    ~SimulationArea() override;

    QString name() const override { return QStringLiteral("Simulação"); }
    QList<ClientTable*> tables() const override { return {cdsSimulacao}; }
    void build() override;
    void route() override;
    void load(const ProposalKey& key) override;
    void pageShown() override;
    void clear() override;
    void enable(MaintenanceEnabling& e) override;
    void updateEditors() override;
    void afterInclude() override;
    void verify(QStringList& kept) override;

    // The simulation page is the one shown.
    bool shown() const;
    // A proposal is listed and may have simulations (not service-only).
    bool proposalOpen() const;
    // The current simulation is stored on the server: lines can be added to it.
    bool simulationStored() const;
    // NRSIMULAPROP of the current simulation ("" when none).
    QString currentSimulation() const;

    // Recomputes the four totals of the page.
    void TotalGeralSimula();
    // Reads the simulations again and puts the cursor back on `number` (NRSIMULAPROP,
    // case-insensitive), without reading the lines (the caller does).
    void reloadSimulations(const QString& number);
    // Enabling and editors of both grids, after the list was read again.
    void settle();

    // ----- checks (simulation_checks.cpp)
    void Vd_OrdemSimula(bool report);
    void cdsSimulacaoNewRecord();
    void cdsSimulacaoBeforeEdit();
    void cdsSimulacaoBeforePost();
    void cdsSimulacaoBeforeDelete();
    void cdsSimulacaoAfterPost();
    void cdsSimulacaoAfterDelete();
    void cdsSimulacaoAfterScroll();

    // ----- grid (simulation_events.cpp)
    void dbgSimulacaoEnter();
    void dbgSimulacaoColExit();
    void dbgSimulacaoKeyPress(QChar& key);
    void dbgSimulacaoKeyDown(int& key, Qt::KeyboardModifiers modifiers);

    ClientTable *cdsSimulacao, *cdsMaxNrSimulaProp, *cdsVd_Simulacao, *cdsMaxOrdSimula, *cdsAuxSimulacao;

private:
    friend class SimulationProductsArea;
    SimulationProductsArea& lines() const;
    void attachEvents();
    // Focuses a column of the grid without the checks of the column being left.
    void focusColumn(const QString& field);
    // After the server took the simulations: the list as it stores it, the lines of the
    // simulation now current and the totals.
    void afterServerTook();
    void readSimulations(const ProposalKey& key, const QString& number);

    DataSource* dtsSimulacao;
    TGroupBox* grbSimulacao = nullptr;
    TDBGrid* dbgSimulacao = nullptr;
    TNumberEdit *nedTotaLicSimula = nullptr, *nedTotaMensSimula = nullptr;

    SimulationProductsArea* lines_ = nullptr;  // attached by the lines area when it is built
    std::unique_ptr<ChildTableSave> save_;
    bool quiet_ = false;          // the list is being read: its scrolls read no lines
    bool movingColumn_ = false;   // a check moves the column: no column-exit checks
    QString insertedOrder_;       // order of a simulation just inserted (located by it)
    QString orderBeforeEdit_;     // the row's order when its edit began: only a new one is checked
};

// Product lines of the current simulation (lower grid of the simulation page).
//
// A line is picked from the proposal's product lines (never typed), at most once per
// simulation, with a quantity; its order is three digits wide and unique in the
// simulation. Every post and delete goes with SetSimulacao(null, lines); the simulations
// are then read again, since the server keeps their totals.
class SimulationProductsArea : public ProposalArea {
public:
    SimulationProductsArea(AreaHost& host, SimulationArea& simulations);
    ~SimulationProductsArea() override;

    QString name() const override { return QStringLiteral("Produtos da Simulação"); }
    QList<ClientTable*> tables() const override { return {cdsProdSimulaLinp}; }
    void build() override;
    void route() override;
    void load(const ProposalKey& key) override;
    void enable(MaintenanceEnabling& e) override;
    void updateEditors() override;
    void afterInclude() override;
    void verify(QStringList& kept) override;

    // Reads the lines of the current simulation (sends what is pending first); while a new
    // simulation is being typed the grid shows none.
    void loadLines();
    // The lines may be replaced: not edited and nothing pending.
    bool replaceable() const;

    // ----- checks (simulation_line_checks.cpp)
    void Vd_ProdOrdemSimula(bool report);
    void Vd_SimulaLinp();
    void cdsProdSimulaLinpNewRecord();
    void cdsProdSimulaLinpBeforeEdit();
    void cdsProdSimulaLinpBeforePost();
    void cdsProdSimulaLinpAfterPost();

    // ----- grid (simulation_line_events.cpp)
    void dbgProdSimulaLinpEnter();
    void dbgProdSimulaLinpColExit();
    void dbgProdSimulaLinpEditButtonClick();
    void dbgProdSimulaLinpKeyPress(QChar& key);
    void dbgProdSimulaLinpKeyDown(int& key, Qt::KeyboardModifiers modifiers);

    ClientTable *cdsProdSimulaLinp, *cdsPesqProdLinp, *cdsMaxOrdProdSimula, *cdsAuxProdSimulaLinp;
    ClientTable *cdsVd_ProdSimulaLinp, *cdsVd_SimulaLinp;

private:
    friend class SimulationArea;
    void attachEvents();
    void focusColumn(const QString& field);
    // After the server took the lines (or a post had nothing to send): the simulations
    // read again on the same one, its lines and the totals.
    void afterServerTook();
    bool lookupOnlyColumn() const;
    // The proposal version on screen and `simulation`: how the server's methods name a
    // simulation's lines.
    QVariantList simulationArgs(const QString& simulation) const;

    SimulationArea& simulations_;
    DataSource *dtsProdSimulaLinp, *dtsPesqProdLinp;
    TGroupBox* grbProdSimulaLinp = nullptr;
    TDBGrid* dbgProdSimulaLinp = nullptr;
    TNumberEdit *nedTotaLinpSimula = nullptr, *nedTotaMensLinpSimula = nullptr;

    std::unique_ptr<ChildTableSave> save_;
    bool movingColumn_ = false;
    bool picking_ = false;  // a line is being picked: its edit stays on the line's column
    // The row's order and line when its edit began: only a changed one is checked again.
    QString orderBeforeEdit_, lineBeforeEdit_;
};

}  // namespace cot
