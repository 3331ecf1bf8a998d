#pragma once
// What the dialogs and the approval reach of the proposal screen, and nothing more.
//
// The screen and its areas are one layer; the dialogs (filter, copy, report, systems,
// standard texts, attachments) and the approval sit beside it and see the screen only
// through this interface: the list and its connection, and by name the tables and actions
// of the areas they are meant to work on. They never include a header of the screen or of
// an area, so a change inside an area stays inside the screen's layer. Whoever opens a
// dialog hands it the screen it works on; nothing finds the screen on its own.
#include <QString>
#include <functional>

#include "reach/proposal_key.h"
#include "rpc/net_connection.h"
#include "services/messages.h"

class QWidget;

namespace cot {

class ClientTable;
class ListAttachments;
class ListFilter;
struct Packet;

class ProposalReach {
public:
    // ----- the screen and its list
    virtual QWidget& dialogParent() = 0;  // parent of the dialogs it opens
    virtual TMessages& messages() = 0;    // the screen's catalogue
    virtual NetConnection& net() = 0;
    virtual ClientTable& proposal() const = 0;   // the list, its cursor on the current proposal
    virtual ClientTable& paramPerc() const = 0;  // the branch's percentages (interest rate)
    virtual ProposalKey key() const = 0;         // the current proposal's number and version
    // A table of the list or of an area holds a record being typed.
    virtual bool typing() const = 0;
    // Sends every change log not taken yet (before tables are read again).
    virtual void sendPending() = 0;
    // Some change log is still waiting: the server refused it and it is neither sent
    // again (Confirmar) nor given up (Cancelar).
    virtual bool hasPending() const = 0;
    // Empties the tables of the areas (nothing listed).
    virtual void clearAreas() = 0;
    // Runs `body` without the list's after-scroll load (reloads of the list itself).
    virtual void withoutAfterScroll(const std::function<void()>& body) = 0;
    // The operator sees every proposal of the branch, not only his own.
    virtual bool listsWholeBranch() = 0;
    // The filter dialog has been used: list reloads go by its criteria.
    virtual bool filterUsed() const = 0;
    virtual void setFilterUsed(bool used) = 0;
    // The list's filter dialog and search text, kept beyond the screen by its owner.
    virtual ListFilter& listFilter() = 0;
    virtual bool hasFocus(const QWidget* control) const = 0;

    // ----- header
    virtual bool isProposta() const = 0;           // a proposal, not a request
    virtual void focusReadjustmentMonth() = 0;     // the form page, on the month
    virtual void focusResponsible() = 0;           // the form page, on the responsible operator
    virtual bool operatorRegistered(const QString& code) = 0;

    // ----- product lines
    virtual ClientTable& productLines() const = 0;  // the lines, cursor on the current one
    virtual ClientTable& lineSystems() const = 0;   // the systems of the current line
    virtual ClientTable& lineSchedule() const = 0;  // the installments of the current line
    virtual void loadLineSystems() = 0;             // for the line the cursor is on
    virtual void loadLineSchedule() = 0;
    virtual QString lineSystemCodes() const = 0;    // the current line's systems, blank-separated
    virtual bool contractLines() const = 0;         // licence or rental lines
    virtual bool accessPointLine() const = 0;       // the line being edited is an access point
    virtual void focusLineCode() = 0;
    // The systems chosen for a line still being inserted, saved with it.
    virtual void handBackSystems(const Packet& chosen) = 0;
    // The systems dialog was left without choosing: a line being posted is not saved bare.
    virtual void systemsGivenUp() = 0;

    // ----- services
    virtual ClientTable& services() const = 0;
    virtual void showCharging() = 0;                // the charging fields as the list now holds
    virtual ClientTable& reloadPackageSchedule() = 0;
    virtual void focusServiceColumn(const QString& field) = 0;
    virtual void checkMandatoryServices() = 0;

    // ----- texts and attachments
    virtual void reloadTexts() = 0;
    virtual ListAttachments& attachments() = 0;

protected:
    ProposalReach() = default;
    ~ProposalReach() = default;
    ProposalReach(const ProposalReach&) = delete;
    ProposalReach& operator=(const ProposalReach&) = delete;
};

}  // namespace cot
