#pragma once
#include "proposal/area/proposal_area.h"
#include "services/local_query.h"

class QVBoxLayout;

namespace cot {

class DataSource;
class TDBComboBox;
class TDBDateEditPlus;
class TDBEdit;
class TDBGrid;
class TGroupBox;
class TNumberEdit;
class TPanel;
class TRadioButton;

// Product lines of the proposal: the grid page and the line form (identity, kind,
// processing mode and place, prices). The form page's side column holds the line's
// systems and installments, which are areas of their own.
class ProductLineArea : public ProposalArea {
public:
    explicit ProductLineArea(TfrmPropostaComercial& screen);

    QString name() const override { return QStringLiteral("Linha de Produto"); }
    QList<ClientDataSet*> tables() const override { return {cdsLinProd}; }
    bool ready() const override { return false; }
    QList<QWidget*> controls() const override;
    void build() override;
    void route() override;
    void load(const ProposalKey& key) override;
    void afterInclude() override;

    // The grid or form tab of the lines was chosen.
    void pgcDadosContChange();
    // Colours of the line form for the contract and the line kind.
    void Controla_Formulario();
    // Whether the line form is the page shown.
    bool formShown() const;
    // Column beside the line form, for the systems and the installments.
    QVBoxLayout* sideColumn() const { return side_; }

    ClientDataSet *cdsLinProd, *cdsValidaLinhaProd, *cdsVd_TipoProposta, *cdsSistema;
    TADOIBQuery qryProduto{QStringLiteral("qryProduto")};
    DataSource* dtsLinProd;

    TDBGrid* dbgLinProd = nullptr;
    TPanel* Panel4 = nullptr;      // grid page panel
    TPanel* panLinProd = nullptr;  // line form: identity and prices
    TDBEdit *dbeCdLinProd = nullptr, *dbeNmLinProd = nullptr;
    TDBComboBox* dbcPlataforma = nullptr;
    TDBDateEditPlus* depCarenLu = nullptr;
    TDBEdit *dbeNrUsuLic = nullptr, *dbeQtdeLicenca = nullptr;
    TGroupBox *grbTipoLinha = nullptr, *grbModo = nullptr, *grbLocal = nullptr, *grbPrecos = nullptr;
    TRadioButton *rbtTpProduto = nullptr, *rbtTpPtoAcesso = nullptr;
    TRadioButton *rbtMatrizModo = nullptr, *rbtFilialMode = nullptr, *rbtMatrizLocal = nullptr, *rbtFilialLocal = nullptr;
    TDBEdit *dbeVrUnitLic = nullptr, *dbeDescLic = nullptr, *dbeVrUnitManutLoc = nullptr, *dbeDescManutLoc = nullptr;
    TNumberEdit *nedVrComDesconto = nullptr, *nedVrComDescontoManut = nullptr;

    // Screen state of the line checks.
    bool boTesta = false, boTestaLin = false, boValidaLinp = true, boCancela = false;

private:
    void buildGridPage();
    void buildForm();
    QVBoxLayout* side_ = nullptr;
};

}  // namespace cot
