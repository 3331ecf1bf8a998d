#pragma once
#include "proposal/area/proposal_area.h"

namespace cot {

class DataSource;
class TDBGrid;
class TGroupBox;

// Systems of the current product line (grid beside the line form).
class LineSystemsArea : public ProposalArea {
public:
    explicit LineSystemsArea(TfrmPropostaComercial& screen);

    QString name() const override { return QStringLiteral("Sistemas da Linha de Produto"); }
    QList<ClientDataSet*> tables() const override { return {cdsSistLinhaProd}; }
    bool ready() const override { return false; }
    QList<QWidget*> controls() const override;
    void build() override;
    void route() override;
    void load(const ProposalKey& key) override;

    ClientDataSet *cdsSistLinhaProd, *cdsValidaSistProd;
    DataSource* dtsSistLinhaProd;
    TGroupBox* grbSistemas = nullptr;
    TDBGrid* dbgSistemas = nullptr;
};

}  // namespace cot
