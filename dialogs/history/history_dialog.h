#pragma once
#include <QStringList>

#include "data/packet.h"
#include "dialogs/history/history_fields.h"
#include "reach/proposal_key.h"
#include "screens/roti_geral.h"

class QComboBox;

namespace cot {

class ClientTable;
class DataSource;
class Field;
class NetConnection;
class TButton;
class TDBGrid;
class TLabel;

// The history of one proposal version, read-only: every change the server recorded for
// it, newest first as the server sends it, with who made it, what the method did, the
// table, the row as the server describes it, the field and its values before and after,
// in the screen's words and formats (`fields`); the grid's table keeps the stored values.
//
// The server sends it a page at a time (GetHistorico): the first page when the window
// opens, the next one when the grid is scrolled to its end or "Mais…" is pressed (enabled
// only while there is a next page). The combo lists "(todas)" and the tables of the rows
// read so far, by the names the users know them; choosing one reads that table's history
// from its first page.
class TfrmHistoricoProposta : public TfrmPadraoSimples {
    Q_OBJECT
public:
    // Rows asked for in each page (the server's own default).
    static constexpr int kPageRows = 200;

    TfrmHistoricoProposta(NetConnection& net, const ProposalKey& key, HistoryFields fields = {},
                          QWidget* parent = nullptr);

    // Reads the first page and fills the combo with its tables; failures reach the caller.
    void FormCreate() override;
    // Reads the history again, from its first page, for the tables chosen in the combo.
    void cbbTabelaChange();
    // Reads the next page after the rows shown, keeping the current row; nothing when
    // there is none. Failures reach the caller and leave the rows as they were.
    void btnMaisClick();
    bool hasMore() const { return !nextPage_.isEmpty(); }

    // The stored tables of the combo's current entry; empty for "(todas)".
    QStringList chosenTables() const;

    TLabel* lblTabela;
    QComboBox* cbbTabela;
    TDBGrid* dbgHistorico;
    TLabel* lblQuantidade;
    TButton* btnMais;
    ClientTable* cdsHistorico;
    DataSource* dtsHistorico;

private:
    void createTable();
    void createControls();
    void addTables(const Packet& page);
    void display(const Packet& rows, int recNo);
    Packet readPage(const QStringList& tables, const QString& cursor);
    void scrolled(int value);

    // The text a column of the current row shows, by the row's other columns.
    QString shown(const Field& f) const;

    NetConnection& net_;
    ProposalKey key_;
    HistoryFields fields_;
    Packet rows_;         // the pages read, in order
    QString nextPage_;    // where the next page starts; empty when there is none
    bool filling_ = false;  // the combo is being filled: its changes read nothing
    bool reading_ = false;  // a page is being read: scrolling reads nothing more
    int shownIndex_ = 0;    // the combo entry whose rows the grid shows
};

}  // namespace cot
