#pragma once
#include <functional>
#include <memory>

#include "rpc/net_connection.h"
#include "screens/padrao_grid.h"
#include "services/local_query.h"

namespace cot {

class ClientDataSet;
class DataSource;
class TButtonFlat;
class TDBComboBox;
class TDBEdit;
class TDBDateEditPlus;
class TDBRichEdit;
class TDateEditPlus;
class TDBGrid;
class TFormatPanel;
class TGroupBox;
class TMenuItem;
class TNumberEdit;
class TPageControl;
class TPanel;
class TRadioButton;
class TScrollBox;
class TSpeedButton;
class TTabSheet;

class HeaderController;
class ProductLineController;
class ServicesController;
class TextsController;
class SimulationController;

// The commercial proposal screen (COT05000): the list of the branch's proposals and, for
// the proposal under the cursor, the editor of its header, product lines, services,
// simulations, texts and observation.
//
// The screen owns the tables, data sources, pages, grids and the controls other areas
// reach; each area's handlers live in its controller (header, product lines, services,
// texts, simulation), created by the screen and reaching the others through it.
// The inherited maintenance buttons act on the table `dtsPadrao` serves: every grid and
// panel of a child table re-points it when it gets the focus (the `...Enter` handlers).
//
// Child tables are loaded lazily: `cdsPropostaAfterScroll` reloads only what the page
// being shown needs, each with the proposal key (NRPROPOSFAS, NRVERPROPFAS).
class TfrmPropostaComercial : public TfrmPadraoGrid {
    Q_OBJECT
public:
    explicit TfrmPropostaComercial(QWidget* parent = nullptr);
    ~TfrmPropostaComercial() override;

    // ----- lifetime
    void FormCreate() override;
    void FormActivate() override;
    void FormClose(CloseAction& action) override;

    // ----- load, routing and page handlers
    void cdsPropostaAfterScroll();
    void pgcPadraoChange();
    void pgcDadosChange();
    void pgcDadosContChange();
    void dtsPadraoStateChange() override;
    void Controla_Formulario();

    // ----- maintenance buttons
    void sbtIncluirClick() override;
    void sbtAlterarClick() override;
    void sbtExcluirClick() override;
    void sbtConfirmarClick() override;
    void sbtCancelarClick() override;
    void sbtFiltroClick();
    void sbtCopiarClick();
    void sbtModoProcClick();
    void sbtAprovacaoClick();

    // Dialogs opened from the toolbar (approval checks, copy, processing-mode picture).
    // Installed by the module when those dialogs are present; their entries stay disabled
    // while no handler is installed.
    std::function<void()> onAprovacao, onCopiar, onModoProc;

    // The proposal key of the current row of cdsProposta.
    QString NR() const;
    QString VER() const;
    // Whether the current proposal is service-only (IDTIPOPROPFAS = 'S').
    bool servicoSomente() const;
    // The widget that has the focus in this screen (nullptr when none).
    QWidget* activeControl() const;
    bool hasFocus(const QWidget* control) const;

    // Runs `body` with the after-scroll handler of cdsProposta detached (reloads that must
    // not trigger the load sequence); the handler is re-attached on every path out.
    void withoutAfterScroll(const std::function<void()>& body);
    void attachAfterScroll();

    // ----- connection
    NetConnection netProposta;

    // ----- private state shared with the dialogs
    bool boFiltroUsado = false;  // the filter dialog has been shown: reloads use its criteria
    bool boTesta = false;
    bool boTestaServ = false;
    bool boTestaLin = false;
    bool boValidaLinp = true;
    bool boCancela = false;

    // ----- tables (created in the order the screen declares them; fields in tables_*.cpp)
    ClientDataSet* cdsProposta;
    // product lines, systems and schedules
    ClientDataSet *cdsLinProd, *cdsValidaLinhaProd, *cdsVd_TipoProposta, *cdsSistema, *cdsParamPerc;
    ClientDataSet *cdsSistLinhaProd, *cdsValidaSistProd, *cdsVenc_Valor, *cdsVenc, *cdsMinDtVenc, *cdsAux;
    // simulation
    ClientDataSet *cdsSimulacao, *cdsProdSimulaLinp, *cdsMaxNrSimulaProp, *cdsVd_Simulacao, *cdsMaxOrdSimula;
    ClientDataSet *cdsPesqProdLinp, *cdsMaxOrdProdSimula, *cdsAuxSimulacao, *cdsVd_ProdSimulaLinp;
    ClientDataSet *cdsAuxProdSimulaLinp, *cdsVd_SimulaLinp, *cdsPesqProdComer, *cdsVd_ProdComer;
    // services
    ClientDataSet *cdsServico, *cdsServicoAux, *cdsObjServico, *cdsTipoServObr;
    ClientDataSet *cdsVencServ, *cdsMinDtVencServ, *cdsAuxVencServ, *cdsValidaVencServ, *cdsVencServicoAux;
    // texts
    ClientDataSet *cdsMensagem, *cdsValidaOrdem, *cdsValidaMsg, *cdsPesqMsg, *cdsObs;
    // approval checks
    ClientDataSet *cdsVerificaLinhaProd, *cdsPtoAcesso, *cdsLProduto, *cdsVdQtPtoAcesso, *cdsTipo;
    ClientDataSet *cdsValidaContrato, *cdsValidaServico, *cdsValida_ServicoLinhaProd;
    // header
    ClientDataSet *cdsValidaProposta, *cdsMaxVerPropFas, *cdsPesqContato, *cdsInterLoc, *cdsPesqInterLoc;
    // attachments
    ClientDataSet* cdsControlaAnexo;

    // Host database queries (SQL of the header and index ones set by their areas).
    TADOIBQuery qryGrupo{QStringLiteral("qryGrupo")};
    TADOIBQuery qryProduto{QStringLiteral("qryProduto")};
    TADOIBQuery qryServico{QStringLiteral("qryServico")};
    TADOIBQuery qryPesqOperSoli{QStringLiteral("qryPesqOperSoli")};
    TADOIBQuery qryPesqCliente{QStringLiteral("qryPesqCliente")};
    TADOIBQuery qryPesqProspect{QStringLiteral("qryPesqProspect")};
    TADOIBQuery qryPesqOperResp{QStringLiteral("qryPesqOperResp")};
    TADOIBQuery qryPesqClieIns{QStringLiteral("qryPesqClieIns")};
    TADOIBQuery qryPesqIndice{QStringLiteral("qryPesqIndice")};
    TADOIBQuery qryVerifTpIndiceReaj{QStringLiteral("qryVerifTpIndiceReaj")};

    // ----- data sources of the child tables (dtsPadrao is the base screen's)
    DataSource *dtsProposta, *dtsLinProd, *dtsSistLinhaProd, *dtsVenc_Valor, *dtsServico, *dtsVencServ;
    DataSource *dtsObjServico, *dtsSimulacao, *dtsProdSimulaLinp, *dtsMensagem, *dtsObs;

    // ----- pages
    TTabSheet* tshProposta;  // "Formulário": header panel and pgcDados
    TPanel* panProp;         // header panel: the header controller lays out its controls here
    TPageControl* pgcDados;
    TTabSheet *tshDados, *tshServico;
    TPageControl* pgcDadosCont;
    TTabSheet *tshDadosCont, *tshFormulario;
    TPageControl* pgcServicoGeral;
    TTabSheet *tshServicoPrincipal, *tshObjServico;
    TTabSheet *tshSimulaLinp, *tshTexto, *tshObs;

    // ----- product lines (form page of pgcDadosCont)
    TDBGrid* dbgLinProd;
    TPanel* Panel4;      // product-line grid page panel
    TPanel* panLinProd;  // product-line form: identity and prices
    TDBEdit *dbeCdLinProd, *dbeNmLinProd;
    TDBComboBox* dbcPlataforma;
    TDBDateEditPlus* depCarenLu;
    TDBEdit *dbeNrUsuLic, *dbeQtdeLicenca;
    TGroupBox* grbTipoLinha;
    TRadioButton *rbtTpProduto, *rbtTpPtoAcesso;
    TGroupBox *grbModo, *grbLocal;
    TRadioButton *rbtMatrizModo, *rbtFilialMode, *rbtMatrizLocal, *rbtFilialLocal;
    TGroupBox* grbPrecos;
    TDBEdit *dbeVrUnitLic, *dbeDescLic, *dbeVrUnitManutLoc, *dbeDescManutLoc;
    TNumberEdit *nedVrComDesconto, *nedVrComDescontoManut;
    TGroupBox* grbSistemas;
    TDBGrid* dbgSistemas;
    TPanel* Panel2;  // installments panel
    TGroupBox* grbVencimentos;
    TDBGrid* dbgVencimento;
    TNumberEdit *nedParcelas, *nedVrTotal;
    TDateEditPlus* depDataVenc;
    TSpeedButton* sbtGerarParcelas;

    // ----- contract choice of the header (kept by the screen: several areas use it)
    TGroupBox* grbContrato;
    TRadioButton *rbtLuManut, *rbtLocacao, *rbtServico;
    TDBEdit* dbeVersao;  // version of the proposal (header); filled by the include button

    // ----- services
    TScrollBox* scrServico;
    TPanel* panServicoControle;
    TDBGrid* dbgServico;
    TGroupBox* grbTipoCobranca;
    TRadioButton *rbtValorPacote, *rbtValorHora;
    TGroupBox* grbPacote;
    TDBEdit* dbeVrPacote;
    TScrollBox* scbPacote;
    TGroupBox* grbVencimento;
    TPanel *panVencServico, *panVencPacote;
    TDBGrid* dbgVencPacote;
    TNumberEdit *nedParcPacote, *nedVrTotaPacote;
    TDateEditPlus* depDtVencPacote;
    TSpeedButton* sbtGeraParcPacote;
    TPanel* panObjServico;
    TFormatPanel* fpnObjServico;
    TDBRichEdit* dbrObjServico;

    // ----- simulation
    TGroupBox *grbSimulacao, *grbProdSimulaLinp;
    TDBGrid *dbgSimulacao, *dbgProdSimulaLinp;

    // ----- texts and observation
    TGroupBox* grbDescProp;
    TDBGrid* dbgDescProp;
    TFormatPanel* fpnDesc;
    TDBRichEdit* dreMensagem;
    TFormatPanel* fpnObs;
    TDBRichEdit* dbrObs;

    // ----- menus and extra toolbar buttons
    TMenuItem* mnuOpcoes = nullptr;
    TMenuItem *mnuProposta, *mnuLinpProdGrade, *mnuLinnProdForm, *mnuServico, *mnuObjServico, *mnuSimulacao;
    TMenuItem *mnuTexto, *mnuObserv, *mnuFiltro, *mnuAprovacao, *mnuCopiar, *MododeProcessamento1;
    TMenuItem *mnuRegeraTexto, *Comisso1;
    TSpeedButton *sbtFiltro, *sbtAprovacao, *sbtCopiar, *sbtModoProc, *sbtRegeraTexto, *sbtcomissao;

    // ----- areas
    std::unique_ptr<HeaderController> header;
    std::unique_ptr<ProductLineController> productLine;
    std::unique_ptr<ServicesController> services;
    std::unique_ptr<TextsController> texts;
    std::unique_ptr<SimulationController> simulation;

private:
    void createTables();
    void createLayout();
    void createProductLinePages();
    void createServicePages();
    void createOtherPages();
    void createMenus();
    void wireRouting();
    void setupListGrid();
    void readProposalList();
    void confirmDistinctDates(ClientDataSet& schedule, ClientDataSet& copy, const QString& dateField,
                              TDBGrid* grid);
    void deleteLastServiceOfPackage();
    void showPage(TTabSheet* page);
    void updateEditors();
};

}  // namespace cot
