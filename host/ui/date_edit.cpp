#include "date_edit.h"

#include <QRegularExpression>

#include "number_text.h"
#include "base/errors.h"

namespace cot {

namespace {

const char* const kDateMask = "!99/99/0000;1; ";

QString invalidDateText(const QString& text) {
    return QStringLiteral("'%1' não é uma data válida.").arg(text);
}

}  // namespace

QDate readTypedDate(const QString& text, bool* blank) {
    QString t = text;
    const bool isBlank = t.remove(QLatin1Char('/')).trimmed().isEmpty();
    if (blank) *blank = isBlank;
    if (isBlank) return {};
    static const QRegularExpression re(QStringLiteral("^\\s*(\\d{1,2})/(\\d{1,2})/(\\d{4})\\s*$"));
    const auto m = re.match(text);
    QDate d;
    if (m.hasMatch()) d = QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    if (!d.isValid()) throw UserError(invalidDateText(text));
    return d;
}

TDateEditPlus::TDateEditPlus(const QString& name, QWidget* parent) : TEdit(name, parent) {
    setInputMask(parseEditMask(QString::fromLatin1(kDateMask)).qtMask);
    connect(this, &QLineEdit::textChanged, this, [this] { setToolTip(weekdayName()); });
}

QDate TDateEditPlus::date() const {
    try {
        return readTypedDate(displayText());
    } catch (const UserError&) {
        return {};
    }
}

void TDateEditPlus::setDate(const QDate& date) {
    QLineEdit::setText(date.isValid() ? date.toString(QStringLiteral("dd/MM/yyyy")) : QString());
}

QString TDateEditPlus::text() const { return isEmpty() ? QString() : displayText(); }

bool TDateEditPlus::isEmpty() const {
    QString t = displayText();
    return t.remove(QLatin1Char('/')).trimmed().isEmpty();
}

QString TDateEditPlus::weekdayName() const { return ui_text::weekdayName(date()); }

void TDateEditPlus::beforeExit() {
    try {
        readTypedDate(displayText());
    } catch (...) {
        selectAll();
        throw;
    }
}

TDBDateEditPlus::TDBDateEditPlus(const QString& name, QWidget* parent) : TDBEdit(name, parent) {
    connect(this, &QLineEdit::textChanged, this, [this] { setToolTip(weekdayName()); });
}

QDate TDBDateEditPlus::date() const {
    try {
        return readTypedDate(displayText());
    } catch (const UserError&) {
        return {};
    }
}

QString TDBDateEditPlus::weekdayName() const { return ui_text::weekdayName(date()); }

QString TDBDateEditPlus::textToStore() const {
    // Literals kept: the set-text handlers expect "dd/mm/yyyy" or "  /  /    ".
    return inputMask().isEmpty() ? QLineEdit::text() : displayText();
}

QString TDBDateEditPlus::defaultMask() const { return QString::fromLatin1(kDateMask); }

void TDBDateEditPlus::writeToField(Field& field, const QString& text) {
    bool blank = false;
    readTypedDate(text, &blank);  // refuses a text that is not a date before anything runs
    if (field.onSetText) {
        field.setText(text);
    } else if (blank) {
        field.clear();
    } else {
        field.setText(text.trimmed());
    }
}

}  // namespace cot
