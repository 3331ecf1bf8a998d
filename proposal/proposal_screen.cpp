#include "proposal/proposal_screen.h"

#include "data/client_dataset.h"
#include "data/data_source.h"
#include "proposal/cli_cot05000.h"
#include "proposal/header/header_controller.h"
#include "proposal/product_line_controller.h"
#include "proposal/services_controller.h"
#include "proposal/simulation_controller.h"
#include "proposal/table_fields.h"
#include "proposal/texts_controller.h"
#include "rpc/check_result.h"
#include "services/consiste.h"
#include "services/veltrano.h"
#include "ui/busy_animation.h"
#include "ui/focus_dispatcher.h"
#include "ui/page_control.h"

namespace cot {

namespace {

TfrmPadraoGrid::Options screenOptions() {
    TfrmPadraoGrid::Options o;
    o.screenCode = QStringLiteral("COT05000");
    o.caption = QStringLiteral("Proposta Comercial");
    o.formPageName = QStringLiteral("tshProposta");
    o.formPageCaption = QStringLiteral("Formulário");
    o.messagesPath = QStringLiteral(":/cot05000/cot05000_messages.txt");
    return o;
}

}  // namespace

TfrmPropostaComercial::TfrmPropostaComercial(QWidget* parent) : TfrmPadraoGrid(screenOptions(), parent) {
    tshPadrao->setCaption(QStringLiteral("Proposta"));
    tshProposta = formPage();
    netProposta.setServerName(QStringLiteral("COT05000.rdmProposta"));
    netProposta.setServerGUID(QStringLiteral("{6AE3905C-010B-40C4-8182-CBF0A042618D}"));
    netProposta.setHost(QStringLiteral("127.0.0.1"));
    // netPropostaBeforeConnect: the host says where the server is.
    netProposta.setBeforeConnect([](NetConnection& c) {
        c.setHost(Veltrano::WebURL());
        c.setPort(Veltrano::WebPort());
    });

    createTables();
    createLayout();
    createMenus();
    setupListGrid();
    wireRouting();

    header = std::make_unique<HeaderController>(*this);
    productLine = std::make_unique<ProductLineController>(*this);
    services = std::make_unique<ServicesController>(*this);
    texts = std::make_unique<TextsController>(*this);
    simulation = std::make_unique<SimulationController>(*this);
    attachAfterScroll();
}

TfrmPropostaComercial::~TfrmPropostaComercial() {
    // Table events call into the controllers: none may run while the screen goes away.
    for (ClientDataSet* t : findChildren<ClientDataSet*>()) {
        t->afterScroll = nullptr;
        t->beforeScroll = nullptr;
    }
    if (Cli_cot05000::frmPropostaComercial == this) Cli_cot05000::boIdCriado = false;
}

void TfrmPropostaComercial::createTables() {
    const auto table = [this](const char* name) { return new ClientDataSet(QString::fromLatin1(name), this); };
    cdsProposta = table("cdsProposta");
    cdsLinProd = table("cdsLinProd");
    cdsValidaLinhaProd = table("cdsValidaLinhaProd");
    cdsVd_TipoProposta = table("cdsVd_TipoProposta");
    cdsSistema = table("cdsSistema");
    cdsParamPerc = table("cdsParamPerc");
    cdsSistLinhaProd = table("cdsSistLinhaProd");
    cdsValidaSistProd = table("cdsValidaSistProd");
    cdsVenc_Valor = table("cdsVenc_Valor");
    cdsVenc = table("cdsVenc");
    cdsMinDtVenc = table("cdsMinDtVenc");
    cdsAux = table("cdsAux");
    cdsSimulacao = table("cdsSimulacao");
    cdsProdSimulaLinp = table("cdsProdSimulaLinp");
    cdsMaxNrSimulaProp = table("cdsMaxNrSimulaProp");
    cdsVd_Simulacao = table("cdsVd_Simulacao");
    cdsMaxOrdSimula = table("cdsMaxOrdSimula");
    cdsPesqProdLinp = table("cdsPesqProdLinp");
    cdsMaxOrdProdSimula = table("cdsMaxOrdProdSimula");
    cdsAuxSimulacao = table("cdsAuxSimulacao");
    cdsVd_ProdSimulaLinp = table("cdsVd_ProdSimulaLinp");
    cdsAuxProdSimulaLinp = table("cdsAuxProdSimulaLinp");
    cdsVd_SimulaLinp = table("cdsVd_SimulaLinp");
    cdsPesqProdComer = table("cdsPesqProdComer");
    cdsVd_ProdComer = table("cdsVd_ProdComer");
    cdsServico = table("cdsServico");
    cdsServicoAux = table("cdsServicoAux");
    cdsObjServico = table("cdsObjServico");
    cdsTipoServObr = table("cdsTipoServObr");
    cdsVencServ = table("cdsVencServ");
    cdsMinDtVencServ = table("cdsMinDtVencServ");
    cdsAuxVencServ = table("cdsAuxVencServ");
    cdsValidaVencServ = table("cdsValidaVencServ");
    cdsVencServicoAux = table("cdsVencServicoAux");
    cdsMensagem = table("cdsMensagem");
    cdsValidaOrdem = table("cdsValidaOrdem");
    cdsValidaMsg = table("cdsValidaMsg");
    cdsPesqMsg = table("cdsPesqMsg");
    cdsObs = table("cdsObs");
    cdsVerificaLinhaProd = table("cdsVerificaLinhaProd");
    cdsPtoAcesso = table("cdsPtoAcesso");
    cdsLProduto = table("cdsLProduto");
    cdsVdQtPtoAcesso = table("cdsVdQtPtoAcesso");
    cdsTipo = table("cdsTipo");
    cdsValidaContrato = table("cdsValidaContrato");
    cdsValidaServico = table("cdsValidaServico");
    cdsValida_ServicoLinhaProd = table("cdsValida_ServicoLinhaProd");
    cdsValidaProposta = table("cdsValidaProposta");
    cdsMaxVerPropFas = table("cdsMaxVerPropFas");
    cdsPesqContato = table("cdsPesqContato");
    cdsInterLoc = table("cdsInterLoc");
    cdsPesqInterLoc = table("cdsPesqInterLoc");
    cdsControlaAnexo = table("cdsControlaAnexo");

    defineProposalTables(*this);
    defineProductLineTables(*this);
    defineServiceTables(*this);
    defineTextTables(*this);
    defineSimulationTables(*this);
    defineApprovalTables(*this);

    const auto source = [this](const char* name, ClientDataSet* t) {
        auto* s = new DataSource(QString::fromLatin1(name), this);
        s->setDataSet(t);
        return s;
    };
    dtsProposta = source("dtsProposta", cdsProposta);
    dtsLinProd = source("dtsLinProd", cdsLinProd);
    dtsSistLinhaProd = source("dtsSistLinhaProd", cdsSistLinhaProd);
    dtsVenc_Valor = source("dtsVenc_Valor", cdsVenc_Valor);
    dtsServico = source("dtsServico", cdsServico);
    dtsVencServ = source("dtsVencServ", cdsVencServ);
    dtsObjServico = source("dtsObjServico", cdsObjServico);
    dtsSimulacao = source("dtsSimulacao", cdsSimulacao);
    dtsProdSimulaLinp = source("dtsProdSimulaLinp", cdsProdSimulaLinp);
    dtsMensagem = source("dtsMensagem", cdsMensagem);
    dtsObs = source("dtsObs", cdsObs);

    // qryGrupo: whether the operator belongs to a group authorised for proposals.
    for (const char* line : {"SELECT OP.CDOPERADOR", " FROM AUTGRUPOP AU, OPERGRUPOP OP", "WHERE AU.IDAUTGRUPOP = 'PROP'",
                             "  AND OP.CDGRUPOPER = AU.CDGRUPOPER", "  AND OP.CDOPERADOR = :P_CDOPERADOR"})
        qryGrupo.addSql(QString::fromLatin1(line));
    qryGrupo.addField(QStringLiteral("CDOPERADOR"), FieldType::String, 12);
}

void TfrmPropostaComercial::FormCreate() {
    // 1. The base creation ran in the constructor of TfrmPadraoGrid.
    // 2. Local tables, in this order.
    for (ClientDataSet* t : {cdsLinProd, cdsVenc_Valor, cdsSistLinhaProd, cdsMensagem, cdsServico, cdsObs, cdsSimulacao,
                             cdsProdSimulaLinp, cdsVencServ, cdsSistema, cdsPtoAcesso, cdsLProduto, cdsTipo,
                             cdsTipoServObr})
        t->createDataSet();
    // 3. List page.
    pgcPadrao->setActivePage(tshPadrao);
    pgcPadraoChange();
    // 4. Flags.
    boFiltroUsado = false;
    boValidaLinp = true;
    Cli_cot05000::boTestaEst = false;
    // 5 and 6. Connect and read the list the operator may see.
    {
        BusyScope busy;
        netProposta.connect();
        readProposalList();
    }
    // 7. Percentage parameters.
    cdsParamPerc->setData(netProposta.getPacket(QStringLiteral("GetParamPerc")));
    // 8. Columns the grids' key handlers treat as not typable.
    for (Field* f : {&(*cdsSistLinhaProd)["SGSISTEMA"], &(*cdsMensagem)["CDTXTPROPFAS"],
                     &(*cdsProdSimulaLinp)["NMLINPPROP"], &(*cdsProposta)["ANEXO"]})
        f->tag = 1;
}

void TfrmPropostaComercial::readProposalList() {
    qryGrupo.close();
    qryGrupo.paramByName(QStringLiteral("P_CDOPERADOR")).setValue(Veltrano::Operador());
    qryGrupo.open();
    const bool all = !qryGrupo.isEmpty();
    Cli_cot05000::stOper = all ? QStringLiteral("S") : QStringLiteral("N");
    cdsProposta->setData(netProposta.getPacket(
        QStringLiteral("GetProposta"), {Veltrano::FiliProc(), all ? QStringLiteral("T") : Veltrano::Operador()}));
}

void TfrmPropostaComercial::FormActivate() {
    repaint();
    // Document masks follow the person type of the row.
    const auto mask = [](TADOIBQuery& q, const QString& field, const QString& typeField) {
        if (!q.active()) return;
        Field* f = q.table().findField(field);
        Field* type = q.table().findField(typeField);
        if (f && type) f->editMask = Consiste::PictPess(type->asString());
    };
    mask(qryPesqCliente, QStringLiteral("CDCLIENTE"), QStringLiteral("IDTPIJURCLIE"));
    mask(qryPesqProspect, QStringLiteral("CDPROSPECT"), QStringLiteral("IDTPIJURPROS"));
    if (cdsProposta->active())
        (*cdsProposta)["NRINSJURCLIE"].editMask = Consiste::PictPess((*cdsProposta)["NRINSJURCLIE"].asString());
}

void TfrmPropostaComercial::FormClose(CloseAction& action) {
    TfrmPadraoGrid::FormClose(action);
    netProposta.disconnect();
    Cli_cot05000::boIdCriado = false;
}

QString TfrmPropostaComercial::NR() const {
    return cdsProposta->active() ? (*cdsProposta)["NRPROPOSFAS"].asString() : QString();
}

QString TfrmPropostaComercial::VER() const {
    return cdsProposta->active() ? (*cdsProposta)["NRVERPROPFAS"].asString() : QString();
}

bool TfrmPropostaComercial::servicoSomente() const {
    return cdsProposta->active() && (*cdsProposta)["IDTIPOPROPFAS"].asString() == QLatin1String("S");
}

QWidget* TfrmPropostaComercial::activeControl() const {
    // The screen keeps its own focused control while a dialog is open over it.
    QWidget* w = focusWidget();
    return w && w->window() == this ? w : nullptr;
}

bool TfrmPropostaComercial::hasFocus(const QWidget* control) const {
    QWidget* w = activeControl();
    return control && w && (w == control || control->isAncestorOf(w));
}

void TfrmPropostaComercial::attachAfterScroll() {
    cdsProposta->afterScroll = [this](ClientDataSet&) { cdsPropostaAfterScroll(); };
}

void TfrmPropostaComercial::withoutAfterScroll(const std::function<void()>& body) {
    cdsProposta->afterScroll = nullptr;
    try {
        body();
    } catch (...) {
        attachAfterScroll();
        throw;
    }
    attachAfterScroll();
}

}  // namespace cot
