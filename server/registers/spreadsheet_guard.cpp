#include "server/registers/spreadsheet_guard.h"

namespace cot::server::registers {

namespace {

bool startsFormula(QChar c) {
    return c == u'=' || c == u'+' || c == u'-' || c == u'@' || c == u'\t' || c == u'\r';
}

// Whether the text is quotes (none or more) and then a character that starts a formula.
bool needsGuard(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == u'\'') ++i;
    return i < text.size() && startsFormula(text[i]);
}

}  // namespace

QString guardedText(const QString& text) { return needsGuard(text) ? u'\'' + text : text; }

QString unguardedText(const QString& field) {
    return field.startsWith(u'\'') && needsGuard(field) ? field.mid(1) : field;
}

}  // namespace cot::server::registers
