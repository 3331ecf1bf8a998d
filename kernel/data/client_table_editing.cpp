// Insert, edit, post, cancel and delete of ClientTable, with their events.
#include <QScopedValueRollback>

#include "client_table.h"
#include "client_table_impl.h"
#include "data_source.h"
#include "base/errors.h"

namespace cot {

namespace {

void beginInsert(ClientTable& ds, ClientTable::Impl& d, bool append) {
    d.checkActive();
    d.checkBrowseMode();
    d.fire(ds.beforeInsert);
    d.fire(ds.beforeScroll);
    d.buf = d.nullRow();
    d.bufCalc = QVariantList();
    d.bufCalc.resize(d.calcCount());
    d.bufModified = false;
    d.insertPos = append || d.cur < 0 ? int(d.view.size()) : d.cur;
    d.eof = d.bof = false;
    d.setState(DataSetState::Insert);
    try {
        d.fire(ds.onNewRecord);
        d.refreshBufCalc();
    } catch (...) {
        d.buf.clear();
        d.bufCalc.clear();
        d.insertPos = -1;
        d.eof = d.bof = d.view.empty();
        d.setState(DataSetState::Browse);
        d.emitDataSetChanged();
        throw;
    }
    // Defaults set by OnNewRecord are not the user's changes.
    d.bufModified = false;
    d.emitDataSetChanged();
    d.fire(ds.afterInsert);
    d.fire(ds.afterScroll);
}

bool isEmptyValue(const QVariant& v) {
    if (!v.isValid() || v.isNull()) return true;
    return v.typeId() == QMetaType::QString && v.toString().trimmed().isEmpty();
}

// Drops the Inserted entry of a row whose change became final (logging switched off).
void forgetInsert(ClientTable::Impl& d, qint64 id) {
    std::erase_if(d.journal, [id](const JournalEntry& j) { return j.kind == JournalEntry::Inserted && j.id == id; });
}

}  // namespace

void ClientTable::insert() { beginInsert(*this, *d, false); }
void ClientTable::append() { beginInsert(*this, *d, true); }

void ClientTable::edit() {
    d->checkActive();
    if (d->editing()) return;
    if (d->view.empty()) {
        insert();
        return;
    }
    d->fire(beforeEdit);
    RowRec& rec = *d->currentRec();
    d->ensureCalc(rec);
    RowRec& row = *d->currentRec();  // the handler of calculated fields may have moved memory
    d->buf = row.cur;
    d->bufCalc = row.calc;
    d->bufCalc.resize(d->calcCount());
    d->bufModified = false;
    d->setState(DataSetState::Edit);
    d->emitRecordChanged(nullptr);
    d->fire(afterEdit);
}

void ClientTable::post() {
    d->checkActive();
    updateRecord();
    if (!d->editing()) return;
    d->fire(beforePost);
    for (int fi : d->dataFields) {
        const Field& f = *d->fields[fi];
        if (f.required && isEmptyValue(d->buf.at(d->column[fi])))
            throw UserError(QString("Campo '%1' deve ter um valor.").arg(f.label()));
    }

    if (d->state == DataSetState::Insert) {
        RowRec r;
        r.cur = d->buf;
        r.id = d->nextId++;
        if (d->logChanges) {
            r.status = UpdateStatus::Inserted;
            r.seq = d->nextSeq++;
            JournalEntry j;
            j.kind = JournalEntry::Inserted;
            j.id = r.id;
            d->journal.push_back(std::move(j));
        } else {
            r.orig = r.cur;
        }
        const int phys = d->insertPos < int(d->view.size()) ? d->view[d->insertPos] : int(d->rows.size());
        d->rows.insert(d->rows.begin() + phys, std::move(r));
        for (int& v : d->view)
            if (v >= phys) ++v;
        if (d->rowPasses(d->rows[phys])) {
            const auto at = std::lower_bound(d->view.begin(), d->view.end(), phys);
            d->cur = int(at - d->view.begin());
            d->view.insert(at, phys);
        } else {
            d->cur = d->view.empty() ? -1 : std::clamp(d->insertPos, 0, int(d->view.size()) - 1);
        }
    } else {
        RowRec& rec = *d->currentRec();
        rec.cur = d->buf;
        rec.calc.clear();
        if (!d->logChanges) {
            rec.orig = rec.cur;
            if (rec.status == UpdateStatus::Inserted) forgetInsert(*d, rec.id);
            rec.status = UpdateStatus::Unmodified;
            rec.seq = 0;
        } else if (rec.status == UpdateStatus::Unmodified) {
            rec.status = UpdateStatus::Modified;
            rec.seq = d->nextSeq++;
        }
        // A row that no longer passes the filter leaves the view.
        if (!d->rowPasses(rec)) {
            d->view.erase(d->view.begin() + d->cur);
            d->cur = d->view.empty() ? -1 : std::min(d->cur, int(d->view.size()) - 1);
        }
    }
    d->leaveEditing();
    d->fire(afterPost);
}

void ClientTable::Impl::leaveEditing() {
    buf.clear();
    bufCalc.clear();
    bufModified = false;
    insertPos = -1;
    eof = bof = view.empty();
    setState(DataSetState::Browse);
    emitDataSetChanged();
}

void ClientTable::cancel() {
    if (!d->active || !d->editing()) return;
    d->fire(beforeCancel);
    d->leaveEditing();
    d->fire(afterCancel);
}

void ClientTable::deleteRecord() {
    d->checkActive();
    if (d->state == DataSetState::Insert) {
        cancel();
        return;
    }
    if (d->view.empty()) throw UserError(QStringLiteral("Operação não permitida: a tabela está vazia."));
    d->fire(beforeDelete);
    d->fire(beforeScroll);
    // Deleting the row being edited drops the edit with it.
    d->buf.clear();
    d->bufCalc.clear();
    d->bufModified = false;

    const int phys = d->view[d->cur];
    if (d->logChanges) {
        JournalEntry j;
        j.kind = JournalEntry::Deleted;
        j.id = d->rows[phys].id;
        j.index = phys;
        j.nextId = phys + 1 < int(d->rows.size()) ? d->rows[phys + 1].id : 0;
        j.seq = d->nextSeq++;
        j.removed = std::move(d->rows[phys]);
        j.removed.calc.clear();
        d->journal.push_back(std::move(j));
    }
    d->rows.erase(d->rows.begin() + phys);
    d->view.erase(d->view.begin() + d->cur);
    for (int& v : d->view)
        if (v > phys) --v;
    d->cur = d->view.empty() ? -1 : std::min(d->cur, int(d->view.size()) - 1);
    d->eof = d->bof = d->view.empty();
    if (RowRec* rec = d->currentRec()) rec->calc.clear();
    d->setState(DataSetState::Browse);
    d->emitDataSetChanged();
    d->fire(afterDelete);
    d->fire(afterScroll);
}

bool ClientTable::modified() const { return d->editing() && d->bufModified; }

void ClientTable::updateRecord() {
    // A link that writes a field may put the table in edit; it must not bring us back here.
    if (d->inUpdateRecord) return;
    const QScopedValueRollback<bool> updating(d->inUpdateRecord, true);
    const auto sources = d->sources;
    for (DataSource* s : sources)
        if (d->sources.contains(s)) s->updateRecord();
}

}  // namespace cot
