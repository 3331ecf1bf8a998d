// Checks and events of the proposal texts (cdsMensagem).
#include <QTextDocumentFragment>

#include "data/client_table.h"
#include "proposal/area/child_table_save.h"
#include "proposal/screen/cli_cot05000.h"
#include "proposal/screen/proposal_screen.h"
#include "proposal/texts/texts_area.h"
#include "services/consiste.h"
#include "ui/db_grid.h"
#include "ui/page_control.h"
#include "ui/rich_edit.h"

namespace cot {

namespace {

const QString kCode = QStringLiteral("CDTXTPROPFAS");
const QString kOrder = QStringLiteral("NRORDEMMSG");
const QString kText = QStringLiteral("TXPROPFAS");

// Whether a stored rich text shows nothing but blanks (formatting alone is no text).
bool blankRichText(const QString& stored) {
    return QTextDocumentFragment::fromHtml(stored).toPlainText().trimmed().isEmpty();
}

}  // namespace

void TextsArea::focusField(const QString& field) {
    if (field == kText) {
        s_.showPage(s_.pages().tshTexto);
        if (dreMensagem->canFocus()) dreMensagem->setFocus();
        return;
    }
    // Moving the column from a check must not run the column-exit checks again.
    movingColumn_ = true;
    dbgDescProp->setSelectedField(field);
    movingColumn_ = false;
    if (dbgDescProp->canFocus() && !s_.hasFocus(dbgDescProp)) dbgDescProp->setFocus();
}

void TextsArea::Vd_Mensagem(bool report) {
    ClientTable& t = *cdsMensagem;
    const QString code = t[kCode].asString();
    if (code.trimmed().isEmpty()) {
        if (!report) return;
        focusField(kCode);
        Consiste::MensErro(s_.msgPadrao.Msg(QStringLiteral("Mens_Inf")));
    }
    cdsValidaMsg->setData(s_.net().getPacket(QStringLiteral("ValidaMsg"), {s_.NR(), code, s_.VER()}));
    if (!cdsValidaMsg->isEmpty()) {
        focusField(kCode);
        Consiste::MensErro(s_.msgPadrao.Msg(QStringLiteral("MSGJCAD")));
    }
}

void TextsArea::Vd_Ordem(bool report) {
    ClientTable& t = *cdsMensagem;
    if (t[kOrder].isNull()) {
        if (!report) return;
        focusField(kOrder);
        Consiste::MensErro(s_.msgPadrao.Msg(QStringLiteral("Ordem")));
    }
    cdsValidaOrdem->setData(s_.net().getPacket(QStringLiteral("ValidaOrdem"),
                                               {s_.NR(), t[kOrder].asFloat(), t[kCode].asString(), s_.VER()}));
    if (!cdsValidaOrdem->isEmpty()) {
        focusField(kOrder);
        Consiste::MensErro(s_.msgPadrao.Msg(QStringLiteral("ORDCAD")));
    }
}

void TextsArea::cdsMensagemBeforeEdit() {
    // What the row held when its edit began: an unchanged code or order is not checked
    // against itself.
    Cli_cot05000::stCdMens = (*cdsMensagem)[kCode].asString();
    Cli_cot05000::stOrdemMens = (*cdsMensagem)[kOrder].asString();
}

void TextsArea::cdsMensagemAfterInsert() {
    if (s_.hasFocus(dbgDescProp)) focusField(kCode);
    // The text is written in the editor beside the grid: going there keeps the new row.
    dbgDescProp->removeOption(dgCancelOnExit);
}

void TextsArea::cdsMensagemBeforePost() {
    ClientTable& t = *cdsMensagem;
    const bool inserting = t.state() == DataSetState::Insert;
    if (inserting || t[kOrder].asString() != Cli_cot05000::stOrdemMens) Vd_Ordem(true);
    if (inserting || t[kCode].asString() != Cli_cot05000::stCdMens) Vd_Mensagem(true);
    if (blankRichText(t[kText].asString())) {
        focusField(kText);
        Consiste::MensErro(s_.msgPadrao.Msg(QStringLiteral("Mensagem")));
    }
    if (t[kOrder].isNull()) {
        focusField(kOrder);
        Consiste::MensErro(s_.msgPadrao.Msg(QStringLiteral("Ordem")));
    }
    if (t.isEditing()) {
        t["NRPROPOSFAS"].setAsString(s_.NR());
        t["NRVERPROPFAS"].setAsString(s_.VER());
    }
}

void TextsArea::cdsMensagemAfterPost() {
    // The row is stored locally whatever the server says: blank new rows are dropped on
    // leaving the grid again.
    dbgDescProp->addOption(dgCancelOnExit);
    save_->send();
}

void TextsArea::cdsMensagemAfterCancel() {
    cdsMensagem->cancelUpdates();
    dbgDescProp->addOption(dgCancelOnExit);
    s_.dtsPadraoStateChange();
}

}  // namespace cot
