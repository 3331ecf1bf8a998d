#pragma once
#include "proposal/area/proposal_area.h"
#include "services/local_query.h"

class QHBoxLayout;

namespace cot {

class DataSource;
class TDBEdit;
class TDBGrid;
class TGroupBox;
class TPanel;
class TRadioButton;
class TScrollBox;

// Services of the proposal: the services grid, the charging type and the package value.
// The package installments and the services' objective are areas of their own.
class ServicesArea : public ProposalArea {
public:
    explicit ServicesArea(TfrmPropostaComercial& screen);

    QString name() const override { return QStringLiteral("Serviço"); }
    QList<ClientDataSet*> tables() const override { return {cdsServico}; }
    bool ready() const override { return false; }
    QList<QWidget*> controls() const override;
    void build() override;
    void route() override;
    void load(const ProposalKey& key) override;
    void pageShown() override;

    // Whether the services tab (not the objective) is the page shown.
    bool shown() const;
    // Row under the services grid, for the package installments.
    QHBoxLayout* bottomRow() const { return bottom_; }

    ClientDataSet *cdsServico, *cdsServicoAux, *cdsTipoServObr;
    TADOIBQuery qryServico{QStringLiteral("qryServico")};
    DataSource* dtsServico;
    TScrollBox* scrServico = nullptr;
    TPanel* panServicoControle = nullptr;
    TDBGrid* dbgServico = nullptr;
    TGroupBox *grbTipoCobranca = nullptr, *grbPacote = nullptr;
    TRadioButton *rbtValorPacote = nullptr, *rbtValorHora = nullptr;
    TDBEdit* dbeVrPacote = nullptr;

    bool boTestaServ = false;

private:
    QHBoxLayout* bottom_ = nullptr;
};

}  // namespace cot
