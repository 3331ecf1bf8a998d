// Regenerating the proposal's texts from the standard texts, bringing back the texts a
// regeneration replaced, and adding standard texts.
#include "base/dialogs.h"
#include "data/client_table.h"
#include "dialogs/texts/standard_text_dialog.h"
#include "proposal/area/child_table_save.h"
#include "proposal/texts/texts_area.h"
#include "rpc/net_connection.h"
#include "services/messages.h"
#include "ui/page_control.h"

namespace cot {

void TextsArea::reloadAfterServer() {
    if (!shown()) return;
    cdsMensagem->setData(host_.net().getPacket(QStringLiteral("GetMensagem"), {host_.key().nr, host_.key().ver}));
    host_.stateChanged();
}

void TextsArea::sbtRegeraTextoClick() {
    if (host_.messages().ShowMsg(QStringLiteral("Regera"), DialogType::Confirmation, mbYes | mbNo) != mrYes) return;
    // A change still waiting for the server goes first: the set the server keeps for the
    // undo is then the one the user sees.
    save_->send();
    // The server replaces the proposal's texts by the standard texts that apply.
    const ClientTable& p = host_.proposal();
    const auto value = [&p](const char* field) { return p[QString::fromLatin1(field)].asString(); };
    host_.net().callChecked(QStringLiteral("GerarTextoPadraoProp"),
                         {host_.key().nr, host_.key().ver, value("IDTIPOPROPFAS"), value("IDIDIOMA"), value("CDPROCOMERCI")});
    reloadAfterServer();
    Dialogs::current().information(host_.messages().Msg(QStringLiteral("Regera_OK")));
}

void TextsArea::sbtRestauraTextoClick() {
    if (host_.messages().ShowMsg(QStringLiteral("Restaura"), DialogType::Confirmation, mbYes | mbNo) != mrYes) return;
    save_->send();
    // Refused, with the server's reason, when no set of texts was ever replaced.
    host_.net().callChecked(QStringLiteral("RestauraTextoProp"), {host_.key().nr, host_.key().ver});
    reloadAfterServer();
    Dialogs::current().information(host_.messages().Msg(QStringLiteral("Restaura_OK")));
}

void TextsArea::sbtInsTextoClick() {
    // The dialog adds to what the server holds: a change it refused goes first.
    save_->send();
    // It writes on the server only; what it added is read back when it closes.
    Cli_cot05008::CriaInsTextoProp(reach_);
}

}  // namespace cot
