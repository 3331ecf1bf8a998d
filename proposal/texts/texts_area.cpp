#include "proposal/texts/texts_area.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "data/client_dataset.h"
#include "proposal/area/area_support.h"
#include "proposal/proposal_screen.h"
#include "proposal/screen_layout.h"
#include "proposal/texts/text_tables.h"
#include "ui/containers.h"
#include "ui/db_grid.h"
#include "ui/format_panel.h"
#include "ui/page_control.h"
#include "ui/rich_edit.h"

namespace cot {

using area_support::currentText;
using namespace layout;

TextsArea::TextsArea(TfrmPropostaComercial& screen) : ProposalArea(screen) {
    cdsMensagem = area_support::table(&s_, "cdsMensagem");
    cdsValidaOrdem = area_support::table(&s_, "cdsValidaOrdem");
    cdsValidaMsg = area_support::table(&s_, "cdsValidaMsg");
    cdsPesqMsg = area_support::table(&s_, "cdsPesqMsg");
    text_tables::messageFields(*cdsMensagem);
    text_tables::standardTextFields(*cdsPesqMsg);
    text_tables::checkFields(*cdsValidaMsg, true);
    text_tables::checkFields(*cdsValidaOrdem, false);
    dtsMensagem = area_support::source(&s_, "dtsMensagem", cdsMensagem);
}

QList<QWidget*> TextsArea::controls() const { return {dbgDescProp, fpnDesc, dreMensagem}; }

bool TextsArea::shown() const { return s_.pgcPadrao->activePage() == s_.pages().tshTexto; }

void TextsArea::build() {
    cdsMensagem->createDataSet();
    // Codes come from the standard texts' lookup, never typed.
    (*cdsMensagem)["CDTXTPROPFAS"].tag = 1;
    TTabSheet* page = s_.pages().tshTexto;
    auto* textPage = row(page);
    grbDescProp = new TGroupBox(QStringLiteral("grbDescProp"), page, QStringLiteral("Descrição da Proposta"));
    column(grbDescProp, 2);
    dbgDescProp = grid("dbgDescProp", grbDescProp, dtsMensagem, false);
    dbgDescProp->setOptions(dgEditing | dgTitles | dgColumnResize | dgColLines | dgRowLines | dgTabs | dgConfirmDelete |
                            dgCancelOnExit);
    dbgDescProp->addColumn(QStringLiteral("CDTXTPROPFAS"));
    dbgDescProp->addColumn(QStringLiteral("NRORDEMMSG"));
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
    dbgDescProp->onEnter = [this] { s_.setActiveTable(cdsMensagem); };
    dreMensagem->onEnter = [this] {
        s_.setActiveTable(cdsMensagem);
        if (!fpnDesc->editor()) fpnDesc->setEditor(dreMensagem);
    };
}

void TextsArea::load(const ProposalKey& key) {
    if (!shown()) return;
    // Keep the current text when it is still there.
    const QString code = currentText(*cdsMensagem, QStringLiteral("CDTXTPROPFAS"));
    const QVariant order =
        cdsMensagem->active() && !cdsMensagem->isEmpty() ? (*cdsMensagem)["NRORDEMMSG"].value() : QVariant();
    cdsMensagem->setData(s_.net().getPacket(QStringLiteral("GetMensagem"), {key.nr, key.ver}));
    if (!code.isEmpty()) cdsMensagem->locate(QStringLiteral("CDTXTPROPFAS;NRORDEMMSG"), {code, order}, loCaseInsensitive);
}

void TextsArea::pageShown() {
    if (!shown()) return;
    s_.setActiveTable(cdsMensagem);
    if (dbgDescProp->canFocus()) dbgDescProp->setFocus();
}

void TextsArea::enable(MaintenanceEnabling& e) {
    const auto lookupButton = [this](ColumnButtonStyle style) {
        if (TColumn* c = dbgDescProp->columnOf(QStringLiteral("CDTXTPROPFAS"))) {
            c->buttonStyle = style;
            dbgDescProp->columnsChanged();
        }
    };
    if (cdsMensagem->isEditing()) {
        e.incluir = e.alterar = e.excluir = e.procurar = e.verificar = false;
        e.cancelar = e.confirmar = true;
        lookupButton(ColumnButtonStyle::Ellipsis);
    } else if (cdsMensagem->state() == DataSetState::Browse) {
        const bool rows = !cdsMensagem->isEmpty();
        e.incluir = e.verificar = true;
        e.alterar = e.excluir = e.procurar = rows;
        e.cancelar = e.confirmar = false;
        e.regeraTexto = true;
        lookupButton(ColumnButtonStyle::Auto);
    }
}

}  // namespace cot
