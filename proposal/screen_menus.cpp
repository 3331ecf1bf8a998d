// Menu entries and the screen's own toolbar buttons.
#include <QHBoxLayout>

#include "proposal/proposal_screen.h"
#include "proposal/services_controller.h"
#include "proposal/texts_controller.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/menus.h"
#include "ui/page_control.h"

namespace cot {

void TfrmPropostaComercial::showPage(TTabSheet* page) {
    pgcPadrao->setActivePage(page);
}

void TfrmPropostaComercial::createMenus() {
    mnuOpcoes = mnuMenu->add(QStringLiteral("mnuOpcoes"), QStringLiteral("O&pções"));
    const auto item = [this](const char* name, const char* caption, const char* keys = nullptr) {
        TMenuItem* m = mnuOpcoes->add(QString::fromLatin1(name), QString::fromUtf8(caption));
        if (keys) m->setShortcut(QString::fromLatin1(keys));
        return m;
    };
    mnuProposta = item("mnuProposta", "&Proposta");
    mnuLinpProdGrade = item("mnuLinpProdGrade", "&Folha de Dados (Grade)");
    mnuLinnProdForm = item("mnuLinnProdForm", "Formu&lário");
    mnuServico = item("mnuServico", "&Serviço");
    mnuObjServico = item("mnuObjServico", "O&bjetivo dos serviços");
    mnuSimulacao = item("mnuSimulacao", "&Simulação");
    mnuTexto = item("mnuTexto", "&Texto");
    mnuObserv = item("mnuObserv", "&Observação");
    mnuFiltro = item("mnuFiltro", "&Filtrar", "Ctrl+L");
    mnuAprovacao = item("mnuAprovacao", "Ap&rovação", "Ctrl+R");
    mnuCopiar = item("mnuCopiar", "Copiar Propo&sta", "Ctrl+P");
    MododeProcessamento1 = item("MododeProcessamento1", "M&odo de Processamento", "Ctrl+O");
    mnuRegeraTexto = item("mnuRegeraTexto", "Re&gerar Texto da Proposta", "Ctrl+G");
    Comisso1 = item("Comisso1", "Co&missão", "Ctrl+M");

    // Toolbar buttons of the screen, each following its menu entry.
    auto* bar = static_cast<QHBoxLayout*>(panBotoes->layout());
    int at = bar->indexOf(sbtImprimir);
    const auto button = [&](const char* name, const char* hint, TMenuItem* mirror) {
        auto* b = new TSpeedButton(QString::fromLatin1(name), panBotoes, QString::fromUtf8(hint));
        b->setToolTip(QString::fromUtf8(hint));
        bar->insertWidget(at++, b);
        if (mirror) b->mirror(mirror);
        return b;
    };
    sbtFiltro = button("sbtFiltro", "Filtrar", mnuFiltro);
    sbtAprovacao = button("sbtAprovacao", "Aprovação", mnuAprovacao);
    sbtCopiar = button("sbtCopiar", "Copiar Proposta", mnuCopiar);
    sbtModoProc = button("sbtModoProc", "Modo de Processamento", MododeProcessamento1);
    sbtRegeraTexto = button("sbtRegeraTexto", "Regerar Texto da Proposta", mnuRegeraTexto);
    sbtcomissao = button("sbtcomissao", "Comissão", nullptr);
    Comisso1->setEnabled(false);
    sbtcomissao->setEnabled(false);

    // Page entries move to a page and then run its change handler.
    mnuProposta->onClick = [this] {
        showPage(tshPadrao);
        pgcPadraoChange();
    };
    // The inner pages are chosen before loading, so the load reads what they show.
    const auto servicePage = [this](TTabSheet* inner) {
        showPage(tshProposta);
        pgcDados->setActivePage(tshServico);
        pgcServicoGeral->setActivePage(inner);
        setActiveTable(inner == tshServicoPrincipal ? cdsServico : cdsObjServico);
        cdsPropostaAfterScroll();
        services->pgcServicoGeralChange();
    };
    const auto productLinePage = [this, servicePage](TTabSheet* inner) {
        if (servicoSomente()) return servicePage(tshServicoPrincipal);
        showPage(tshProposta);
        pgcDados->setActivePage(tshDados);
        pgcDadosCont->setActivePage(inner);
        cdsPropostaAfterScroll();
        pgcDadosContChange();
    };
    mnuLinpProdGrade->onClick = [=, this] { productLinePage(tshDadosCont); };
    mnuLinnProdForm->onClick = [=, this] { productLinePage(tshFormulario); };
    mnuServico->onClick = [=, this] { servicePage(tshServicoPrincipal); };
    mnuObjServico->onClick = [=, this] { servicePage(tshObjServico); };
    const auto simplePage = [this](TTabSheet* page) {
        showPage(page);
        pgcPadraoChange();
    };
    mnuSimulacao->onClick = [=, this] { simplePage(tshSimulaLinp); };
    mnuTexto->onClick = [=, this] { simplePage(tshTexto); };
    mnuObserv->onClick = [=, this] { simplePage(tshObs); };

    mnuFiltro->onClick = sbtFiltro->onClick = [this] { sbtFiltroClick(); };
    mnuAprovacao->onClick = sbtAprovacao->onClick = [this] { sbtAprovacaoClick(); };
    mnuCopiar->onClick = sbtCopiar->onClick = [this] { sbtCopiarClick(); };
    MododeProcessamento1->onClick = sbtModoProc->onClick = [this] { sbtModoProcClick(); };
    mnuRegeraTexto->onClick = sbtRegeraTexto->onClick = [this] { texts->sbtRegeraTextoClick(); };
}

}  // namespace cot
