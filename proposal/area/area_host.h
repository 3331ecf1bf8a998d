#pragma once
#include <functional>

#include "proposal/area/proposal_pages.h"
#include "reach/proposal_key.h"

class QWidget;

namespace cot {

class ChildTableSave;
class ClientTable;
class DataSource;
class NetConnection;
class ProposalModel;
class TMessages;

// What an area of the proposal screen may reach of the screen that holds it: the
// connection, the proposal under the list's cursor and its shared facts, the screen's
// messages, pages and menus, the table the maintenance buttons act on, and the save paths.
// The screen implements it; an area gets the sibling areas it works with through its
// constructor, never through the screen.
class AreaHost {
public:
    virtual ~AreaHost() = default;

    // ----- the server and the proposal
    virtual NetConnection& net() = 0;
    virtual ProposalKey key() const = 0;
    // The proposal list (its current row is the proposal being edited) and its source.
    virtual ClientTable& proposal() const = 0;
    virtual DataSource* proposalSource() const = 0;
    // The percentages of the proposal's readjustment indexes.
    virtual ClientTable& paramPerc() const = 0;
    virtual ProposalModel& model() = 0;
    // The operator makes requests only (he is in no group authorised for proposals).
    virtual bool requestsOnly() const = 0;

    // ----- the screen
    virtual TMessages& messages() = 0;
    // Parent of the widgets and dialogs an area creates.
    virtual QWidget& dialogParent() = 0;
    virtual const ProposalPages& pages() const = 0;
    virtual const ProposalMenus& menus() const = 0;
    virtual void showPage(TTabSheet* page) = 0;
    virtual bool hasFocus(const QWidget* control) const = 0;
    // The widget that has the focus in the screen (nullptr when none).
    virtual QWidget* activeControl() const = 0;
    // The list page was brought forward or left: the screen routes the buttons again.
    virtual void listPageChanged() = 0;

    // ----- the maintenance buttons
    // The table the buttons act on; pointing them elsewhere settles their enabling again.
    virtual ClientTable* activeTable() const = 0;
    virtual void setActiveTable(ClientTable* table) = 0;
    // Settles again the enabling of the buttons and entries (the state of the active table changed).
    virtual void stateChanged() = 0;
    // Runs the Verificar button.
    virtual void verify() = 0;

    // ----- saving
    virtual void registerSave(ChildTableSave* save) = 0;
    virtual ChildTableSave* saveOf(const ClientTable* table) const = 0;
    // The server took a change of the current proposal: every area hears of it.
    virtual void proposalChanged() = 0;
    // Runs `body` with the list's after-scroll handler detached (reloads that must not load
    // the proposal again); re-attached on every path out.
    virtual void withoutAfterScroll(const std::function<void()>& body) = 0;
};

}  // namespace cot
