#pragma once
// Private state of ClientTable, shared by its source files.
#include <QList>
#include <QVariant>
#include <memory>
#include <vector>

#include "client_table.h"
#include "filter_expression.h"

namespace cot {

using UpdateStatus = ClientTable::UpdateStatus;

// One stored row. `cur` and `orig` share their storage until the row is edited.
struct RowRec {
    QVariantList cur;   // current values of the data fields, in column order
    QVariantList orig;  // values the server knows; empty for a row inserted here
    QVariantList calc;  // cached calculated values; empty when they must be computed
    qint64 id = 0;      // bookmark
    quint64 seq = 0;    // order of its logged change
    UpdateStatus status = UpdateStatus::Unmodified;
};

// Structural change kept so that cancelUpdates can undo it in reverse order.
struct JournalEntry {
    enum Kind { Inserted, Deleted } kind = Inserted;
    qint64 id = 0;       // row inserted or deleted
    RowRec removed;      // Deleted: the row as it was
    qint64 nextId = 0;   // Deleted: row that followed it (0: it was the last)
    int index = 0;       // Deleted: its physical position
    quint64 seq = 0;     // Deleted: order in the log
};

struct ClientTable::Impl {
    explicit Impl(ClientTable* owner) : q(owner) {}
    ClientTable* q;

    // structure
    std::vector<std::unique_ptr<Field>> fields;
    std::vector<int> column;    // field index → column in the row (data) or calc buffer (calculated)
    std::vector<char> dynamic;  // field index → created from a packet, replaced by the next one
    std::vector<int> dataFields, calcFields;  // field indexes in column order

    // rows
    bool active = false;
    DataSetState state = DataSetState::Inactive;
    std::vector<RowRec> rows;  // physical order
    std::vector<int> view;     // physical indexes of the rows that pass the filter
    int cur = -1;              // position in view; -1 when nothing is shown
    bool eof = true, bof = true;
    qint64 nextId = 1;
    quint64 nextSeq = 1;

    // change log
    std::vector<JournalEntry> journal;
    bool logChanges = true;

    // row being edited or inserted
    QVariantList buf, bufCalc;
    bool bufModified = false;
    int insertPos = -1;  // view position of a row being inserted

    // filter
    QString filterText;
    bool filtered = false;
    std::shared_ptr<const FilterExpression> filter;

    // controls and links
    int disableCount = 0;
    DataSetState stateWhenDisabled = DataSetState::Inactive;
    QList<DataSource*> sources;
    bool inUpdateRecord = false;

    // reading redirection: a grid reading one row, or calculated fields being computed
    int readRow = -1;  // display row, -1: the current row
    const QVariantList* calcSource = nullptr;
    QVariantList* calcTarget = nullptr;

    // ----- helpers (client_table.cpp)
    void fire(const Event& e) { if (e) e(*q); }
    void setState(DataSetState s);
    void emitScrolled();
    void emitDataSetChanged();
    // Drops the edit buffer and returns to Browse (end of a post or a cancel).
    void leaveEditing();
    // Forgets a pending edit without changing the state (its rows are going).
    void dropEdit() {
        buf.clear();
        bufCalc.clear();
        insertPos = -1;
    }
    // Forgets every row, its change log and the view; no current row.
    void dropRows() {
        rows.clear();
        journal.clear();
        view.clear();
        cur = -1;
        eof = bof = true;
    }
    void emitRecordChanged(Field* f);
    void checkActive() const;
    void checkBrowseMode();  // posts a pending edit
    bool editing() const { return state == DataSetState::Edit || state == DataSetState::Insert; }
    int dataCount() const { return int(dataFields.size()); }
    int calcCount() const { return int(calcFields.size()); }
    QVariantList nullRow() const;
    void relayout();

    // values
    RowRec* currentRec();
    const QVariantList* valuesOfDisplayRow(int displayRow, RowRec** rec);
    void ensureCalc(RowRec& rec);
    void computeCalc(const QVariantList& values, QVariantList& out);
    void refreshBufCalc();
    bool rowPasses(RowRec& rec);
    const QVariant& rowValue(RowRec& rec, int fieldIndex);

    // view
    void rebuildView(qint64 keepId, int fallbackPos);
    int viewPosOfId(qint64 id) const;
    qint64 currentId() const;
    void compileFilter(bool wanted);
};

}  // namespace cot
