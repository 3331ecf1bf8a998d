#pragma once
#include "proposal/area/proposal_area.h"

namespace cot {

class DataSource;
class TDBGrid;
class TDBRichEdit;
class TFormatPanel;
class TGroupBox;

// Proposal texts: the grid of texts by code and order, and the rich text of the current one.
class TextsArea : public ProposalArea {
public:
    explicit TextsArea(TfrmPropostaComercial& screen);

    QString name() const override { return QStringLiteral("Texto"); }
    QList<ClientDataSet*> tables() const override { return {cdsMensagem}; }
    bool ready() const override { return false; }
    QList<QWidget*> controls() const override;
    void build() override;
    void route() override;
    void load(const ProposalKey& key) override;
    void pageShown() override;
    void enable(MaintenanceEnabling& e) override;

    ClientDataSet *cdsMensagem, *cdsValidaOrdem, *cdsValidaMsg, *cdsPesqMsg;
    DataSource* dtsMensagem;
    TGroupBox* grbDescProp = nullptr;
    TDBGrid* dbgDescProp = nullptr;
    TFormatPanel* fpnDesc = nullptr;
    TDBRichEdit* dreMensagem = nullptr;

private:
    bool shown() const;
};

}  // namespace cot
