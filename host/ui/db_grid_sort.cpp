#include "db_grid_sort.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <vector>

#include "data/client_table.h"
#include "data/field.h"

namespace cot {

namespace {

enum class KeyKind { Number, Date, Text };

KeyKind kindOf(const Field& field) {
    switch (field.dataType()) {
    case FieldType::Float:
    case FieldType::Integer:
    case FieldType::Boolean: return KeyKind::Number;
    case FieldType::DateTime: return KeyKind::Date;
    default: return KeyKind::Text;
    }
}

// Rows with a value, by position, then the rows without one in the table's order.
template <typename Key, typename Less>
QList<int> ordered(std::vector<std::pair<int, Key>>& keyed, const QList<int>& empty, Qt::SortOrder order, Less less) {
    if (order == Qt::AscendingOrder)
        std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) { return less(a.second, b.second); });
    else
        std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) { return less(b.second, a.second); });
    QList<int> rows;
    rows.reserve(int(keyed.size()) + empty.size());
    for (const auto& k : keyed) rows.append(k.first);
    rows.append(empty);
    return rows;
}

}  // namespace

QList<int> sortedRows(const ClientTable& table, const Field& field, Qt::SortOrder order) {
    const int count = table.active() ? table.recordCount() : 0;
    const KeyKind kind = kindOf(field);
    QList<int> empty;
    if (kind == KeyKind::Text) {
        QCollator collator{QLocale(QLocale::Portuguese, QLocale::Brazil)};
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        // Digits by their value: "9/01" before "15/02", "Item 9" before "Item 10".
        collator.setNumericMode(true);
        // One sort key per row: comparing keys is a byte comparison, far cheaper than
        // collating the two texts again at every comparison.
        std::vector<std::pair<int, QCollatorSortKey>> keyed;
        keyed.reserve(size_t(count));
        for (int r = 0; r < count; ++r) {
            ClientTable::RowView view(table, r);
            const QString text = field.isNull() ? QString() : field.displayText();
            if (text.trimmed().isEmpty()) empty.append(r);
            else keyed.emplace_back(r, collator.sortKey(text));
        }
        return ordered(keyed, empty, order,
                       [](const QCollatorSortKey& a, const QCollatorSortKey& b) { return a.compare(b) < 0; });
    }
    std::vector<std::pair<int, double>> keyed;
    keyed.reserve(size_t(count));
    for (int r = 0; r < count; ++r) {
        ClientTable::RowView view(table, r);
        if (field.isNull()) {
            empty.append(r);
            continue;
        }
        if (kind == KeyKind::Date) {
            const QDateTime at = field.asDateTime();
            if (!at.isValid()) empty.append(r);
            // Day and time as stored: no time-zone conversion per row (the costly part).
            else keyed.emplace_back(r, double(at.date().toJulianDay()) * 86400000.0 + at.time().msecsSinceStartOfDay());
        } else {
            keyed.emplace_back(r, field.dataType() == FieldType::Boolean ? double(field.asBoolean()) : field.asFloat());
        }
    }
    return ordered(keyed, empty, order, [](double a, double b) { return a < b; });
}

}  // namespace cot
