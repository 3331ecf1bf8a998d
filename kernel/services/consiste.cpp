#include "consiste.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "data/field.h"
#include "base/dialogs.h"
#include "base/errors.h"
#include "data/format_br.h"

namespace cot::Consiste {

void MensErro(const QString& text, bool abort) {
    if (!Dialogs::installed()) throw UserError(text);
    Dialogs::current().error(text);
    if (abort) throw Abort();
}

bool EmptyString(const QString& text) { return text.trimmed().isEmpty(); }

QString AllTrim(const QString& text) { return text.trimmed(); }

QString Ajusta(const QString& code, int width) {
    const QString t = code.trimmed();
    if (t.isEmpty() || t.size() >= width) return t;
    const bool digitsOnly = std::all_of(t.begin(), t.end(), [](QChar c) { return c.isDigit(); });
    return digitsOnly ? t.rightJustified(width, '0') : t;
}

QString Ajusta_Inscricao(QString& inscription) {
    QString t = inscription.trimmed();
    if (t.size() > 1 && t[0].isLetter() && std::any_of(t.begin() + 1, t.end(), [](QChar c) { return c.isDigit(); }))
        t = t.mid(1).trimmed();
    if (t.isEmpty()) {
        inscription.clear();
        return {};
    }
    QString digits;
    bool onlyPunctuation = true;
    for (const QChar c : t) {
        if (c.isDigit()) digits += c;
        else if (c != '.' && c != '-' && c != '/' && c != ' ') onlyPunctuation = false;
    }
    if (onlyPunctuation && digits.size() == 11) {
        inscription = digits;
        return QStringLiteral("F");
    }
    if (onlyPunctuation && digits.size() == 14) {
        inscription = digits;
        return QStringLiteral("J");
    }
    inscription = t;
    return QStringLiteral("E");
}

QString PictPess(const QString& personType) {
    const QString t = personType.trimmed().toUpper();
    if (t == "F") return QStringLiteral("999.999.999-99;0; ");
    if (t == "J") return QStringLiteral("99.999.999/9999-99;0; ");
    return {};
}

void DateSetText(Field& field, const QString& text) {
    QString bare = text;
    bare.remove('/').remove('_').remove(':');
    if (bare.trimmed().isEmpty()) {
        field.clear();
        return;
    }
    const QDateTime value = parseDateTimeBr(text);
    if (!value.isValid()) throw UserError(QStringLiteral("'%1' não é uma data válida.").arg(text.trimmed()));
    field.setAsDateTime(value);
}

QDate SomaMes(const QDate& date, int months) { return date.isValid() ? date.addMonths(months) : QDate(); }

QDateTime SomaMes(const QDateTime& date, int months) {
    return date.isValid() ? date.addMonths(months) : QDateTime();
}

QDate UltimoDiaMes(const QDate& date) {
    return date.isValid() ? QDate(date.year(), date.month(), date.daysInMonth()) : QDate();
}

QDateTime UltimoDiaMes(const QDateTime& date) {
    return date.isValid() ? QDateTime(UltimoDiaMes(date.date()), QTime(0, 0)) : QDateTime();
}

namespace {

// Compares digit runs by value and the rest ignoring case: "a2" < "a10" < "B1".
// QCollator's numeric mode is not available on every Qt build, so it is done here.
int naturalCompare(const QString& a, const QString& b) {
    int i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            int ei = i, ej = j;
            while (ei < a.size() && a[ei].isDigit()) ++ei;
            while (ej < b.size() && b[ej].isDigit()) ++ej;
            QStringView da = QStringView(a).mid(i, ei - i), db = QStringView(b).mid(j, ej - j);
            while (da.size() > 1 && da[0] == '0') da = da.mid(1);
            while (db.size() > 1 && db[0] == '0') db = db.mid(1);
            if (da.size() != db.size()) return da.size() < db.size() ? -1 : 1;
            if (const int c = da.compare(db); c != 0) return c < 0 ? -1 : 1;
            i = ei;
            j = ej;
            continue;
        }
        const QChar ca = a[i].toCaseFolded(), cb = b[j].toCaseFolded();
        if (ca != cb) return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
    return a.compare(b);
}

}  // namespace

QStringList sortFileNames(QStringList names) {
    std::stable_sort(names.begin(), names.end(),
                     [](const QString& a, const QString& b) { return naturalCompare(a, b) < 0; });
    return names;
}

int SortFiles(QStringList& list, const QString& pathMask) {
    QString path = pathMask;
    path.replace('\\', '/');
    const int slash = path.lastIndexOf('/');
    const QString folder = slash >= 0 ? path.left(slash) : QStringLiteral(".");
    QString pattern = slash >= 0 ? path.mid(slash + 1) : path;
    if (pattern.isEmpty() || pattern == "*.*") pattern = QStringLiteral("*");
    const QDir dir(folder.isEmpty() ? QStringLiteral("/") : folder);
    list = dir.exists() ? sortFileNames(dir.entryList({pattern}, QDir::Files))
                        : QStringList();
    return static_cast<int>(list.size());
}

}  // namespace cot::Consiste
