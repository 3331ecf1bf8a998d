#include "sql_text.h"

#include <QSet>

#include "base/errors.h"

namespace cot::sql {

namespace {

// Walks SQL text outside string literals, quoted identifiers and comments.
// `onCode(i)` sees each code character; returns false to stop.
template <typename F>
void scanCode(const QString& sql, F onCode) {
    const int n = sql.size();
    for (int i = 0; i < n;) {
        const QChar c = sql[i];
        if (c == '\'' || c == '"') {
            int j = i + 1;
            while (j < n) {
                if (sql[j] == c) {
                    if (j + 1 < n && sql[j + 1] == c) {
                        j += 2;  // doubled quote inside the literal
                        continue;
                    }
                    break;
                }
                ++j;
            }
            i = j + 1;
            continue;
        }
        if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            while (i < n && sql[i] != '\n') ++i;
            continue;
        }
        if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            const int end = sql.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? n : end + 2;
            continue;
        }
        if (!onCode(i)) return;
        ++i;
    }
}

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == '_' || c == '$'; }

[[noreturn]] void refuse() {
    throw UserError(QStringLiteral("Somente consultas (SELECT) podem ser executadas no banco de dados do sistema."));
}

}  // namespace

void ensureReadOnly(const QString& sql) {
    static const QSet<QString> writes = {
        "INSERT", "UPDATE", "DELETE", "MERGE",  "UPSERT", "DROP",   "ALTER",  "CREATE",  "TRUNCATE", "GRANT",
        "REVOKE", "ATTACH", "DETACH", "PRAGMA", "VACUUM", "COPY",   "CALL",   "EXECUTE", "EXEC",     "REINDEX",
        "LOCK",   "SET",    "RESET",  "DO",     "BEGIN",  "COMMIT", "ROLLBACK", "SAVEPOINT", "RELEASE", "INTO"};
    QStringList words;
    bool statementEnded = false, extraStatement = false;
    QString word;
    auto flush = [&] {
        if (!word.isEmpty()) words << word.toUpper();
        word.clear();
    };
    int prev = -2;
    scanCode(sql, [&](int i) {
        const QChar c = sql[i];
        if (prev != i - 1) flush();  // a literal or comment lay between
        prev = i;
        if (isWordChar(c)) {
            if (statementEnded) extraStatement = true;
            word += c;
            return true;
        }
        flush();
        if (c == ';') statementEnded = true;
        else if (!c.isSpace() && statementEnded) extraStatement = true;
        return true;
    });
    flush();
    if (extraStatement || words.isEmpty()) refuse();
    if (words.first() != "SELECT" && words.first() != "WITH") refuse();
    for (const QString& w : words)
        if (writes.contains(w)) refuse();
}

PositionalSql toPositional(const QString& sql) {
    PositionalSql out;
    out.sql.reserve(sql.size());
    qsizetype copied = 0;
    scanCode(sql, [&](int i) {
        if (sql[i] != ':') return true;
        if (i > 0 && sql[i - 1] == ':') return true;                // second ':' of a cast
        if (i + 1 >= sql.size() || sql[i + 1] == ':') return true;  // first ':' of a cast
        if (!(sql[i + 1].isLetter() || sql[i + 1] == '_')) return true;
        int end = i + 1;
        while (end < sql.size() && (sql[end].isLetterOrNumber() || sql[end] == '_')) ++end;
        out.sql += QStringView(sql).mid(copied, i - copied);
        out.sql += '?';
        out.names << sql.mid(i + 1, end - i - 1).toUpper();
        copied = end;
        return true;
    });
    out.sql += QStringView(sql).mid(copied);
    return out;
}

}  // namespace cot::sql
