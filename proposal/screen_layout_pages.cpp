// Pages of the proposal screen: services, simulation, texts and observation.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "proposal/proposal_screen.h"
#include "proposal/screen_layout.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/date_edit.h"
#include "ui/db_edit.h"
#include "ui/db_grid.h"
#include "ui/format_panel.h"
#include "ui/number_edit.h"
#include "ui/page_control.h"
#include "ui/rich_edit.h"

namespace cot {

using namespace layout;

namespace {

TDBRichEdit* richEdit(const char* name, QWidget* parent, DataSource* source, const char* field) {
    auto* r = new TDBRichEdit(QString::fromLatin1(name), parent);
    r->setDataSource(source);
    r->setDataField(QString::fromLatin1(field));
    return r;
}

}  // namespace

void TfrmPropostaComercial::createServicePages() {
    column(tshServico, 0);
    pgcServicoGeral = new TPageControl(QStringLiteral("pgcServicoGeral"), tshServico);
    tshServico->layout()->addWidget(pgcServicoGeral);
    tshServicoPrincipal = new TTabSheet(QStringLiteral("tshServicoPrincipal"), pgcServicoGeral, QStringLiteral("Serviço"));
    tshObjServico =
        new TTabSheet(QStringLiteral("tshObjServico"), pgcServicoGeral, QStringLiteral("Objetivo dos serviços"));

    // Services grid with the charging panel, package value and package installments.
    column(tshServicoPrincipal, 0);
    scrServico = new TScrollBox(QStringLiteral("scrServico"), tshServicoPrincipal);
    scrServico->setWidgetResizable(true);
    tshServicoPrincipal->layout()->addWidget(scrServico);
    auto* content = new QWidget;
    scrServico->setWidget(content);
    auto* main = column(content, 0);
    panServicoControle = new TPanel(QStringLiteral("panServicoControle"), content);
    main->addWidget(panServicoControle, 2);
    column(panServicoControle, 0);
    dbgServico = grid("dbgServico", panServicoControle, dtsServico, true);
    dbgServico->setOptions(dgEditing | dgTitles | dgColumnResize | dgColLines | dgRowLines | dgTabs | dgConfirmDelete);
    dbgServico->addColumn(QStringLiteral("CDTIPOSERV"));
    dbgServico->addColumn(QStringLiteral("NMTIPOSERV"));
    dbgServico->addColumn(QStringLiteral("DSLOCALPROP"));
    for (const char* f : {"VRPEACHEPROP", "QTSERVPROP", "VRHORAPROP", "VRDEHORAPROP", "VRPEHORAPROP"})
        dbgServico->addColumn(QString::fromLatin1(f))->alignment = Qt::AlignRight;

    auto* bottom = new QWidget(content);
    bottom->setMinimumHeight(190);
    auto* bottomRow = row(bottom, 0);
    main->addWidget(bottom, 1);
    auto* charging = new QWidget(bottom);
    auto* chargingColumn = column(charging, 0);
    bottomRow->addWidget(charging);
    grbTipoCobranca = new TGroupBox(QStringLiteral("grbTipoCobranca"), charging, QStringLiteral("Tipo de Cobrança"));
    auto* kinds = row(grbTipoCobranca, 4);
    rbtValorPacote = new TRadioButton(QStringLiteral("rbtValorPacote"), grbTipoCobranca, QStringLiteral("Valor do Pacote"));
    rbtValorHora = new TRadioButton(QStringLiteral("rbtValorHora"), grbTipoCobranca, QStringLiteral("Valor Hora"));
    kinds->addWidget(rbtValorPacote);
    kinds->addWidget(rbtValorHora);
    chargingColumn->addWidget(grbTipoCobranca);
    grbPacote = new TGroupBox(QStringLiteral("grbPacote"), charging, QStringLiteral("Pacote"));
    auto* pack = row(grbPacote, 4);
    dbeVrPacote = edit("dbeVrPacote", grbPacote, dtsServico, "VRPACOTESERV");
    dbeVrPacote->setReadOnly(true);
    dbeVrPacote->setColor(ControlColor::BtnFace);
    pack->addWidget(new QLabel(QStringLiteral("Valor do Pacote"), grbPacote));
    pack->addWidget(dbeVrPacote);
    chargingColumn->addWidget(grbPacote);

    scbPacote = new TScrollBox(QStringLiteral("scbPacote"), bottom);
    scbPacote->setWidgetResizable(true);
    bottomRow->addWidget(scbPacote, 1);
    auto* packContent = new QWidget;
    scbPacote->setWidget(packContent);
    column(packContent, 0);
    grbVencimento = new TGroupBox(QStringLiteral("grbVencimento"), packContent, QStringLiteral("Vencimentos"));
    packContent->layout()->addWidget(grbVencimento);
    auto* due = row(grbVencimento, 2);
    panVencServico = new TPanel(QStringLiteral("panVencServico"), grbVencimento);
    due->addWidget(panVencServico, 1);
    column(panVencServico, 0);
    dbgVencPacote = grid("dbgVencPacote", panVencServico, dtsVencServ, true);
    dbgVencPacote->addColumn(QStringLiteral("DTVENCSERVPROP"));
    dbgVencPacote->addColumn(QStringLiteral("VRVENCSERVPROP"))->alignment = Qt::AlignRight;
    panVencPacote = new TPanel(QStringLiteral("panVencPacote"), grbVencimento);
    due->addWidget(panVencPacote);
    auto* gen = new QGridLayout(panVencPacote);
    nedParcPacote = new TNumberEdit(QStringLiteral("nedParcPacote"), panVencPacote);
    nedParcPacote->setDecimals(0);
    nedVrTotaPacote = new TNumberEdit(QStringLiteral("nedVrTotaPacote"), panVencPacote);
    nedVrTotaPacote->setDisplayFormat(QStringLiteral("#,##0.00"));
    nedVrTotaPacote->setReadOnly(true);
    depDtVencPacote = new TDateEditPlus(QStringLiteral("depDtVencPacote"), panVencPacote);
    sbtGeraParcPacote = new TSpeedButton(QStringLiteral("sbtGeraParcPacote"), panVencPacote, QStringLiteral("Calcular"));
    sbtGeraParcPacote->setToolTip(QStringLiteral("Calcular"));
    labelled(gen, 0, 0, QStringLiteral("Parcelas"), nedParcPacote);
    labelled(gen, 1, 0, QStringLiteral("Valor Total"), nedVrTotaPacote);
    labelled(gen, 2, 0, QStringLiteral("A partir de"), depDtVencPacote);
    gen->addWidget(sbtGeraParcPacote, 3, 1);
    for (QWidget* w : {static_cast<QWidget*>(nedParcPacote), static_cast<QWidget*>(nedVrTotaPacote),
                       static_cast<QWidget*>(depDtVencPacote), static_cast<QWidget*>(sbtGeraParcPacote)})
        w->setEnabled(false);

    // Objective of the services.
    column(tshObjServico, 0);
    panObjServico = new TPanel(QStringLiteral("panObjServico"), tshObjServico);
    tshObjServico->layout()->addWidget(panObjServico);
    auto* objective = column(panObjServico, 0);
    fpnObjServico = new TFormatPanel(QStringLiteral("fpnObjServico"), panObjServico);
    dbrObjServico = richEdit("dbrObjServico", panObjServico, dtsObjServico, "TXOBJETPROPFAS");
    objective->addWidget(fpnObjServico);
    objective->addWidget(dbrObjServico, 1);
    fpnObjServico->setEnabled(false);
    dbrObjServico->setEnabled(false);
}

void TfrmPropostaComercial::createOtherPages() {
    // Simulation: simulations above, their product lines below.
    auto* sim = column(tshSimulaLinp);
    grbSimulacao = new TGroupBox(QStringLiteral("grbSimulacao"), tshSimulaLinp, QStringLiteral("Simulação"));
    column(grbSimulacao, 2);
    dbgSimulacao = grid("dbgSimulacao", grbSimulacao, dtsSimulacao, false);
    dbgSimulacao->addColumn(QStringLiteral("NRORDSIMULAPROP"));
    dbgSimulacao->addColumn(QStringLiteral("NMSIMULAPROP"));
    dbgSimulacao->addColumn(QStringLiteral("VRTOTALICENCUSO"))->readOnly = true;
    dbgSimulacao->addColumn(QStringLiteral("VRTOTAMENSALIDA"))->readOnly = true;
    sim->addWidget(grbSimulacao, 1);
    grbProdSimulaLinp =
        new TGroupBox(QStringLiteral("grbProdSimulaLinp"), tshSimulaLinp, QStringLiteral("Linha de Produto"));
    column(grbProdSimulaLinp, 2);
    dbgProdSimulaLinp = grid("dbgProdSimulaLinp", grbProdSimulaLinp, dtsProdSimulaLinp, false);
    dbgProdSimulaLinp->addColumn(QStringLiteral("NRORDLINPSIMULA"));
    dbgProdSimulaLinp->addColumn(QStringLiteral("NMLINPPROP"))->buttonStyle = ColumnButtonStyle::Ellipsis;
    for (const char* f : {"IDTIPLINPP", "QTUTILSIMULINP", "VRLICENCUSOPROP", "VRTOTASIMULALUSO", "VRMENSALIDAPROP",
                          "VRTOTASIMULAMENS"}) {
        TColumn* c = dbgProdSimulaLinp->addColumn(QString::fromLatin1(f));
        c->readOnly = QLatin1String(f) != QLatin1String("QTUTILSIMULINP");
    }
    sim->addWidget(grbProdSimulaLinp, 1);

    // Texts: the list of texts beside the rich text of the current one.
    auto* textPage = row(tshTexto);
    grbDescProp = new TGroupBox(QStringLiteral("grbDescProp"), tshTexto, QStringLiteral("Descrição da Proposta"));
    column(grbDescProp, 2);
    dbgDescProp = grid("dbgDescProp", grbDescProp, dtsMensagem, false);
    dbgDescProp->setOptions(dgEditing | dgTitles | dgColumnResize | dgColLines | dgRowLines | dgTabs | dgConfirmDelete |
                            dgCancelOnExit);
    dbgDescProp->addColumn(QStringLiteral("CDTXTPROPFAS"));
    dbgDescProp->addColumn(QStringLiteral("NRORDEMMSG"));
    textPage->addWidget(grbDescProp, 1);
    auto* textSide = new QWidget(tshTexto);
    auto* textColumn = column(textSide, 0);
    fpnDesc = new TFormatPanel(QStringLiteral("fpnDesc"), textSide);
    dreMensagem = richEdit("dreMensagem", textSide, dtsMensagem, "TXPROPFAS");
    textColumn->addWidget(fpnDesc);
    textColumn->addWidget(dreMensagem, 1);
    textPage->addWidget(textSide, 3);

    // Observation.
    auto* obs = column(tshObs);
    fpnObs = new TFormatPanel(QStringLiteral("fpnObs"), tshObs);
    dbrObs = richEdit("dbrObs", tshObs, dtsObs, "TXOBSPROPFAS");
    obs->addWidget(fpnObs);
    obs->addWidget(dbrObs, 1);
    fpnObs->setEnabled(false);
    dbrObs->setEnabled(false);
}

}  // namespace cot
