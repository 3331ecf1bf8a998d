#pragma once
#include "proposal/area/proposal_area.h"

namespace cot {

class DataSource;
class TDBRichEdit;
class TFormatPanel;
class TPanel;

// Objective of the services: one rich text per proposal version, on its own tab.
class ServiceObjectiveArea : public ProposalArea {
public:
    explicit ServiceObjectiveArea(TfrmPropostaComercial& screen);

    QString name() const override { return QStringLiteral("Objetivo dos serviços"); }
    QList<ClientDataSet*> tables() const override { return {cdsObjServico}; }
    bool ready() const override { return false; }
    QList<QWidget*> controls() const override;
    void build() override;
    void route() override;
    void load(const ProposalKey& key) override;
    void pageShown() override;

    ClientDataSet* cdsObjServico;
    DataSource* dtsObjServico;
    TPanel* panObjServico = nullptr;
    TFormatPanel* fpnObjServico = nullptr;
    TDBRichEdit* dbrObjServico = nullptr;
};

}  // namespace cot
