#include "reach/proposal_key.h"

#include <algorithm>

#include "data/client_table.h"

namespace cot::proposal_key {

namespace {

// QChar::isDigit also takes other scripts' digits, which no stored key holds.
bool digitsOnly(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

}  // namespace

bool isNumber(const QString& number) { return !number.isEmpty() && number.size() <= 20 && digitsOnly(number); }

bool isVersion(const QString& version) { return version.size() == 2 && digitsOnly(version); }

bool holds(const ClientTable& table, const KeyValues& key) {
    return std::all_of(key.begin(), key.end(),
                       [&](const QPair<QString, QString>& k) { return table[k.first].asString() == k.second; });
}

std::vector<long double> sums(const ClientTable& table, const KeyValues& key, const QStringList& columns) {
    std::vector<long double> out(size_t(columns.size()), 0);
    for (int r = 0; r < table.rowCount(); ++r) {
        ClientTable::RowView row(table, r);
        if (!holds(table, key)) continue;
        for (qsizetype c = 0; c < columns.size(); ++c) out[size_t(c)] += table[columns[c]].asFloat();
    }
    return out;
}

}  // namespace cot::proposal_key
