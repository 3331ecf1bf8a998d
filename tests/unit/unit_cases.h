#pragma once
// What most unit tests share: gtest, Qt's files and folders, client tables, user errors read
// as their text, readable Qt values in failures, and files written and read in one call.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>

#include "base/errors.h"
#include "data/client_table.h"
#include "support/qt_printers.h"
#include "support/user_error_text.h"

using namespace cot;
using namespace cot::testing;

namespace cot::testing {

// Writes `data` to `path`, making its folder first; false when it cannot be written.
inline bool writeFile(const QString& path, const QByteArray& data = {}) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// The message of the `Error` an action throws; empty when it throws none.
template <typename Error>
QString whatOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A delta's changes as "op old > new", values joined by '|', nulls as "<null>".
inline QStringList changesOf(const Delta& delta) {
    const auto row = [](const QVariantList& values) {
        QStringList out;
        for (const QVariant& v : values) out << (v.isNull() ? QStringLiteral("<null>") : v.toString());
        return out.join('|');
    };
    QStringList out;
    for (const RowChange& c : delta.changes) {
        const char* op = c.op == ChangeOp::Insert ? "insert" : c.op == ChangeOp::Update ? "update" : "delete";
        out << QStringLiteral("%1 %2 > %3").arg(op, row(c.oldValues), row(c.newValues));
    }
    return out;
}

// A column's texts from the first row to the last; the cursor goes back where it was.
inline QStringList codesOf(ClientTable& t, const QString& field = QStringLiteral("CODIGO")) {
    QStringList out;
    const Bookmark b = t.bookmark();
    for (t.first(); !t.eof(); t.next()) out << t[field].asString();
    if (t.bookmarkValid(b)) t.gotoBookmark(b);
    return out;
}

}  // namespace cot::testing

