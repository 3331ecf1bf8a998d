#include "storage/database_params.h"

namespace cot::server::detail {

namespace {
bool isNameStart(QChar c) { return c.isLetter() || c == u'_'; }
bool isNameChar(QChar c) { return c.isLetterOrNumber() || c == u'_'; }
}  // namespace

PositionalSql toPositional(const QString& sql) {
    PositionalSql out;
    out.sql.reserve(sql.size());
    const qsizetype n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql.at(i);
        if (c == u'\'' || c == u'"') {
            // Copy a quoted literal or identifier; a doubled quote stays inside it.
            const QChar quote = c;
            qsizetype j = i + 1;
            while (j < n) {
                if (sql.at(j) == quote) {
                    if (j + 1 < n && sql.at(j + 1) == quote) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            const qsizetype end = j < n ? j + 1 : n;
            out.sql += QStringView(sql).mid(i, end - i);
            i = end;
        } else if (c == u'-' && i + 1 < n && sql.at(i + 1) == u'-') {
            qsizetype j = sql.indexOf(u'\n', i);
            if (j < 0) j = n;
            out.sql += QStringView(sql).mid(i, j - i);
            i = j;
        } else if (c == u'/' && i + 1 < n && sql.at(i + 1) == u'*') {
            qsizetype j = sql.indexOf(QStringLiteral("*/"), i + 2);
            j = j < 0 ? n : j + 2;
            out.sql += QStringView(sql).mid(i, j - i);
            i = j;
        } else if (c == u':' && i + 1 < n && sql.at(i + 1) == u':') {
            out.sql += QStringLiteral("::");
            i += 2;
        } else if (c == u':' && i + 1 < n && isNameStart(sql.at(i + 1))) {
            qsizetype j = i + 1;
            while (j < n && isNameChar(sql.at(j))) ++j;
            out.names << sql.mid(i + 1, j - i - 1).toUpper();
            out.sql += u'?';
            i = j;
        } else {
            out.sql += c;
            ++i;
        }
    }
    return out;
}

}  // namespace cot::server::detail
