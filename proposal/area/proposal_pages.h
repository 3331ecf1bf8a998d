#pragma once
// The pages and menus of the proposal screen that its areas build into and enable.

namespace cot {

class TDBGrid;
class TMenuItem;
class TPageControl;
class TPanel;
class TSpeedButton;
class TTabSheet;

// Pages of the screen, built by the screen; the areas fill the form's.
struct ProposalPages {
    TPageControl* pgcPadrao = nullptr;  // the list page and the form page
    TTabSheet* tshPadrao = nullptr;     // the list page
    TDBGrid* dbgPadrao = nullptr;       // the list's grid
    TTabSheet* tshProposta = nullptr;  // "Formulário": header panel and pgcDados
    TPanel* panProp = nullptr;         // header panel
    TPageControl* pgcDados = nullptr;
    TTabSheet *tshDados = nullptr, *tshServico = nullptr;
    TPageControl* pgcDadosCont = nullptr;
    TTabSheet *tshDadosCont = nullptr, *tshFormulario = nullptr;
    TPageControl* pgcServicoGeral = nullptr;
    TTabSheet *tshServicoPrincipal = nullptr, *tshObjServico = nullptr;
    TTabSheet *tshSimulaLinp = nullptr, *tshTexto = nullptr, *tshObs = nullptr;
};

// The screen's option menu and its own toolbar buttons (the maintenance ones are the base's).
struct ProposalMenus {
    TMenuItem* mnuOpcoes = nullptr;
    TMenuItem *mnuProposta = nullptr, *mnuLinpProdGrade = nullptr, *mnuLinnProdForm = nullptr;
    TMenuItem *mnuServico = nullptr, *mnuObjServico = nullptr, *mnuSimulacao = nullptr;
    TMenuItem *mnuTexto = nullptr, *mnuObserv = nullptr, *mnuFiltro = nullptr, *mnuAprovacao = nullptr;
    TMenuItem *mnuCopiar = nullptr, *MododeProcessamento1 = nullptr, *mnuRegeraTexto = nullptr, *Comisso1 = nullptr;
    // The client's side: sending, the lost mark, versions side by side and the history.
    TMenuItem *mnuEnviarCliente = nullptr, *mnuPerdida = nullptr, *mnuCompararVersoes = nullptr, *mnuHistorico = nullptr;
    TMenuItem *mnuPainel = nullptr, *mnuExportar = nullptr;  // the manager's pipeline; the list to a file
    TSpeedButton *sbtFiltro = nullptr, *sbtAprovacao = nullptr, *sbtCopiar = nullptr, *sbtModoProc = nullptr;
    TSpeedButton *sbtRegeraTexto = nullptr, *sbtcomissao = nullptr;
    // The client's side and the list, on the toolbar as in the menu.
    TSpeedButton *sbtEnviarCliente = nullptr, *sbtCompararVersoes = nullptr, *sbtHistorico = nullptr;
    TSpeedButton *sbtPainel = nullptr, *sbtExportar = nullptr;
};

}  // namespace cot
