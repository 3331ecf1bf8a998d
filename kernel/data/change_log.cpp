// Change log of ClientTable: what the server must be told, and undoing it.
//
// Rows carry their own status (inserted, modified) with the values the server knows;
// deleted rows live in the journal with their original values. Several edits of one row
// are one update, an inserted row stays an insert however often it is edited, and an
// inserted row deleted before merging leaves nothing.
#include <algorithm>

#include "client_table.h"
#include "client_table_impl.h"

namespace cot {

int ClientTable::changeCount() const {
    int n = 0;
    for (const auto& r : d->rows)
        if (r.status != UpdateStatus::Unmodified) ++n;
    for (const auto& j : d->journal)
        if (j.kind == JournalEntry::Deleted && j.removed.status != UpdateStatus::Inserted) ++n;
    return n;
}

Delta ClientTable::delta() const {
    std::vector<std::pair<quint64, RowChange>> changes;
    for (const auto& r : d->rows) {
        if (r.status == UpdateStatus::Inserted) {
            changes.push_back({r.seq, RowChange{ChangeOp::Insert, {}, r.cur}});
        } else if (r.status == UpdateStatus::Modified) {
            changes.push_back({r.seq, RowChange{ChangeOp::Update, r.orig, r.cur}});
        }
    }
    for (const auto& j : d->journal)
        if (j.kind == JournalEntry::Deleted && j.removed.status != UpdateStatus::Inserted)
            changes.push_back({j.seq, RowChange{ChangeOp::Delete, j.removed.orig, {}}});
    std::stable_sort(changes.begin(), changes.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    Delta delta;
    delta.fields = fieldDefs(false);
    delta.changes.reserve(qsizetype(changes.size()));
    for (auto& c : changes) delta.changes.append(std::move(c.second));
    return delta;
}

void ClientTable::mergeChangeLog() {
    for (auto& r : d->rows) {
        if (r.status == UpdateStatus::Unmodified) continue;
        r.orig = r.cur;
        r.status = UpdateStatus::Unmodified;
        r.seq = 0;
    }
    d->journal.clear();
}

void ClientTable::cancelUpdates() {
    if (!d->active) return;
    cancel();
    const qint64 keepId = d->currentId();
    const int keepPos = d->cur;

    // Undo inserts and deletes newest first, so every row returns to its old place.
    for (auto it = d->journal.rbegin(); it != d->journal.rend(); ++it) {
        auto& rows = d->rows;
        if (it->kind == JournalEntry::Inserted) {
            const qint64 id = it->id;
            auto pos = std::find_if(rows.begin(), rows.end(), [id](const RowRec& r) { return r.id == id; });
            if (pos != rows.end()) rows.erase(pos);
        } else {
            auto pos = rows.end();
            if (it->nextId != 0) {
                const qint64 next = it->nextId;
                pos = std::find_if(rows.begin(), rows.end(), [next](const RowRec& r) { return r.id == next; });
            }
            if (pos == rows.end()) pos = rows.begin() + std::min<size_t>(size_t(it->index), rows.size());
            rows.insert(pos, std::move(it->removed));
        }
    }
    d->journal.clear();

    std::erase_if(d->rows, [](const RowRec& r) { return r.status == UpdateStatus::Inserted; });
    for (auto& r : d->rows) {
        if (r.status != UpdateStatus::Unmodified) {
            r.cur = r.orig;
            r.status = UpdateStatus::Unmodified;
            r.seq = 0;
        }
        r.calc.clear();
    }
    d->rebuildView(keepId, keepPos);
    d->eof = d->bof = d->view.empty();
    d->emitDataSetChanged();
}

bool ClientTable::logChanges() const { return d->logChanges; }

void ClientTable::setLogChanges(bool on) { d->logChanges = on; }

ClientTable::UpdateStatus ClientTable::updateStatus() const {
    if (d->state == DataSetState::Insert) return UpdateStatus::Inserted;
    const RowRec* rec = d->currentRec();
    return rec ? rec->status : UpdateStatus::Unmodified;
}

}  // namespace cot
