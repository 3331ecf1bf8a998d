// The lines grid of a simulation: entering it, the order check on leaving the order column
// of a new row, picking the line and the keys it takes.
#include <QKeySequence>
#include <QLineEdit>
#include <QScopeGuard>

#include "data/client_table.h"
#include "proposal/area/decimal_comma.h"
#include "proposal/simulation/simulation_area.h"
#include "proposal/simulation/simulation_keys.h"
#include "rpc/net_connection.h"
#include "services/consiste.h"
#include "services/messages.h"
#include "ui/db_grid.h"
#include "ui/lookup.h"

namespace cot {

using simulation_keys::isColumn;

namespace {

const QString kOrder = QStringLiteral("NRORDLINPSIMULA");
const QString kName = QStringLiteral("NMLINPPROP");

}  // namespace

bool SimulationProductsArea::lookupOnlyColumn() const {
    // Fields marked with an odd tag are filled by a lookup, never typed.
    const Field* f = dbgProdSimulaLinp->selectedField();
    return f && (f->tag % 2) != 0;
}

void SimulationProductsArea::dbgProdSimulaLinpEnter() {
    host_.setActiveTable(cdsProdSimulaLinp);
    // Lines go to a stored simulation: one being typed is posted first (its checks keep
    // it, and the focus, when it is not complete).
    ClientTable& sims = *simulations_.cdsSimulacao;
    if (sims.isEditing()) sims.post();
}

void SimulationProductsArea::dbgProdSimulaLinpColExit() {
    if (movingColumn_ || cdsProdSimulaLinp->state() != DataSetState::Insert) return;
    if (isColumn(dbgProdSimulaLinp->selectedColumn(), kOrder)) Vd_ProdOrdemSimula(false);
}

void SimulationProductsArea::dbgProdSimulaLinpEditButtonClick() {
    if (!isColumn(dbgProdSimulaLinp->selectedColumn(), kName)) return;
    SimulationArea& sims = simulations_;
    if (!sims.simulationStored() && !cdsProdSimulaLinp->isEditing()) return;
    const ClientTable& sim = *sims.cdsSimulacao;
    cdsPesqProdLinp->setData(host_.net().getPacket(
        QStringLiteral("GetPesqProdLinp"),
        {sim[QStringLiteral("NRPROPOSFAS")].asString(), sim[QStringLiteral("NRVERPROPFAS")].asString()}));
    const TMessages& m = host_.messages();
    if (!Pesquisa::Pesquisar(*dtsPesqProdLinp, m.Msg(QStringLiteral("Lin_Prod")) + u'|' + m.Msg(QStringLiteral("Lin_Prod_Nao_Cad"))))
        return;
    ClientTable& t = *cdsProdSimulaLinp;
    dbgProdSimulaLinp->hideEditor();
    if (t.state() == DataSetState::Browse) {
        picking_ = true;
        const auto donePicking = qScopeGuard([this] { picking_ = false; });
        t.edit();
    }
    for (const char* f : {"CDLINPPROP", "NMLINPPROP", "IDTIPLINPP", "VRLICENCUSOPROP", "VRMENSALIDAPROP"})
        t[QString::fromLatin1(f)].setValue((*cdsPesqProdLinp)[QString::fromLatin1(f)].value());
}

void SimulationProductsArea::dbgProdSimulaLinpKeyPress(QChar& key) {
    const char16_t c = key.unicode();
    // The line's name is picked: moving on (Tab, Enter) and Escape pass, nothing is typed.
    if (lookupOnlyColumn()) {
        if (c != 9 && c != 13 && c != 27) key = QChar();
        return;
    }
    if (isColumn(dbgProdSimulaLinp->selectedColumn(), kOrder)) {
        simulation_keys::orderKey(key);
        return;
    }
    // Quantities are typed without exponent or sign.
    const ClientTable* active = host_.activeTable();
    if ((c == u'e' || c == u'E') && active && active->active()) {
        key = QChar();
        return;
    }
    if (c == u'+' || c == u'-') {
        key = QChar();
        return;
    }
    Virgula(dbgProdSimulaLinp, QStringLiteral("QTUTILSIMULINP"), key);
}

void SimulationProductsArea::dbgProdSimulaLinpKeyDown(int& key, Qt::KeyboardModifiers modifiers) {
    simulation_keys::noRecordDelete(key, modifiers);
    if (key == 0 || !lookupOnlyColumn()) return;
    const QLineEdit* editor = dbgProdSimulaLinp->inplaceEditor();
    if (!editor || !editor->hasFocus()) return;
    // Nor erased, cut or pasted into in the cell editor.
    const QKeySequence pressed(QKeyCombination(modifiers, Qt::Key(key)));
    if (key == Qt::Key_Delete || QKeySequence::keyBindings(QKeySequence::Paste).contains(pressed) ||
        QKeySequence::keyBindings(QKeySequence::Cut).contains(pressed))
        key = 0;
}

}  // namespace cot
