// Menu entries and the screen's own toolbar buttons.
#include <QAction>

#include "approval/approval_checks.h"
#include "dialogs/compare/version_compare_launch.h"
#include "dialogs/export/list_export.h"
#include "dialogs/history/history_launch.h"
#include "dialogs/lost/lost_launch.h"
#include "dialogs/pipeline/pipeline_launch.h"
#include "dialogs/send/send_launch.h"
#include "proposal/product_lines/product_line_area.h"
#include "proposal/screen/proposal_list_status.h"
#include "proposal/screen/proposal_screen.h"
#include "proposal/screen/toolbar_dialogs.h"
#include "proposal/services/service_objective_area.h"
#include "proposal/services/services_area.h"
#include "proposal/texts/texts_area.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/flow_layout.h"
#include "ui/menus.h"
#include "ui/page_control.h"

namespace cot {

void TfrmPropostaComercial::createMenus() {
    ProposalMenus& m = menus_;
    m.mnuOpcoes = mnuMenu->add(QStringLiteral("mnuOpcoes"), QStringLiteral("O&pções"));
    const auto item = [&m](const char* name, const char* caption, const char* keys = nullptr) {
        TMenuItem* entry = m.mnuOpcoes->add(QString::fromLatin1(name), QString::fromUtf8(caption));
        if (keys) entry->setShortcut(QString::fromLatin1(keys));
        return entry;
    };
    m.mnuProposta = item("mnuProposta", "&Proposta");
    m.mnuLinpProdGrade = item("mnuLinpProdGrade", "&Folha de Dados (Grade)");
    m.mnuLinnProdForm = item("mnuLinnProdForm", "Formu&lário");
    m.mnuServico = item("mnuServico", "&Serviço");
    m.mnuObjServico = item("mnuObjServico", "O&bjetivo dos serviços");
    m.mnuSimulacao = item("mnuSimulacao", "&Simulação");
    m.mnuTexto = item("mnuTexto", "&Texto");
    m.mnuObserv = item("mnuObserv", "&Observação");
    m.mnuFiltro = item("mnuFiltro", "&Filtrar", "Ctrl+L");
    m.mnuAprovacao = item("mnuAprovacao", "Ap&rovação", "Ctrl+R");
    m.mnuCopiar = item("mnuCopiar", "Copiar Propo&sta", "Ctrl+P");
    m.MododeProcessamento1 = item("MododeProcessamento1", "M&odo de Processamento", "Ctrl+O");
    m.mnuRegeraTexto = item("mnuRegeraTexto", "Re&gerar Texto da Proposta", "Ctrl+G");
    m.Comisso1 = item("Comisso1", "Co&missão", "Ctrl+M");
    m.mnuEnviarCliente = item("mnuEnviarCliente", "&Enviar ao Cliente", "Ctrl+Shift+E");
    m.mnuPerdida = item("mnuPerdida", "Marcar como Per&dida");
    m.mnuCompararVersoes = item("mnuCompararVersoes", "Comparar &Versões", "Ctrl+Shift+C");
    m.mnuHistorico = item("mnuHistorico", "&Histórico", "Ctrl+Shift+H");
    m.mnuPainel = item("mnuPainel", "Painel de Propostas", "Ctrl+Shift+P");
    m.mnuExportar = item("mnuExportar", "E&xportar Lista", "Ctrl+Shift+X");

    // Toolbar buttons of the screen, each following its menu entry.
    auto* bar = static_cast<FlowLayout*>(panBotoes->layout());
    int at = bar->indexOf(sbtImprimir);
    const auto button = [&](const char* name, const char* hint, TMenuItem* mirror) {
        auto* b = new TSpeedButton(QString::fromLatin1(name), panBotoes, QString::fromUtf8(hint));
        b->setToolTip(QString::fromUtf8(hint));
        bar->insertWidget(at++, b);
        if (mirror) b->mirror(mirror);
        return b;
    };
    m.sbtFiltro = button("sbtFiltro", "Filtrar", m.mnuFiltro);
    m.sbtAprovacao = button("sbtAprovacao", "Aprovação", m.mnuAprovacao);
    m.sbtCopiar = button("sbtCopiar", "Copiar Proposta", m.mnuCopiar);
    m.sbtModoProc = button("sbtModoProc", "Modo de Processamento", m.MododeProcessamento1);
    m.sbtRegeraTexto = button("sbtRegeraTexto", "Regerar Texto da Proposta", m.mnuRegeraTexto);
    m.sbtcomissao = button("sbtcomissao", "Comissão", nullptr);
    // These run their menu entry itself: one handler, one shortcut, one enabled state.
    const auto entryButton = [&](const char* name, const char* hint, TMenuItem* entry) {
        TSpeedButton* b = button(name, hint, entry);
        // A short caption on the bar; the entry's own words and its shortcut in the tip.
        b->setToolTip(QStringLiteral("%1 (%2)").arg(entry->caption().remove(QLatin1Char('&')),
                                                    entry->shortcut().toString(QKeySequence::NativeText)));
        b->onClick = [entry] { entry->click(); };
        return b;
    };
    m.sbtEnviarCliente = entryButton("sbtEnviarCliente", "Enviar", m.mnuEnviarCliente);
    m.sbtCompararVersoes = entryButton("sbtCompararVersoes", "Comparar", m.mnuCompararVersoes);
    m.sbtHistorico = entryButton("sbtHistorico", "Histórico", m.mnuHistorico);
    m.sbtPainel = entryButton("sbtPainel", "Painel", m.mnuPainel);
    m.sbtExportar = entryButton("sbtExportar", "Exportar", m.mnuExportar);
    // Entries whose dialogs come with later work stay off, saying why.
    const QString later = msgPadrao.Msg(QStringLiteral("AREAINDISP"));
    m.Comisso1->setEnabled(false);
    m.Comisso1->action()->setStatusTip(later);
    for (QWidget* w : {static_cast<QWidget*>(m.sbtcomissao), static_cast<QWidget*>(sbtAjuda)}) {
        w->setEnabled(false);
        w->setStatusTip(later);
        w->setToolTip(later);
    }

    // Page entries move to a page and then run its change handler.
    m.mnuProposta->onClick = [this] {
        showPage(tshPadrao);
        pgcPadraoChange();
    };
    // The inner pages are chosen before loading, so the load reads what they show.
    const auto servicePage = [this](TTabSheet* inner) {
        showPage(pages_.tshProposta);
        pages_.pgcDados->setActivePage(pages_.tshServico);
        pages_.pgcServicoGeral->setActivePage(inner);
        pgcServicoGeralChange();
    };
    const auto productLinePage = [this, servicePage](TTabSheet* inner) {
        if (servicoSomente()) return servicePage(pages_.tshServicoPrincipal);
        showPage(pages_.tshProposta);
        pages_.pgcDados->setActivePage(pages_.tshDados);
        pages_.pgcDadosCont->setActivePage(inner);
        cdsPropostaAfterScroll();
        pgcDadosContChange();
    };
    m.mnuLinpProdGrade->onClick = [=, this] { productLinePage(pages_.tshDadosCont); };
    m.mnuLinnProdForm->onClick = [=, this] { productLinePage(pages_.tshFormulario); };
    m.mnuServico->onClick = [=, this] { servicePage(pages_.tshServicoPrincipal); };
    m.mnuObjServico->onClick = [=, this] { servicePage(pages_.tshObjServico); };
    const auto simplePage = [this](TTabSheet* page) {
        showPage(page);
        pgcPadraoChange();
    };
    m.mnuSimulacao->onClick = [=, this] { simplePage(pages_.tshSimulaLinp); };
    m.mnuTexto->onClick = [=, this] { simplePage(pages_.tshTexto); };
    m.mnuObserv->onClick = [=, this] { simplePage(pages_.tshObs); };
    m.mnuFiltro->onClick = m.sbtFiltro->onClick = [this] { sbtFiltroClick(); };
    // Enabled by the texts' enabling, on the texts page only.
    m.mnuRegeraTexto->onClick = m.sbtRegeraTexto->onClick = [this] { (*textsArea_).sbtRegeraTextoClick(); };
    m.mnuCopiar->onClick = m.sbtCopiar->onClick = [this] { toolbar_dialogs::sbtCopiarClick(*this); };
    m.MododeProcessamento1->onClick = m.sbtModoProc->onClick = [this] { toolbar_dialogs::sbtModoProcClick(*this); };
    sbtImprimir->onClick = [this] { toolbar_dialogs::sbtImprimirClick(*this); };
    m.mnuAprovacao->onClick = m.sbtAprovacao->onClick = [this] { approval_launch::sbtAprovacaoClick(*this); };
    m.mnuEnviarCliente->onClick = [this] { openSendToClient(*this); };
    m.mnuPerdida->onClick = [this] { openMarkLost(*this); };
    m.mnuCompararVersoes->onClick = [this] { openVersionCompare(*this); };
    m.mnuHistorico->onClick = [this] { openProposalHistory(*this); };
    m.mnuPainel->onClick = [this] { openPipeline(*this); };
    // The pictures go out as the status words the pipeline also uses.
    m.mnuExportar->onClick = [this] { exportProposalList(*this, *dbgPadrao, listPictureWords(*cdsProposta)); };
}

}  // namespace cot
