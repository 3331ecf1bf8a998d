// The texts grid: column exits of a new row, the standard-text lookup and the key filters.
#include <QKeySequence>
#include <QLineEdit>

#include "data/client_table.h"
#include "proposal/area/decimal_comma.h"
#include "proposal/texts/texts_area.h"
#include "rpc/net_connection.h"
#include "services/consiste.h"
#include "services/messages.h"
#include "ui/db_grid.h"
#include "ui/lookup.h"

namespace cot {

namespace {

const QString kCode = QStringLiteral("CDTXTPROPFAS");
const QString kOrder = QStringLiteral("NRORDEMMSG");
constexpr int kLargestOrder = 999;

bool isColumn(const TColumn* c, const QString& field) {
    return c && c->fieldName.compare(field, Qt::CaseInsensitive) == 0;
}

}  // namespace

bool TextsArea::lookupOnlyColumn() const {
    // Fields marked with an odd tag are filled by a lookup, never typed.
    const Field* f = dbgDescProp->selectedField();
    return f && (f->tag % 2) != 0;
}

void TextsArea::dbgDescPropColExit() {
    if (movingColumn_ || cdsMensagem->state() != DataSetState::Insert) return;
    const TColumn* leaving = dbgDescProp->selectedColumn();
    if (isColumn(leaving, kCode)) Vd_Mensagem(false);
    else if (isColumn(leaving, kOrder)) Vd_Ordem(false);
}

void TextsArea::dbgDescPropEditButtonClick() {
    if (!isColumn(dbgDescProp->selectedColumn(), kCode)) return;
    cdsPesqMsg->setData(host_.net().getPacket(QStringLiteral("PesqMsg")));
    if (cdsPesqMsg->isEmpty()) Consiste::MensErro(host_.messages().Msg(QStringLiteral("Msg_n_cad")));
    const QString caption = host_.messages().Msg(QStringLiteral("msg")) + u'|' + host_.messages().Msg(QStringLiteral("msgInv"));
    if (!Pesquisa::Pesquisar(*dtsPesqMsg, caption)) return;
    // The picked text replaces both the code and the body of the current row.
    if (cdsMensagem->state() == DataSetState::Browse) cdsMensagem->edit();
    dbgDescProp->hideEditor();
    (*cdsMensagem)[kCode].setAsString((*cdsPesqMsg)[QStringLiteral("CDPADTXT")].asString());
    (*cdsMensagem)[QStringLiteral("TXPROPFAS")].setValue((*cdsPesqMsg)[QStringLiteral("TXPADTXT")].value());
}

void TextsArea::dbgDescPropKeyPress(QChar& key) {
    const char16_t c = key.unicode();
    // The code of a stored text changes only through the lookup: moving on (Tab, Enter) and
    // Escape (which cancels) pass, nothing is typed.
    if (lookupOnlyColumn() && cdsMensagem->state() != DataSetState::Insert) {
        if (c != u'\t' && c != u'\r' && c != 27) key = QChar();
        return;
    }
    if (c == u'+' || c == u'-') {
        key = QChar();
        return;
    }
    if (isColumn(dbgDescProp->selectedColumn(), kOrder) && c >= 32) {
        // An order is a whole number up to 999.
        if (!key.isDigit() || gridTextAfterKey(dbgDescProp, key).toInt() > kLargestOrder) key = QChar();
    }
}

void TextsArea::dbgDescPropKeyDown(int& key, Qt::KeyboardModifiers modifiers) {
    // Texts are deleted through Excluir, never by the grid's own Ctrl+Delete.
    if (key == Qt::Key_Delete && (modifiers & Qt::ControlModifier)) {
        key = 0;
        return;
    }
    if (!lookupOnlyColumn() || cdsMensagem->state() == DataSetState::Insert) return;
    const QLineEdit* editor = dbgDescProp->inplaceEditor();
    if (!editor || !editor->hasFocus()) return;
    // Nor erased, cut or pasted into in the cell editor of a stored text.
    const bool erase = key == Qt::Key_Delete || key == Qt::Key_Backspace;
    const QKeySequence pressed(QKeyCombination(modifiers, Qt::Key(key)));
    const bool clipboard = QKeySequence::keyBindings(QKeySequence::Paste).contains(pressed) ||
                           QKeySequence::keyBindings(QKeySequence::Cut).contains(pressed);
    if (erase || clipboard) key = 0;
}

}  // namespace cot
