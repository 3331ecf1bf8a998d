// Entries of the Pkg_cot05000 module, exported with C linkage for LoadBPL.
#include <QVariantList>

#include "approval/confirmation/acceptance_confirmation.h"
#include "approval/dialog/approval_dialog.h"
#include "base/errors.h"
#include "dialogs/attachments/attachments_dialog.h"
#include "dialogs/copy/copy_dialog.h"
#include "dialogs/filter_reload.h"
#include "dialogs/mode/mode_window.h"
#include "dialogs/report/report_launcher.h"
#include "dialogs/systems/systems_dialog.h"
#include "dialogs/texts/standard_text_dialog.h"
#include "module/module_factories.h"
#include "proposal/screen/proposal_screen.h"

#define COT_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// The open proposal screen, which the dialogs' entries work on.
cot::TfrmPropostaComercial& openScreen() {
    cot::TfrmPropostaComercial* screen = cot::Cli_cot05000::proposalScreen();
    if (!screen) throw cot::UserError(QStringLiteral("A tela de propostas não está aberta."));
    return *screen;
}

}  // namespace

// Package load: the reports the module prints.
COT_MODULE_EXPORT void Initialize() { cot::Cli_cot05001::registerReports(); }

// Nothing of the module may outlive its code: screens still open are freed first.
COT_MODULE_EXPORT void Finalize() { cot::Cli_cot05000::releaseAll(); }

// The module's generic entry: the proposal screen. Exceptions pass on to the host.
COT_MODULE_EXPORT void IniProc(const QVariantList* /*params*/) { cot::Cli_cot05000::CriaProposta(); }

COT_MODULE_EXPORT void CriaProposta() { cot::Cli_cot05000::CriaProposta(); }

COT_MODULE_EXPORT void CriaFiltroPropComercial() { cot::Cli_cot05002::CriaFiltroPropComercial(openScreen()); }

COT_MODULE_EXPORT void CriaIncluServ(bool inserting) { cot::Cli_cot05005::CriaSistemasLinha(openScreen(), inserting); }

COT_MODULE_EXPORT void CriaInsTextoProp() { cot::Cli_cot05008::CriaInsTextoProp(openScreen()); }

COT_MODULE_EXPORT void CriaCopiaProposta() { cot::Cli_cot05004::CriaCopiaProposta(openScreen()); }

// The picture belongs to the screen when one is open, else it is shown on its own.
COT_MODULE_EXPORT void CriaModoProc() { cot::Cli_cot05009::CriaModoProc(cot::Cli_cot05000::proposalScreen()); }

COT_MODULE_EXPORT void CriaRelPropostaComercial() { cot::Cli_cot05001::CriaRelPropostaComercial(openScreen()); }

// The attachments dialog for the attachment popup's entry `stTag`.
COT_MODULE_EXPORT void CriaAnexoProposta(int stTag) { cot::Cli_cot05010::CriaAnexoProposta(openScreen(), stTag); }

COT_MODULE_EXPORT void CriaAprovacao() { cot::Cli_cot05003::CriaAprovacao(openScreen()); }

// The acceptance confirmation over the caller's table, `params` being [table reference,
// text]. Returns the answer (6 yes, 7 no, anything else no).
COT_MODULE_EXPORT int CriaConfAceite(const QVariantList* params) {
    return params ? cot::Cli_cot05006::IniProc(*params) : 0;
}
