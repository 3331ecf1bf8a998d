#pragma once
#include <QString>
#include <memory>

#include "reach/proposal_key.h"

namespace cot {

class ClientTable;
class ProposalReach;

// The checks a proposal must pass before its approval dialog opens, run over the whole
// proposal as the server holds it: the header (request, readjustment month, prospect),
// every product line with its systems and schedule, the access points and duplicates of
// the customer's lines, the services and their package schedule, the customer's contract
// and the mandatory services. The first check that fails shows its message (or lists the
// offending lines) and ends the launch.
//
// The proposal's key is taken once, when the launch starts; every call of the launch uses
// it. The reloaded tables stay as read (the screen shows the server's data afterwards).
// The launch owns its line lists and the answers of its checks; the lists keep their rows
// while it lives.
class ApprovalChecks {
public:
    explicit ApprovalChecks(ProposalReach& screen);
    ~ApprovalChecks();

    // Runs every check in order; true when all passed and the approval may open.
    // A failed check has already told the user; errors of the server go on to the caller.
    bool run();

    // Every product line against the customer's contract (the report flag has no effect).
    void Vd_Contrato(bool report);
    // Every service against the customer's contract (the report flag has no effect).
    void Vd_ValidaServico(bool report);

    // Line lists collected by the launch (also read by the tests).
    ClientTable& cdsPtoAcesso() const { return *cdsPtoAcesso_; }
    ClientTable& cdsTipo() const { return *cdsTipo_; }
    ClientTable& cdsLProduto() const { return *cdsLProduto_; }

private:
    // ----- header (approval_checks.cpp)
    // A change log the server refused stops the launch before anything is read again.
    void checkNothingPending() const;
    void checkHeader();
    void checkProspect();
    void checkResponsible();
    // ----- product lines (approval_tables.cpp)
    void reloadLines();
    void checkLines();
    void checkLine();
    void collectLine(const QString& systems);
    // ----- services (approval_tables.cpp)
    void reloadServices();
    void checkServices();
    void checkPackage();
    // ----- line lists (approval_lists.cpp)
    void emptyLists();
    // Adds the line in view to a list.
    void addTo(ClientTable& list);
    void showLists();
    void showList(ClientTable& list, const char* key);
    // ----- contract (approval_contract.cpp)
    void checkHasLinesOrServices();

    // Ends the launch with the text of a catalogue key.
    [[noreturn]] void fail(const QString& key) const;
    // Ends the launch silently when the list moved to another proposal meanwhile.
    void stillSameProposal() const;
    // The launch's own tables and their fields (approval_table_fields.cpp).
    void defineTables();
    ClientTable& lines() const;
    ClientTable& services() const;

    ProposalReach& s_;
    ProposalKey key_;
    QString cliente_, codigo_, tipoProposta_;
    std::unique_ptr<ClientTable> cdsPtoAcesso_, cdsTipo_, cdsLProduto_;
    std::unique_ptr<ClientTable> cdsVdQtPtoAcesso_, cdsVerificaLinhaProd_;
    std::unique_ptr<ClientTable> cdsValidaContrato_, cdsValida_ServicoLinhaProd_;
};

// The screen's Aprovação (toolbar sbtAprovacao, menu mnuAprovacao): the checks, then the
// approval dialog.
namespace approval_launch {
void sbtAprovacaoClick(ProposalReach& screen);
}  // namespace approval_launch

namespace approval {

// Whether installments adding up to `sum` pay `value`: the value with the interest of
// `ratePercent` or without it, each cut to the cent, compared at 5 decimals.
bool paysValue(long double sum, long double value, long double ratePercent);

}  // namespace approval

}  // namespace cot
