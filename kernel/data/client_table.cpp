#include "client_table.h"

#include <QScopeGuard>
#include <QScopedValueRollback>

#include "client_table_impl.h"
#include "data_source.h"
#include "base/errors.h"

namespace cot {

// ---------------------------------------------------------------- Impl helpers

void ClientTable::Impl::setState(DataSetState s) {
    if (state == s) return;
    state = s;
    if (disableCount == 0) emit q->stateChanged();
}

void ClientTable::Impl::emitScrolled() {
    if (disableCount == 0) emit q->scrolled();
}

void ClientTable::Impl::emitDataSetChanged() {
    if (disableCount == 0) emit q->dataSetChanged();
}

void ClientTable::Impl::emitRecordChanged(Field* f) {
    if (disableCount == 0) emit q->recordChanged(f);
}

void ClientTable::Impl::checkActive() const {
    if (active) return;
    const QString n = q->name();
    throw UserError(n.isEmpty() ? QStringLiteral("Tabela não está aberta.")
                                : QStringLiteral("Tabela %1 não está aberta.").arg(n));
}

void ClientTable::Impl::checkBrowseMode() {
    if (editing()) q->post();
}

QVariantList ClientTable::Impl::nullRow() const {
    QVariantList row;
    row.resize(dataCount());
    return row;
}

void ClientTable::Impl::relayout() {
    column.assign(fields.size(), -1);
    dataFields.clear();
    calcFields.clear();
    for (size_t i = 0; i < fields.size(); ++i) {
        fields[i]->index_ = int(i);
        if (fields[i]->kind() == FieldKind::Calculated) {
            column[i] = int(calcFields.size());
            calcFields.push_back(int(i));
        } else {
            column[i] = int(dataFields.size());
            dataFields.push_back(int(i));
        }
    }
}

RowRec* ClientTable::Impl::currentRec() {
    if (cur < 0 || cur >= int(view.size())) return nullptr;
    return &rows[view[cur]];
}

// Display rows are the view plus the row being inserted at insertPos.
const QVariantList* ClientTable::Impl::valuesOfDisplayRow(int displayRow, RowRec** rec) {
    *rec = nullptr;
    int pos = displayRow;
    if (state == DataSetState::Insert) {
        if (displayRow == insertPos) return &buf;
        if (displayRow > insertPos) --pos;
    }
    if (pos < 0 || pos >= int(view.size())) return nullptr;
    if (state == DataSetState::Edit && pos == cur) return &buf;
    *rec = &rows[view[pos]];
    return &(*rec)->cur;
}

void ClientTable::Impl::computeCalc(const QVariantList& values, QVariantList& out) {
    out = QVariantList();
    out.resize(calcCount());
    if (!q->onCalcFields) return;
    const QScopedValueRollback<const QVariantList*> source(calcSource, &values);
    const QScopedValueRollback<QVariantList*> target(calcTarget, &out);
    const QScopedValueRollback<int> current(readRow, -1);
    q->onCalcFields(*q);
}

void ClientTable::Impl::ensureCalc(RowRec& rec) {
    if (calcFields.empty() || rec.calc.size() == calcCount()) return;
    const qint64 id = rec.id;
    const QVariantList values = rec.cur;  // the handler may touch the table
    QVariantList out;
    computeCalc(values, out);
    // The row may have moved in memory while the handler ran.
    if (&rec >= rows.data() && &rec < rows.data() + rows.size() && rec.id == id) {
        rec.calc = out;
        return;
    }
    for (auto& r : rows)
        if (r.id == id) r.calc = out;
}

void ClientTable::Impl::refreshBufCalc() {
    if (calcFields.empty()) return;
    const QVariantList values = buf;
    computeCalc(values, bufCalc);
}

const QVariant& ClientTable::Impl::rowValue(RowRec& rec, int fieldIndex) {
    const int col = column[fieldIndex];
    if (fields[fieldIndex]->kind() == FieldKind::Data) return rec.cur.at(col);
    ensureCalc(rec);
    return rec.calc.at(col);
}

namespace {
struct RecRow : FilterExpression::Row {
    ClientTable::Impl* d;
    RowRec* rec;
    const QVariant& value(int index) const override { return d->rowValue(*rec, index); }
};
}  // namespace

bool ClientTable::Impl::rowPasses(RowRec& rec) {
    if (!filter) return true;
    RecRow row;
    row.d = this;
    row.rec = &rec;
    return filter->matches(row);
}

qint64 ClientTable::Impl::currentId() const {
    if (cur < 0 || cur >= int(view.size())) return 0;
    return rows[view[cur]].id;
}

int ClientTable::Impl::viewPosOfId(qint64 id) const {
    if (id <= 0) return -1;
    for (size_t i = 0; i < view.size(); ++i)
        if (rows[view[i]].id == id) return int(i);
    return -1;
}

void ClientTable::Impl::rebuildView(qint64 keepId, int fallbackPos) {
    view.clear();
    view.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        if (rowPasses(rows[i])) view.push_back(int(i));
    cur = viewPosOfId(keepId);
    if (cur < 0) cur = view.empty() ? -1 : std::clamp(fallbackPos, 0, int(view.size()) - 1);
}

void ClientTable::Impl::compileFilter(bool wanted) {
    if (!wanted) {
        filter.reset();
        return;
    }
    filter = FilterExpression::compile(filterText, [this](const QString& name) -> std::optional<FilterExpression::FieldInfo> {
        Field* f = q->findField(name);
        if (!f) return std::nullopt;
        return FilterExpression::FieldInfo{f->dataType(), f->index()};
    });
}

// ---------------------------------------------------------------- construction and structure

ClientTable::ClientTable(const QString& name, QObject* parent) : QObject(parent), d(std::make_unique<Impl>(this)) {
    setObjectName(name);
}

ClientTable::~ClientTable() {
    const auto sources = d->sources;
    for (DataSource* s : sources) s->setDataSet(nullptr);
}

Field& ClientTable::addField(const FieldDef& def, FieldKind kind) {
    if (findField(def.name))
        throw UserError(QStringLiteral("Campo '%1' já existe na tabela.").arg(def.name));
    if (kind == FieldKind::Data && d->editing()) cancel();
    d->fields.push_back(std::make_unique<Field>(this, def, kind));
    d->dynamic.push_back(0);
    d->relayout();
    if (kind == FieldKind::Data) {
        for (auto& r : d->rows) {
            r.cur.append(QVariant());
            if (!r.orig.isEmpty()) r.orig.append(QVariant());
        }
        for (auto& j : d->journal)
            if (j.kind == JournalEntry::Deleted) {
                j.removed.cur.append(QVariant());
                if (!j.removed.orig.isEmpty()) j.removed.orig.append(QVariant());
            }
    } else {
        for (auto& r : d->rows) r.calc.clear();
    }
    return *d->fields.back();
}

Field& ClientTable::addField(const QString& name, FieldType type, int size, FieldKind kind) {
    return addField(FieldDef{name, type, size}, kind);
}

int ClientTable::fieldCount() const { return int(d->fields.size()); }

Field& ClientTable::field(int index) const {
    if (index < 0 || index >= fieldCount())
        throw UserError(QStringLiteral("Índice de campo fora do intervalo: %1.").arg(index));
    return *d->fields[index];
}

Field* ClientTable::findField(const QString& name) const {
    const QString n = name.trimmed();
    for (const auto& f : d->fields)
        if (f->fieldName().compare(n, Qt::CaseInsensitive) == 0) return f.get();
    return nullptr;
}

Field& ClientTable::fieldByName(const QString& name) const {
    if (Field* f = findField(name)) return *f;
    throw UserError(QStringLiteral("Campo '%1' não encontrado na tabela %2.").arg(name, this->name()));
}

QList<FieldDef> ClientTable::fieldDefs(bool includeCalculated) const {
    QList<FieldDef> out;
    for (const auto& f : d->fields)
        if (includeCalculated || f->kind() == FieldKind::Data) out.append(f->def());
    return out;
}

// ---------------------------------------------------------------- opening and data

void ClientTable::createDataSet() {
    if (d->active) close();
    d->fire(beforeOpen);
    d->dropRows();
    d->active = true;
    d->compileFilter(false);
    d->setState(DataSetState::Browse);
    d->emitDataSetChanged();
    d->fire(afterOpen);
    d->fire(afterScroll);
}

void ClientTable::close() {
    if (!d->active) return;
    d->fire(beforeClose);
    d->dropEdit();
    d->dropRows();
    d->filter.reset();
    d->active = false;
    d->setState(DataSetState::Inactive);
    d->emitDataSetChanged();
    d->fire(afterClose);
}

void ClientTable::emptyDataSet() {
    d->checkActive();
    // A pending edit is discarded with the rows it belongs to.
    d->dropEdit();
    d->dropRows();
    d->setState(DataSetState::Browse);
    d->emitDataSetChanged();
    d->fire(afterScroll);
}

bool ClientTable::active() const { return d->active; }
DataSetState ClientTable::state() const { return d->state; }
bool ClientTable::isEditing() const { return d->editing(); }

Packet ClientTable::data() const {
    Packet p;
    p.fields = fieldDefs(false);
    p.rows.reserve(qsizetype(d->rows.size()));
    for (const auto& r : d->rows) p.rows.append(r.cur);
    return p;
}

namespace {
bool hasType(const QVariant& v, FieldType t) {
    if (!v.isValid() || v.isNull()) return true;
    switch (t) {
    case FieldType::String:
    case FieldType::FixedString:
    case FieldType::Memo: return v.typeId() == QMetaType::QString;
    case FieldType::Integer: return v.typeId() == QMetaType::LongLong;
    case FieldType::Float: return v.typeId() == QMetaType::Double;
    case FieldType::DateTime: return v.typeId() == QMetaType::QDateTime;
    case FieldType::Boolean: return v.typeId() == QMetaType::Bool;
    }
    return false;
}
}  // namespace

void ClientTable::setData(const Packet& packet) {
    // Fields: dynamic ones follow the packet; declared ones must all be present in it.
    std::vector<int> declared;
    for (size_t i = 0; i < d->fields.size(); ++i)
        if (!d->dynamic[i]) declared.push_back(int(i));
    for (int i : declared) {
        const Field& f = *d->fields[i];
        if (f.kind() == FieldKind::Data && packet.indexOf(f.fieldName()) < 0)
            throw UserError(QStringLiteral("Campo '%1' não encontrado nos dados recebidos para a tabela %2.")
                                .arg(f.fieldName(), name()));
    }
    for (int i = 0; i < packet.fields.size(); ++i)
        for (int j = 0; j < i; ++j)
            if (packet.fields[i].name.compare(packet.fields[j].name, Qt::CaseInsensitive) == 0)
                throw UserError(QStringLiteral("Dados recebidos com o campo '%1' repetido.").arg(packet.fields[i].name));

    const bool wasActive = d->active;
    if (!wasActive) d->fire(beforeOpen);

    // Keep the dynamic fields when the packet has the same shape, so references stay valid.
    std::vector<FieldDef> dynamicDefs;
    for (size_t i = 0; i < d->fields.size(); ++i)
        if (d->dynamic[i]) dynamicDefs.push_back(d->fields[i]->def());
    std::vector<FieldDef> wanted;
    const bool noDeclared = declared.empty();
    for (const auto& pf : packet.fields) {
        Field* f = nullptr;
        for (int i : declared)
            if (d->fields[i]->fieldName().compare(pf.name, Qt::CaseInsensitive) == 0) f = d->fields[i].get();
        if (!f) wanted.push_back(pf);
    }
    if (dynamicDefs != wanted) {
        std::vector<std::unique_ptr<Field>> kept;
        std::vector<char> keptDyn;
        for (size_t i = 0; i < d->fields.size(); ++i)
            if (!d->dynamic[i]) {
                kept.push_back(std::move(d->fields[i]));
                keptDyn.push_back(0);
            }
        for (const auto& def : wanted) {
            kept.push_back(std::make_unique<Field>(this, def, FieldKind::Data));
            // Columns nobody declared travel with the row but are not shown.
            if (!noDeclared) kept.back()->visible = false;
            keptDyn.push_back(1);
        }
        d->fields = std::move(kept);
        d->dynamic = std::move(keptDyn);
        d->relayout();
    }

    // Column map: data column → packet column.
    std::vector<int> map;
    std::vector<FieldType> types;
    bool identity = packet.fields.size() == d->dataCount();
    for (int fi : d->dataFields) {
        const int pc = packet.indexOf(d->fields[fi]->fieldName());
        identity = identity && pc == int(map.size());
        map.push_back(pc);
        types.push_back(d->fields[fi]->dataType());
    }

    d->dropEdit();
    d->journal.clear();
    d->rows.clear();
    d->rows.reserve(packet.rows.size());
    for (const auto& prow : packet.rows) {
        RowRec r;
        r.id = d->nextId++;
        if (identity && prow.size() == qsizetype(map.size())) {
            r.cur = prow;  // shared with the packet until edited
            for (size_t c = 0; c < map.size(); ++c)
                if (!hasType(prow[c], types[c])) r.cur[c] = coerceValue(prow[c], types[c]);
        } else {
            r.cur.resize(qsizetype(map.size()));
            for (size_t c = 0; c < map.size(); ++c)
                r.cur[c] = coerceValue(prow.value(map[c]), types[c]);
        }
        r.orig = r.cur;
        d->rows.push_back(std::move(r));
    }
    d->active = true;

    std::optional<FilterError> filterError;
    try {
        d->compileFilter(d->filtered);
    } catch (const FilterError& e) {
        // The filter names a column this data lacks: show everything unfiltered and say so.
        d->filtered = false;
        d->filter.reset();
        filterError = e;
    }
    d->rebuildView(0, 0);
    d->bof = true;
    d->eof = d->view.empty();
    d->setState(DataSetState::Browse);
    d->emitDataSetChanged();
    if (!wasActive) d->fire(afterOpen);
    d->fire(afterScroll);
    if (filterError) throw *filterError;
}

// ---------------------------------------------------------------- values

QVariant ClientTable::currentValue(const Field& f) const {
    const int col = d->column[f.index()];
    const bool calc = f.kind() == FieldKind::Calculated;
    if (d->calcSource) return calc ? d->calcTarget->value(col) : d->calcSource->value(col);
    if (!d->active) return {};
    if (d->readRow != -1) {
        RowRec* rec = nullptr;
        const QVariantList* values = d->valuesOfDisplayRow(d->readRow, &rec);
        if (!values) return {};
        if (!calc) return values->value(col);
        if (!rec) return d->bufCalc.value(col);
        d->ensureCalc(*rec);
        return rec->calc.value(col);
    }
    if (d->editing()) return calc ? d->bufCalc.value(col) : d->buf.value(col);
    RowRec* rec = d->currentRec();
    if (!rec) return {};
    if (!calc) return rec->cur.value(col);
    d->ensureCalc(*rec);
    return rec->calc.value(col);
}

QVariant ClientTable::currentOldValue(const Field& f) const {
    if (f.kind() == FieldKind::Calculated || !d->active || d->calcSource) return {};
    const int col = d->column[f.index()];
    RowRec* rec = nullptr;
    if (d->readRow != -1) {
        d->valuesOfDisplayRow(d->readRow, &rec);
        if (!rec && d->state == DataSetState::Edit) rec = d->currentRec();
        if (!rec) return {};
        // Reading the row being inserted: not known to the server.
        if (d->state == DataSetState::Insert && d->readRow == d->insertPos) return {};
    } else {
        if (d->state == DataSetState::Insert) return {};
        rec = d->currentRec();
    }
    if (!rec) return {};
    return rec->orig.value(col);
}

void ClientTable::storeValue(Field& f, const QVariant& v) {
    const int col = d->column[f.index()];
    if (d->calcSource) {
        if (f.kind() != FieldKind::Calculated)
            throw UserError(QStringLiteral("Campo '%1' não pode ser alterado durante o cálculo.").arg(f.fieldName()));
        (*d->calcTarget)[col] = v;
        return;
    }
    if (!d->active || !d->editing() || d->readRow != -1)
        throw UserError(QStringLiteral("Tabela não está em modo de edição ou inclusão."));
    if (f.kind() == FieldKind::Calculated) {
        d->bufCalc[col] = v;
        d->emitRecordChanged(&f);
        return;
    }
    const QVariant before = d->buf.at(col);
    d->buf[col] = v;
    if (f.onValidate) {
        // A refused value leaves the buffer as it was.
        auto refused = qScopeGuard([&] { d->buf[col] = before; });
        f.onValidate(f);
        refused.dismiss();
    }
    d->bufModified = true;
    d->refreshBufCalc();
    if (f.onChange) f.onChange(f);
    d->emitRecordChanged(&f);
}

// ---------------------------------------------------------------- grid access

int ClientTable::rowCount() const {
    return int(d->view.size()) + (d->state == DataSetState::Insert ? 1 : 0);
}

int ClientTable::currentRow() const {
    if (d->state == DataSetState::Insert) return d->insertPos;
    return d->cur;
}

void ClientTable::withRow(int row, const std::function<void()>& read) const {
    const QScopedValueRollback<int> reading(d->readRow, row < 0 ? -2 : row);  // -2: a row that does not exist
    read();
}

// ---------------------------------------------------------------- controls

void ClientTable::disableControls() {
    if (d->disableCount++ == 0) d->stateWhenDisabled = d->state;
}

void ClientTable::enableControls() {
    if (d->disableCount == 0) return;
    if (--d->disableCount > 0) return;
    if (d->stateWhenDisabled != d->state) emit stateChanged();
    emit dataSetChanged();
}

bool ClientTable::controlsDisabled() const { return d->disableCount > 0; }

void ClientTable::attach(DataSource* source) {
    if (!d->sources.contains(source)) d->sources.append(source);
}

void ClientTable::detach(DataSource* source) { d->sources.removeAll(source); }

}  // namespace cot
