#pragma once
// Packets in tests: the demo's keys, a column's texts, and two packets compared cell for cell.
//
// Two packets with the same fields and the same cells, value for value: the same kind,
// nulls where nulls are, doubles bit for bit (a zero's sign aside: JSON readers differ on
// "-0"). Reports the first ten differences.
#include <cstring>
#include <gtest/gtest.h>

#include <QStringList>

#include "data/packet.h"

namespace cot::testing {

// A key of the demo data: the number written with 20 digits.
inline QString nr(int n) { return QStringLiteral("%1").arg(n, 20, 10, QLatin1Char('0')); }

// A column's values as texts, in row order.
inline QStringList column(const Packet& p, const QString& field) {
    QStringList out;
    for (int i = 0; i < p.rows.size(); ++i) out << p.value(i, field).toString();
    return out;
}

inline void expectSameCells(const Packet& expected, const Packet& actual) {
    ASSERT_EQ(actual.fields, expected.fields);
    ASSERT_EQ(actual.rows.size(), expected.rows.size());
    int mismatches = 0;
    for (int r = 0; r < expected.rows.size() && mismatches < 10; ++r)
        for (int c = 0; c < expected.fields.size(); ++c) {
            const QVariant& a = expected.rows[r][c];
            const QVariant& b = actual.rows[r][c];
            bool same = a.isNull() == b.isNull() && a.typeId() == b.typeId();
            if (same && !a.isNull()) {
                if (a.typeId() == QMetaType::Double) {
                    const double x = a.toDouble(), y = b.toDouble();
                    same = std::memcmp(&x, &y, sizeof x) == 0 || (x == 0 && y == 0);
                } else {
                    same = a == b;
                }
            }
            if (!same) {
                ++mismatches;
                ADD_FAILURE() << "row " << r << " field " << expected.fields[c].name.toStdString() << ": "
                              << a.toString().toStdString() << " vs " << b.toString().toStdString();
            }
        }
}

}  // namespace cot::testing
