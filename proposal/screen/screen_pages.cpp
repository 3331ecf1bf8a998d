// The page controls of the proposal screen; the areas fill the pages.
#include <QVBoxLayout>

#include "proposal/screen/proposal_screen.h"
#include "proposal/area/area_layout.h"
#include "ui/containers.h"
#include "ui/page_control.h"

namespace cot {

using namespace layout;

void TfrmPropostaComercial::createPages() {
    ProposalPages& p = pages_;
    p.pgcPadrao = pgcPadrao;
    p.tshPadrao = tshPadrao;
    p.dbgPadrao = dbgPadrao;
    // Form page: header panel above the data page control.
    p.tshProposta = formPage();
    auto* form = column(p.tshProposta);
    p.panProp = new TPanel(QStringLiteral("panProp"), p.tshProposta);
    column(p.panProp);
    form->addWidget(p.panProp);
    p.pgcDados = new TPageControl(QStringLiteral("pgcDados"), p.tshProposta);
    form->addWidget(p.pgcDados, 1);
    p.tshDados = new TTabSheet(QStringLiteral("tshDados"), p.pgcDados, QStringLiteral("Linha de Produto"));
    p.tshServico = new TTabSheet(QStringLiteral("tshServico"), p.pgcDados, QStringLiteral("Serviço"));

    column(p.tshDados, 0);
    p.pgcDadosCont = new TPageControl(QStringLiteral("pgcDadosCont"), p.tshDados);
    p.tshDados->layout()->addWidget(p.pgcDadosCont);
    p.tshDadosCont = new TTabSheet(QStringLiteral("tshDadosCont"), p.pgcDadosCont, QStringLiteral("Folha de Dados (Grade)"));
    p.tshFormulario = new TTabSheet(QStringLiteral("tshFormulario"), p.pgcDadosCont, QStringLiteral("Formulário"));

    column(p.tshServico, 0);
    p.pgcServicoGeral = new TPageControl(QStringLiteral("pgcServicoGeral"), p.tshServico);
    p.tshServico->layout()->addWidget(p.pgcServicoGeral);
    p.tshServicoPrincipal = new TTabSheet(QStringLiteral("tshServicoPrincipal"), p.pgcServicoGeral, QStringLiteral("Serviço"));
    p.tshObjServico = new TTabSheet(QStringLiteral("tshObjServico"), p.pgcServicoGeral, QStringLiteral("Objetivo dos serviços"));

    p.tshSimulaLinp = new TTabSheet(QStringLiteral("tshSimulaLinp"), pgcPadrao, QStringLiteral("Simulação de linha de produto"));
    p.tshSimulaLinp->setTabVisible(false);  // reached through the menu
    p.tshTexto = new TTabSheet(QStringLiteral("tshTexto"), pgcPadrao, QStringLiteral("Texto"));
    p.tshObs = new TTabSheet(QStringLiteral("tshObs"), pgcPadrao, QStringLiteral("Observação"));
}

}  // namespace cot
