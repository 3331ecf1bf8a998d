// Checks and events of the proposal texts (cdsMensagem).
#include <QTextDocumentFragment>

#include "data/client_table.h"
#include "proposal/area/child_table_save.h"
#include "proposal/texts/texts_area.h"
#include "rpc/net_connection.h"
#include "services/consiste.h"
#include "services/messages.h"
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
        host_.showPage(host_.pages().tshTexto);
        if (dreMensagem->canFocus()) dreMensagem->setFocus();
        return;
    }
    // Moving the column from a check must not run the column-exit checks again.
    movingColumn_ = true;
    dbgDescProp->setSelectedField(field);
    movingColumn_ = false;
    if (dbgDescProp->canFocus() && !host_.hasFocus(dbgDescProp)) dbgDescProp->setFocus();
}

void TextsArea::Vd_Mensagem(bool report) {
    ClientTable& t = *cdsMensagem;
    const QString code = t[kCode].asString();
    if (code.trimmed().isEmpty()) {
        if (!report) return;
        focusField(kCode);
        Consiste::MensErro(host_.messages().Msg(QStringLiteral("Mens_Inf")));
    }
    cdsValidaMsg->setData(host_.net().getPacket(QStringLiteral("ValidaMsg"), {host_.key().nr, code, host_.key().ver}));
    if (!cdsValidaMsg->isEmpty()) {
        focusField(kCode);
        Consiste::MensErro(host_.messages().Msg(QStringLiteral("MSGJCAD")));
    }
}

void TextsArea::Vd_Ordem(bool report) {
    ClientTable& t = *cdsMensagem;
    if (t[kOrder].isNull()) {
        if (!report) return;
        focusField(kOrder);
        Consiste::MensErro(host_.messages().Msg(QStringLiteral("Ordem")));
    }
    cdsValidaOrdem->setData(host_.net().getPacket(QStringLiteral("ValidaOrdem"),
                                               {host_.key().nr, t[kOrder].asFloat(), t[kCode].asString(), host_.key().ver}));
    if (!cdsValidaOrdem->isEmpty()) {
        focusField(kOrder);
        Consiste::MensErro(host_.messages().Msg(QStringLiteral("ORDCAD")));
    }
}

void TextsArea::cdsMensagemBeforeEdit() {
    // What the row held when its edit began: an unchanged code or order is not checked
    // against itself.
    codeBeforeEdit_ = (*cdsMensagem)[kCode].asString();
    orderBeforeEdit_ = (*cdsMensagem)[kOrder].asString();
}

void TextsArea::cdsMensagemAfterInsert() {
    if (host_.hasFocus(dbgDescProp)) focusField(kCode);
    // The text is written in the editor beside the grid: going there keeps the new row.
    dbgDescProp->removeOption(dgCancelOnExit);
}

void TextsArea::cdsMensagemBeforePost() {
    ClientTable& t = *cdsMensagem;
    const bool inserting = t.state() == DataSetState::Insert;
    if (inserting || t[kOrder].asString() != orderBeforeEdit_) Vd_Ordem(true);
    if (inserting || t[kCode].asString() != codeBeforeEdit_) Vd_Mensagem(true);
    if (blankRichText(t[kText].asString())) {
        focusField(kText);
        Consiste::MensErro(host_.messages().Msg(QStringLiteral("Mensagem")));
    }
    if (t[kOrder].isNull()) {
        focusField(kOrder);
        Consiste::MensErro(host_.messages().Msg(QStringLiteral("Ordem")));
    }
    if (t.isEditing()) {
        t["NRPROPOSFAS"].setAsString(host_.key().nr);
        t["NRVERPROPFAS"].setAsString(host_.key().ver);
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
    host_.stateChanged();
}

}  // namespace cot
