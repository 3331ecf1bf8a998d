#pragma once
#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QTimer;

namespace cot {

class TButtonFlat;
class TfrmPropostaComercial;

// The bar above the proposal list: the search box, which narrows the list as one types
// (client, reference, contact or the number as people write it, "15" or "15/02"), and the
// marker of an active filter ("Filtro: …") with its "Limpar filtro" button. It also keeps
// the list up to date with the clients' decisions: while the list page is shown and
// nothing is being typed, it reads the branch's latest decision from the server every
// little while and reloads the list, keeping the current proposal, only when that changed.
class ProposalListBar : public QWidget {
    Q_OBJECT
public:
    explicit ProposalListBar(TfrmPropostaComercial& screen);

    QLineEdit* edtBusca = nullptr;
    QWidget* panFiltro = nullptr;
    QLabel* lblFiltro = nullptr;
    TButtonFlat* btfLimparFiltro = nullptr;

    // Milliseconds between two reads of the latest decision (the tests set their own).
    void setDecisionInterval(int ms);
    // One look at the clients' decisions (what the timer runs): true when the list was
    // reloaded because one came in.
    bool checkDecisions();
    // The search typed so far, applied now instead of after the pause.
    void applySearch();
    // The marker follows the filter's criteria (after every reload of the list).
    void showFilter();

private:
    bool listShownIdle() const;
    void reload();

    TfrmPropostaComercial& screen_;
    QTimer* searchPause_;
    QTimer* decisionTimer_;
    QString lastDecision_;
};

}  // namespace cot
