#pragma once
// What the deal and client-page tests read back from the database: every row a query gives,
// each as one line of text, so that a whole table is checked in one assertion.
//
//   EXPECT_EQ(rowTexts(db, "SELECT IDDECISAO, IDMOTIVO FROM DECISAOPROP"), QStringList({"R|P"}));
#include "server_cases_a.h"

namespace cot::testing {

// The rows `sql` reads, in order, each as its cells (cellText) joined by '|'.
inline QStringList rowTexts(server::Database& db, const QString& sql, const QVariantMap& params = {}) {
    QStringList out;
    for (const QVariantList& row : db.query(sql, params).rows) {
        QStringList cells;
        for (const QVariant& v : row) cells << cellText(v);
        out << cells.join(u'|');
    }
    return out;
}

}  // namespace cot::testing
