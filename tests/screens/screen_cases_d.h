#pragma once
// Small helpers shared by the screen tests of the proposal's pages and dialogs: typing into
// a grid as the user does, and reading a table or the calls recorded as plain lists.
#include <QMap>
#include <QStringList>
#include <initializer_list>

#include "data/client_table.h"
#include "server/storage/database.h"
#include "support/call_recorder.h"
#include "support/screen_widgets.h"
#include "ui/db_grid.h"

namespace cot::testing {

// Types into the grid's selected cell as the user does: the first key opens the editor.
inline void typeInCell(TDBGrid& grid, const QString& text) {
    for (const QChar c : text)
        typeText(grid.inplaceEditor() ? static_cast<QWidget&>(*grid.inplaceEditor()) : grid, QString(c));
}

// Types each piece into the grid in turn, "\t" being the Tab key.
inline void typeKeys(TDBGrid& grid, std::initializer_list<const char*> pieces) {
    for (const char* piece : pieces)
        QLatin1String(piece) == QLatin1String("\t") ? pressKey(grid, Qt::Key_Tab) : typeText(grid, QString::fromUtf8(piece));
}

// A field of every row, in the table's order, without moving it.
inline QStringList valuesOf(ClientTable& t, const QString& field) {
    QStringList out;
    for (int r = 0; r < t.rowCount(); ++r) t.withRow(r, [&] { out << t[field].asString(); });
    return out;
}

// The mark of every row by its code (the check boxes of the systems and texts dialogs).
inline QMap<QString, QString> marksOf(ClientTable& t, const QString& code, const QString& mark) {
    QMap<QString, QString> out;
    for (int r = 0; r < t.rowCount(); ++r) t.withRow(r, [&] { out[t[code].asString()] = t[mark].asString(); });
    return out;
}

// Argument `arg` of every call of `method` recorded, as text.
inline QStringList sentArgs(const CallRecorder& calls, const QString& method, int arg) {
    QStringList out;
    for (const QVariant& value : calls.argOfEach(method, arg)) out << value.toString();
    return out;
}

// The texts of version 01 of proposal `number` in their order, as "CODE:order".
inline QStringList storedTexts(server::Database& db, const QString& number) {
    QStringList out;
    for (const QVariantList& row : db.query("SELECT CDTXTPROPFAS, NRORDEMMSG FROM TXTPROPFAS WHERE NRPROPOSFAS = :N "
                                            "AND NRVERPROPFAS = '01' ORDER BY NRORDEMMSG", {{"N", number}}).rows)
        out << row.value(0).toString() + u':' + QString::number(row.value(1).toInt());
    return out;
}

}  // namespace cot::testing
