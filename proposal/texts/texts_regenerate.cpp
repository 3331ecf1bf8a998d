// Regenerating the proposal's texts from the standard texts, bringing back the texts a
// regeneration replaced, and adding standard texts.
#include "base/dialogs.h"
#include "data/client_table.h"
#include "dialogs/texts/standard_text_dialog.h"
#include "proposal/area/child_table_save.h"
#include "proposal/screen/proposal_screen.h"
#include "proposal/texts/texts_area.h"
#include "ui/page_control.h"

namespace cot {

void TextsArea::reloadAfterServer() {
    if (!shown()) return;
    cdsMensagem->setData(s_.net().getPacket(QStringLiteral("GetMensagem"), {s_.NR(), s_.VER()}));
    s_.dtsPadraoStateChange();
}

void TextsArea::sbtRegeraTextoClick() {
    if (s_.msgPadrao.ShowMsg(QStringLiteral("Regera"), DialogType::Confirmation, mbYes | mbNo) != mrYes) return;
    // A change still waiting for the server goes first: the set the server keeps for the
    // undo is then the one the user sees.
    save_->send();
    // The server replaces the proposal's texts by the standard texts that apply.
    const ClientTable& p = s_.proposal();
    const auto value = [&p](const char* field) { return p[QString::fromLatin1(field)].asString(); };
    s_.net().callChecked(QStringLiteral("GerarTextoPadraoProp"),
                         {s_.NR(), s_.VER(), value("IDTIPOPROPFAS"), value("IDIDIOMA"), value("CDPROCOMERCI")});
    reloadAfterServer();
    Dialogs::current().information(s_.msgPadrao.Msg(QStringLiteral("Regera_OK")));
}

void TextsArea::sbtRestauraTextoClick() {
    if (s_.msgPadrao.ShowMsg(QStringLiteral("Restaura"), DialogType::Confirmation, mbYes | mbNo) != mrYes) return;
    save_->send();
    // Refused, with the server's reason, when no set of texts was ever replaced.
    s_.net().callChecked(QStringLiteral("RestauraTextoProp"), {s_.NR(), s_.VER()});
    reloadAfterServer();
    Dialogs::current().information(s_.msgPadrao.Msg(QStringLiteral("Restaura_OK")));
}

void TextsArea::sbtInsTextoClick() {
    // The dialog adds to what the server holds: a change it refused goes first.
    save_->send();
    // It writes on the server only; what it added is read back when it closes.
    Cli_cot05008::CriaInsTextoProp(s_);
}

}  // namespace cot
