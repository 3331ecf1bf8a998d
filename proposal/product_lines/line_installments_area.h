#pragma once
#include "proposal/area/proposal_area.h"

namespace cot {

class DataSource;
class TDateEditPlus;
class TDBGrid;
class TGroupBox;
class TNumberEdit;
class TPanel;
class TSpeedButton;

// Installment schedule of the current product line (grid and generator beside the form).
class LineInstallmentsArea : public ProposalArea {
public:
    explicit LineInstallmentsArea(TfrmPropostaComercial& screen);

    QString name() const override { return QStringLiteral("Vencimentos da Linha de Produto"); }
    QList<ClientDataSet*> tables() const override { return {cdsVenc_Valor}; }
    bool ready() const override { return false; }
    QList<QWidget*> controls() const override;
    void build() override;
    void route() override;
    void load(const ProposalKey& key) override;
    void beforeConfirm() override;
    // On the installment grid Cancelar asks first and, answered No, keeps the edits.
    bool cancel() override;

    ClientDataSet *cdsVenc_Valor, *cdsVenc, *cdsMinDtVenc, *cdsAux;
    DataSource* dtsVenc_Valor;
    TPanel* Panel2 = nullptr;
    TGroupBox* grbVencimentos = nullptr;
    TDBGrid* dbgVencimento = nullptr;
    TNumberEdit *nedParcelas = nullptr, *nedVrTotal = nullptr;
    TDateEditPlus* depDataVenc = nullptr;
    TSpeedButton* sbtGerarParcelas = nullptr;
};

}  // namespace cot
