#pragma once
#include "proposal/area/proposal_area.h"

namespace cot {

class DataSource;
class TDateEditPlus;
class TDBGrid;
class TGroupBox;
class TNumberEdit;
class TPanel;
class TScrollBox;
class TSpeedButton;

// Installments of the service package (beside the charging type on the services tab).
class ServiceInstallmentsArea : public ProposalArea {
public:
    explicit ServiceInstallmentsArea(TfrmPropostaComercial& screen);

    QString name() const override { return QStringLiteral("Vencimentos do Pacote"); }
    QList<ClientDataSet*> tables() const override { return {cdsVencServ}; }
    bool ready() const override { return false; }
    QList<QWidget*> controls() const override;
    void build() override;
    void route() override;
    void load(const ProposalKey& key) override;
    void beforeConfirm() override;

    ClientDataSet *cdsVencServ, *cdsMinDtVencServ, *cdsAuxVencServ, *cdsValidaVencServ, *cdsVencServicoAux;
    DataSource* dtsVencServ;
    TScrollBox* scbPacote = nullptr;
    TGroupBox* grbVencimento = nullptr;
    TPanel *panVencServico = nullptr, *panVencPacote = nullptr;
    TDBGrid* dbgVencPacote = nullptr;
    TNumberEdit *nedParcPacote = nullptr, *nedVrTotaPacote = nullptr;
    TDateEditPlus* depDtVencPacote = nullptr;
    TSpeedButton* sbtGeraParcPacote = nullptr;
};

}  // namespace cot
