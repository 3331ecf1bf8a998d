// Cursor movement, bookmarks, locate and filter of ClientTable.
#include <QScopeGuard>
#include <cstring>

#include "client_table.h"
#include "client_table_impl.h"
#include "base/errors.h"
#include "value_format.h"

namespace cot {

namespace {

// Moves the cursor to `pos` with the scroll events around it.
void scrollTo(ClientTable::Impl& d, int pos, bool bof, bool eof) {
    d.cur = d.view.empty() ? -1 : std::clamp(pos, 0, int(d.view.size()) - 1);
    d.bof = bof || d.view.empty();
    d.eof = eof || d.view.empty();
    if (RowRec* rec = d.currentRec()) rec->calc.clear();  // recomputed when read, as on every fetch
    d.emitScrolled();
    d.fire(d.q->afterScroll);
}

struct KeySpec {
    int field = -1;
    FieldType type = FieldType::String;
    bool text = true;
    QVariant value;  // coerced to the field's type
    QString textValue;  // for text fields
};

std::vector<KeySpec> keySpecs(const ClientTable& ds, const QString& keyFields, const QVariantList& values) {
    const QStringList names = keyFields.split(u';', Qt::SkipEmptyParts);
    if (names.isEmpty() || names.size() != values.size())
        throw UserError(QStringLiteral("Pesquisa inválida: %1 campo(s) para %2 valor(es).").arg(names.size()).arg(values.size()));
    std::vector<KeySpec> keys;
    for (int i = 0; i < names.size(); ++i) {
        const Field& f = ds.fieldByName(names[i].trimmed());
        KeySpec k;
        k.field = f.index();
        k.type = f.dataType();
        k.text = k.type == FieldType::String || k.type == FieldType::FixedString || k.type == FieldType::Memo;
        const QVariant& v = values[i];
        if (!k.text && v.typeId() == QMetaType::QString) {
            // Typed text: read it the way the user writes it.
            if (k.type == FieldType::DateTime) {
                QDateTime dt;
                const auto r = datafmt::parseDateTime(v.toString(), &dt);
                k.value = r == datafmt::Parse::Ok ? QVariant(dt) : r == datafmt::Parse::Blank ? QVariant() : QVariant(QString());
            } else if (k.type == FieldType::Boolean) {
                k.value = coerceValue(v, k.type);
            } else {
                double n = 0;
                const auto r = datafmt::parseNumber(v.toString(), &n);
                k.value = r == datafmt::Parse::Ok ? coerceValue(n, k.type) : r == datafmt::Parse::Blank ? QVariant() : QVariant(QString());
            }
        } else {
            k.value = coerceValue(v, k.type);
        }
        if (k.text && !k.value.isNull()) k.textValue = k.value.toString();
        keys.push_back(k);
    }
    return keys;
}

bool keyMatches(const KeySpec& k, const QVariant& v, LocateOptions options) {
    const bool vNull = !v.isValid() || v.isNull();
    const bool kNull = !k.value.isValid() || k.value.isNull();
    if (k.text) {
        QString scratch;
        const QString& s = vNull ? scratch
                           : v.typeId() == QMetaType::QString ? *static_cast<const QString*>(v.constData())
                                                              : (scratch = v.toString());
        const Qt::CaseSensitivity cs = (options & loCaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
        if (options & loPartialKey) return s.startsWith(k.textValue, cs);
        const qsizetype n = s.size();
        if (n != k.textValue.size()) return false;
        if (n == 0) return true;
        if (cs == Qt::CaseSensitive)
            return std::memcmp(s.constData(), k.textValue.constData(), size_t(n) * sizeof(QChar)) == 0;
        // Cheap rejection on the last character before the full comparison.
        if (s[n - 1].toCaseFolded() != k.textValue[n - 1].toCaseFolded()) return false;
        return s.compare(k.textValue, cs) == 0;
    }
    if (vNull || kNull) return vNull && kNull;
    if (k.value.typeId() == QMetaType::QString) return false;  // text that is not a value of this type
    switch (k.type) {
    case FieldType::Float: return v.toDouble() == k.value.toDouble();
    case FieldType::Integer: return v.toLongLong() == k.value.toLongLong();
    case FieldType::DateTime: return datafmt::dateTimeKey(v.toDateTime()) == datafmt::dateTimeKey(k.value.toDateTime());
    case FieldType::Boolean: return v.toBool() == k.value.toBool();
    default: return false;
    }
}

int findRow(ClientTable::Impl& d, const std::vector<KeySpec>& keys, LocateOptions options) {
    for (size_t pos = 0; pos < d.view.size(); ++pos) {
        RowRec& rec = d.rows[d.view[pos]];
        bool all = true;
        for (const auto& k : keys)
            if (!keyMatches(k, d.rowValue(rec, k.field), options)) {
                all = false;
                break;
            }
        if (all) return int(pos);
    }
    return -1;
}

}  // namespace

int ClientTable::recordCount() const { return d->active ? int(d->view.size()) : 0; }

int ClientTable::recNo() const {
    if (!d->active) return 0;
    if (d->state == DataSetState::Insert) return d->insertPos + 1;
    return d->cur + 1;
}

void ClientTable::setRecNo(int recNo) {
    d->checkActive();
    d->checkBrowseMode();
    if (d->view.empty() || recNo == d->cur + 1) return;
    d->fire(beforeScroll);
    scrollTo(*d, recNo - 1, false, false);
}

void ClientTable::first() {
    d->checkActive();
    d->checkBrowseMode();
    d->fire(beforeScroll);
    scrollTo(*d, 0, true, false);
}

void ClientTable::last() {
    d->checkActive();
    d->checkBrowseMode();
    d->fire(beforeScroll);
    scrollTo(*d, int(d->view.size()) - 1, false, true);
}

void ClientTable::next() { moveBy(1); }
void ClientTable::prior() { moveBy(-1); }

void ClientTable::moveBy(int distance) {
    d->checkActive();
    d->checkBrowseMode();
    if (distance == 0) return;
    d->fire(beforeScroll);
    if ((distance > 0 && d->eof) || (distance < 0 && d->bof)) return;
    const int size = int(d->view.size());
    const int target = d->cur + distance;
    // Moving past either end leaves the cursor on the end row and raises the flag.
    scrollTo(*d, target, target < 0, target >= size);
}

bool ClientTable::eof() const { return d->eof; }
bool ClientTable::bof() const { return d->bof; }

Bookmark ClientTable::bookmark() const { return d->currentId(); }

bool ClientTable::bookmarkValid(Bookmark bookmark) const { return d->viewPosOfId(bookmark) >= 0; }

void ClientTable::gotoBookmark(Bookmark bookmark) {
    d->checkActive();
    d->checkBrowseMode();
    const int pos = d->viewPosOfId(bookmark);
    if (pos < 0) throw UserError(QStringLiteral("Registro não encontrado."));
    d->fire(beforeScroll);
    scrollTo(*d, pos, false, false);
}

bool ClientTable::locate(const QString& keyFields, const QVariantList& values, LocateOptions options) {
    d->checkActive();
    const auto keys = keySpecs(*this, keyFields, values);
    d->checkBrowseMode();
    d->fire(beforeScroll);
    const int pos = findRow(*d, keys, options);
    if (pos < 0) return false;
    scrollTo(*d, pos, false, false);
    return true;
}

QVariant ClientTable::lookup(const QString& keyFields, const QVariantList& values, const QString& resultField) const {
    if (!d->active) return {};
    const auto keys = keySpecs(*this, keyFields, values);
    const Field& result = fieldByName(resultField);
    const int pos = findRow(*d, keys, 0);
    if (pos < 0) return {};
    return d->rowValue(d->rows[d->view[pos]], result.index());
}

// ---------------------------------------------------------------- filter

QString ClientTable::filter() const { return d->filterText; }

bool ClientTable::filtered() const { return d->filtered; }

namespace {
void applyFilter(ClientTable& ds, ClientTable::Impl& d, const QString& text, bool on) {
    if (!d.active) {
        d.filterText = text;
        d.filtered = on;
        return;
    }
    d.checkBrowseMode();
    const QString oldText = d.filterText;
    d.filterText = text;
    // A filter that does not compile changes nothing: the table keeps showing what it showed.
    auto refused = qScopeGuard([&] { d.filterText = oldText; });
    d.compileFilter(on);
    refused.dismiss();
    d.filtered = on;
    d.rebuildView(0, 0);
    d.emitDataSetChanged();
    d.fire(ds.beforeScroll);
    scrollTo(d, 0, true, false);
}
}  // namespace

void ClientTable::setFilter(const QString& expression) {
    if (expression == d->filterText) return;
    if (!d->filtered) {
        d->filterText = expression;  // checked when the filter is switched on
        return;
    }
    applyFilter(*this, *d, expression, d->filtered);
}

void ClientTable::setFiltered(bool on) {
    if (on == d->filtered) return;
    applyFilter(*this, *d, d->filterText, on);
}

}  // namespace cot
