#include "proposal/area/decimal_comma.h"

#include <QLineEdit>

#include "ui/db_grid.h"

namespace cot {

namespace {

constexpr double kLargest = 999999999.0;

// A typed value as a number: dots group thousands, the comma separates the decimals.
double typedNumber(QString text) {
    text.remove(u'.');
    text.replace(u',', u'.');
    return text.toDouble();
}

}  // namespace

void Virgula(QChar& key, const QString& text, int at, int replacing) {
    if (key != u',' && !key.isDigit()) return;
    if (at < 0 || at > text.size()) at = text.size();
    const QString after = QString(text).replace(at, qMax(0, replacing), key);
    if (key == u',') {
        // A number never starts with the comma and has one at most.
        if (after.startsWith(u',') || after.count(u',') > 1) key = QChar();
    } else if (typedNumber(after) > kLargest) {
        key = QChar();
    }
}

void Virgula(const TDBGrid* grid, const QString& campo, QChar& key) {
    if (!grid || key.isNull()) return;
    const TColumn* column = grid->selectedColumn();
    if (!column || column->fieldName.compare(campo, Qt::CaseInsensitive) != 0) return;
    const QLineEdit* editor = grid->inplaceEditor();
    if (!editor) {
        // A key typed on a closed cell opens its editor with the key alone.
        Virgula(key, QString());
        return;
    }
    if (editor->hasSelectedText())
        Virgula(key, editor->text(), editor->selectionStart(), int(editor->selectedText().size()));
    else
        Virgula(key, editor->text(), editor->cursorPosition());
}

}  // namespace cot
