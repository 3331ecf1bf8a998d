#pragma once
#include <QStringList>

#include "proposal/reach/proposal_key.h"
#include "screens/roti_geral.h"

class QComboBox;

namespace cot {

class ClientTable;
class DataSource;
class NetConnection;
class TDBGrid;
class TLabel;
struct Packet;

// The history of one proposal version, read-only: every change the server recorded for
// it, newest first as the server sends it, with who made it, through which method, the
// table, the row's key, the field and its values before and after.
//
// The combo lists "(todas)" and the tables this history has rows of, by the names the
// users know them; choosing one reads the history again for that table only.
class TfrmHistoricoProposta : public TfrmPadraoSimples {
    Q_OBJECT
public:
    TfrmHistoricoProposta(NetConnection& net, const ProposalKey& key, QWidget* parent = nullptr);

    // Reads the whole history and fills the combo with its tables; failures reach the caller.
    void FormCreate() override;
    // Reads the history again for the table chosen in the combo.
    void cbbTabelaChange();

    // The stored tables of the combo's current entry; empty for "(todas)".
    QStringList chosenTables() const;

    TLabel* lblTabela;
    QComboBox* cbbTabela;
    TDBGrid* dbgHistorico;
    TLabel* lblQuantidade;
    ClientTable* cdsHistorico;
    DataSource* dtsHistorico;

private:
    void createTable();
    void createControls();
    void fillTables(const Packet& history);
    void display(const Packet& history);
    Packet readHistory(const QStringList& tables);

    NetConnection& net_;
    ProposalKey key_;
    bool filling_ = false;  // the combo is being filled: its changes read nothing
    int shownIndex_ = 0;    // the combo entry whose rows the grid shows
};

}  // namespace cot
