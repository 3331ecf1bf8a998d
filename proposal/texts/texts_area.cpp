#include "proposal/texts/texts_area.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "data/client_table.h"
#include "data/data_source.h"
#include "proposal/area/area_layout.h"
#include "proposal/area/area_support.h"
#include "proposal/area/child_table_save.h"
#include "proposal/texts/text_tables.h"
#include "rpc/net_connection.h"
#include "services/messages.h"
#include "services/session.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/db_grid.h"
#include "ui/format_panel.h"
#include "ui/page_control.h"
#include "ui/rich_edit.h"

namespace cot {

using area_support::currentText;
using namespace layout;

TextsArea::TextsArea(AreaHost& host, ProposalReach& reach) : ProposalArea(host), reach_(reach) {
    cdsMensagem = area_support::table(&host_.dialogParent(), "cdsMensagem");
    cdsValidaOrdem = area_support::table(&host_.dialogParent(), "cdsValidaOrdem");
    cdsValidaMsg = area_support::table(&host_.dialogParent(), "cdsValidaMsg");
    cdsPesqMsg = area_support::table(&host_.dialogParent(), "cdsPesqMsg");
    text_tables::messageFields(*cdsMensagem);
    text_tables::standardTextFields(*cdsPesqMsg);
    text_tables::checkFields(*cdsValidaMsg, true);
    text_tables::checkFields(*cdsValidaOrdem, false);
    dtsMensagem = area_support::source(&host_.dialogParent(), "dtsMensagem", cdsMensagem);
    dtsPesqMsg = area_support::source(&host_.dialogParent(), "dtsPesqMsg", cdsPesqMsg);

    save_ = std::make_unique<ChildTableSave>(host_.net(), *cdsMensagem, QStringLiteral("SetMensagem"));
    save_->afterSend = [this] {
        Session::instance().markTablesChanged({QStringLiteral("TXTPROPFAS")});
        // Nothing pending any more: the entries held back for it come back.
        host_.stateChanged();
    };
    host_.registerSave(save_.get());
    ClientTable& t = *cdsMensagem;
    t.beforeEdit = [this](ClientTable&) { cdsMensagemBeforeEdit(); };
    t.afterInsert = [this](ClientTable&) { cdsMensagemAfterInsert(); };
    t.beforePost = [this](ClientTable&) { cdsMensagemBeforePost(); };
    t.afterPost = [this](ClientTable&) { cdsMensagemAfterPost(); };
    t.afterDelete = [this](ClientTable&) { save_->send(); };
    t.afterCancel = [this](ClientTable&) { cdsMensagemAfterCancel(); };
}

TextsArea::~TextsArea() {
    ClientTable& t = *cdsMensagem;
    for (ClientTable::Event* e : {&t.beforeEdit, &t.afterInsert, &t.beforePost, &t.afterPost, &t.afterDelete,
                                    &t.afterCancel})
        *e = nullptr;
}

bool TextsArea::shown() const { return host_.pages().pgcPadrao->activePage() == host_.pages().tshTexto; }

bool TextsArea::proposalShown() const { return host_.proposal().active() && !host_.proposal().isEmpty(); }

void TextsArea::build() {
    cdsMensagem->createDataSet();
    // Codes come from the standard texts' lookup: typed only in a new row.
    (*cdsMensagem)["CDTXTPROPFAS"].tag = 1;
    TTabSheet* page = host_.pages().tshTexto;
    auto* textPage = row(page);
    grbDescProp = new TGroupBox(QStringLiteral("grbDescProp"), page, QStringLiteral("Descrição da Proposta"));
    auto* texts = column(grbDescProp, 2);
    auto* buttons = new QHBoxLayout;
    const auto button = [&](const char* name, const char* key) {
        const QString caption = host_.messages().Msg(QString::fromLatin1(key));
        auto* b = new TSpeedButton(QString::fromLatin1(name), grbDescProp, caption);
        b->setToolTip(caption);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        buttons->addWidget(b);
        return b;
    };
    sbtInsTexto = button("sbtInsTexto", "InsTexto");
    sbtRestauraTexto = button("sbtRestauraTexto", "RestTexto");
    buttons->addStretch();
    texts->addLayout(buttons);
    dbgDescProp = grid("dbgDescProp", grbDescProp, dtsMensagem, false);
    dbgDescProp->setOptions(dgEditing | dgTitles | dgColumnResize | dgColLines | dgRowLines | dgTabs | dgConfirmDelete |
                            dgCancelOnExit);
    dbgDescProp->addColumn(QStringLiteral("CDTXTPROPFAS"));
    dbgDescProp->addColumn(QStringLiteral("NRORDEMMSG"), {}, 60);
    textPage->addWidget(grbDescProp, 1);
    auto* textSide = new QWidget(page);
    auto* textColumn = column(textSide, 0);
    fpnDesc = new TFormatPanel(QStringLiteral("fpnDesc"), textSide);
    dreMensagem = new TDBRichEdit(QStringLiteral("dreMensagem"), textSide);
    dreMensagem->setDataSource(dtsMensagem);
    dreMensagem->setDataField(QStringLiteral("TXPROPFAS"));
    textColumn->addWidget(fpnDesc);
    textColumn->addWidget(dreMensagem, 1);
    textPage->addWidget(textSide, 3);
}

void TextsArea::route() {
    dbgDescProp->onEnter = [this] { host_.setActiveTable(cdsMensagem); };
    dreMensagem->onEnter = [this] {
        host_.setActiveTable(cdsMensagem);
        if (!fpnDesc->editor()) fpnDesc->setEditor(dreMensagem);
    };
    dbgDescProp->onColExit = [this] { dbgDescPropColExit(); };
    dbgDescProp->onEditButtonClick = [this] { dbgDescPropEditButtonClick(); };
    dbgDescProp->onKeyPress = [this](QChar& key) { dbgDescPropKeyPress(key); };
    dbgDescProp->onKeyDown = [this](int& key, Qt::KeyboardModifiers m) { dbgDescPropKeyDown(key, m); };
    sbtInsTexto->onClick = [this] { sbtInsTextoClick(); };
    sbtRestauraTexto->onClick = [this] { sbtRestauraTextoClick(); };
}

void TextsArea::load(const ProposalKey& key) {
    if (!shown()) return;
    // Keep the current text when it is still there.
    const QString code = currentText(*cdsMensagem, QStringLiteral("CDTXTPROPFAS"));
    const QVariant order =
        cdsMensagem->active() && !cdsMensagem->isEmpty() ? (*cdsMensagem)["NRORDEMMSG"].value() : QVariant();
    cdsMensagem->setData(host_.net().getPacket(QStringLiteral("GetMensagem"), {key.nr, key.ver}));
    if (!code.isEmpty()) cdsMensagem->locate(QStringLiteral("CDTXTPROPFAS;NRORDEMMSG"), {code, order}, loCaseInsensitive);
}

void TextsArea::reloadShown() {
    if (!shown() || cdsMensagem->isEditing()) return;
    // What is pending goes first, as on any reload.
    save_->send();
    load(host_.key());
    host_.stateChanged();
}

void TextsArea::pageShown() {
    if (!shown()) return;
    host_.setActiveTable(cdsMensagem);
    if (dbgDescProp->canFocus()) dbgDescProp->setFocus();
}

void TextsArea::enable(MaintenanceEnabling& e) {
    const auto lookupButton = [this](ColumnButtonStyle style) {
        if (TColumn* c = dbgDescProp->columnOf(QStringLiteral("CDTXTPROPFAS")); c && c->buttonStyle != style) {
            c->buttonStyle = style;
            dbgDescProp->columnsChanged();
        }
    };
    if (cdsMensagem->isEditing()) {
        e.incluir = e.alterar = e.excluir = e.procurar = e.verificar = false;
        e.cancelar = e.confirmar = true;
        e.regeraTexto = false;
        lookupButton(ColumnButtonStyle::Ellipsis);
    } else if (cdsMensagem->state() == DataSetState::Browse) {
        // Texts belong to a proposal: with none listed there is nothing to add them to.
        const bool proposal = proposalShown();
        const bool rows = !cdsMensagem->isEmpty();
        e.incluir = proposal;
        e.verificar = true;
        e.alterar = e.excluir = e.procurar = rows;
        e.cancelar = e.confirmar = false;
        // Regenerating replaces what the server holds: never over a change it refused.
        e.regeraTexto = proposal && !save_->pending();
        lookupButton(ColumnButtonStyle::Auto);
    }
    settleControls();
}

void TextsArea::updateEditors() { settleControls(); }

void TextsArea::settleControls() {
    // The text is written into the current row: without one there is nothing to edit.
    const bool row = cdsMensagem->isEditing() || (cdsMensagem->active() && !cdsMensagem->isEmpty());
    if (dreMensagem->readOnly() == row) dreMensagem->setReadOnly(!row);
    fpnDesc->setEnabled(row);
    // The page's own buttons: between edits only, never over a change the server refused.
    const bool on = proposalShown() && cdsMensagem->state() == DataSetState::Browse && !save_->pending();
    sbtInsTexto->setEnabled(on);
    sbtRestauraTexto->setEnabled(on);
}


void TextsArea::verify(QStringList& kept) {
    if (shown() && host_.hasFocus(dbgDescProp) && area_support::reloadable(host_, {cdsMensagem}, name(), kept))
        load(host_.key());
}

}  // namespace cot
