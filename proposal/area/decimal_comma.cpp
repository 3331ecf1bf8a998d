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

// The rule, on the text the key would leave.
void judge(QChar& key, const QString& after) {
    if (key == u',') {
        // A number never starts with the comma and has one at most.
        if (after.startsWith(u',') || after.count(u',') > 1) key = QChar();
    } else if (key.isDigit() && typedNumber(after) > kLargest) {
        key = QChar();
    }
}

}  // namespace

void Virgula(QChar& key, const QString& text, int at, int replacing) {
    if (key != u',' && !key.isDigit()) return;
    if (at < 0 || at > text.size()) at = text.size();
    judge(key, QString(text).replace(at, qMax(0, replacing), key));
}

QString gridTextAfterKey(const TDBGrid* grid, QChar key) {
    const QLineEdit* editor = grid ? grid->inplaceEditor() : nullptr;
    // A key typed on a closed cell opens its editor with the key alone.
    if (!editor) return QString(key);
    QString text = editor->text();
    if (editor->hasSelectedText()) return text.replace(editor->selectionStart(), editor->selectedText().size(), key);
    return text.insert(editor->cursorPosition(), key);
}

void Virgula(const TDBGrid* grid, const QString& campo, QChar& key) {
    if (!grid || key.isNull()) return;
    const TColumn* column = grid->selectedColumn();
    if (!column || column->fieldName.compare(campo, Qt::CaseInsensitive) != 0) return;
    judge(key, gridTextAfterKey(grid, key));
}

}  // namespace cot
