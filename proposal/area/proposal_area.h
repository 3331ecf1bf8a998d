#pragma once
#include <QList>
#include <QString>
#include <QStringList>

#include "proposal/area/area_host.h"

namespace cot {

class ClientTable;

// Enabled state of the maintenance and option entries, settled once per state change:
// the base screen's values first, then the list or the area whose table is active.
struct MaintenanceEnabling {
    bool incluir = false, alterar = false, excluir = false, procurar = false, verificar = true;
    bool cancelar = false, confirmar = false;
    bool filtro = false;       // the list's filter
    bool regeraTexto = false;  // regenerate the proposal text
};

// One concern of the proposal screen (header, product lines, services, texts...).
//
// The screen keeps the proposal list, its connection and the page controls, and loops over
// its areas in the order they were registered; it never branches on a page for an area's
// sake. An area reaches the screen only through its AreaHost and its sibling areas only
// through references given to its constructor. An area builds its widgets into the screen's pages, owns its tables, loads them for
// the current proposal when its page is shown, says which controls point the maintenance
// buttons at which table, and takes its part in Incluir / Excluir / Confirmar / Cancelar.
// Every area is open for editing; the screen asks each one the same way.
class ProposalArea {
public:
    explicit ProposalArea(AreaHost& host) : host_(host) {}
    virtual ~ProposalArea() = default;
    ProposalArea(const ProposalArea&) = delete;
    ProposalArea& operator=(const ProposalArea&) = delete;

    // Short name for hints and reports ("Linha de Produto", "Observação"...).
    virtual QString name() const = 0;
    // Tables the maintenance buttons may act on while the area is active.
    virtual QList<ClientTable*> tables() const { return {}; }

    // Widgets into the screen's pages; called once, in registration order.
    virtual void build() {}
    // Focus routing: which controls point dtsPadrao at which table (their onEnter).
    virtual void route() {}
    // Reads what the shown pages need for `key` (the load sequence, in registration order).
    virtual void load(const ProposalKey& /*key*/) {}
    // A page control changed tab: when the area's page is now shown, point dtsPadrao at
    // its table (and take the focus where the page expects it).
    virtual void pageShown() {}
    // Forgets the rows of another proposal (nothing listed): closes the area's tables.
    virtual void clear();
    // Enabling rows of the area while its table is the active one.
    virtual void enable(MaintenanceEnabling& /*e*/) {}
    // Form controls usable only while the area's table is edited.
    virtual void updateEditors() {}

    // Parts in the maintenance buttons, for the active area. cancel() answers whether the
    // area took Cancelar over (the base cancel then does not run).
    virtual void afterInclude() {}
    virtual void afterDelete() {}
    virtual bool cancel() { return false; }
    // Checks run by Confirmar before the active table is posted (every area).
    virtual void beforeConfirm() {}
    // The Verify command, for every area (in registration order): when the area's page is
    // shown, read again from the server the table whose grid has the focus and re-align the
    // radio buttons that mirror the current record's codes. A table being edited or holding
    // changes the server has not taken is left as it is and named in `kept` (the screen
    // tells the user once); radio buttons are only re-aligned while their table is browsing.
    virtual void verify(QStringList& /*kept*/) {}
    // The server took a change of the current proposal (a change log of any area, a new
    // charging type, services imported): an area that shows figures drawn from several
    // tables reads them again.
    virtual void proposalChanged() {}

    bool owns(const ClientTable* table) const { return table && tables().contains(const_cast<ClientTable*>(table)); }

protected:
    AreaHost& host_;
};

}  // namespace cot
