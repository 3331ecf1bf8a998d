#pragma once
#include "proposal/area/proposal_area.h"

namespace cot {

class DataSource;
class TDBGrid;
class TGroupBox;

// Price simulations of the proposal (upper grid of the simulation page).
class SimulationArea : public ProposalArea {
public:
    explicit SimulationArea(TfrmPropostaComercial& screen);

    QString name() const override { return QStringLiteral("Simulação"); }
    QList<ClientDataSet*> tables() const override { return {cdsSimulacao}; }
    bool ready() const override { return false; }
    QList<QWidget*> controls() const override;
    void build() override;
    void route() override;
    void load(const ProposalKey& key) override;
    void afterInclude() override;
    void pageShown() override;

    ClientDataSet *cdsSimulacao, *cdsMaxNrSimulaProp, *cdsVd_Simulacao, *cdsMaxOrdSimula, *cdsAuxSimulacao;
    ClientDataSet* cdsVd_SimulaLinp;
    DataSource* dtsSimulacao;
    TGroupBox* grbSimulacao = nullptr;
    TDBGrid* dbgSimulacao = nullptr;
};

// Product lines of the current simulation (lower grid of the simulation page).
class SimulationProductsArea : public ProposalArea {
public:
    explicit SimulationProductsArea(TfrmPropostaComercial& screen);

    QString name() const override { return QStringLiteral("Produtos da Simulação"); }
    QList<ClientDataSet*> tables() const override { return {cdsProdSimulaLinp}; }
    bool ready() const override { return false; }
    QList<QWidget*> controls() const override;
    void build() override;
    void route() override;
    void load(const ProposalKey& key) override;
    void afterInclude() override;

    ClientDataSet *cdsProdSimulaLinp, *cdsPesqProdLinp, *cdsMaxOrdProdSimula, *cdsAuxProdSimulaLinp;
    ClientDataSet* cdsVd_ProdSimulaLinp;
    DataSource* dtsProdSimulaLinp;
    TGroupBox* grbProdSimulaLinp = nullptr;
    TDBGrid* dbgProdSimulaLinp = nullptr;
};

}  // namespace cot
