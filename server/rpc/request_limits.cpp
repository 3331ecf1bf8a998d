#include "server/rpc/request_limits.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace cot::server::request_limits {

bool isJsonContentType(const std::string& contentType) {
    const QByteArray type = QByteArray::fromStdString(contentType).split(';').first().trimmed().toLower();
    return type == "application/json";
}

QString normaliseOrigin(const QString& text) {
    QString t = text.trimmed().toLower();
    while (t.endsWith(u'/')) t.chop(1);
    const QUrl url(t, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.path().isEmpty() || url.hasQuery() || url.hasFragment() ||
        !url.userInfo().isEmpty())
        return {};
    if (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) return {};
    return t;
}

bool originAllowed(const std::string& origin, const QStringList& allowed) {
    const QString o = QString::fromStdString(origin).trimmed().toLower();
    return !o.isEmpty() && allowed.contains(o);
}

qsizetype batchLength(const QByteArray& body, qsizetype stopAfter) {
    qsizetype i = 0;
    const qsizetype n = body.size();
    auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (i < n && isSpace(body[i])) ++i;
    if (i >= n || body[i] != '[') return -1;
    qsizetype count = 0;
    int depth = 0;
    bool inString = false, escaped = false, pending = true;  // pending: an entry may start
    for (; i < n; ++i) {
        const char c = body[i];
        if (inString) {
            if (escaped) escaped = false;
            else if (c == '\\') escaped = true;
            else if (c == '"') inString = false;
            continue;
        }
        if (isSpace(c)) continue;
        if (depth == 1 && pending && c != ']' && c != ',') {
            if (++count > stopAfter) return count;
            pending = false;
        }
        switch (c) {
        case '"': inString = true; break;
        case '[':
        case '{': ++depth; break;
        case ']':
        case '}':
            if (--depth == 0) return count;
            break;
        case ',':
            if (depth == 1) pending = true;
            break;
        default: break;
        }
    }
    return count;
}

QByteArray refusalBody(const QString& text) {
    const QJsonObject error{{"jsonrpc", "2.0"},
                            {"id", QJsonValue::Null},
                            {"error", QJsonObject{{"code", -32600}, {"message", text}}}};
    return QJsonDocument(error).toJson(QJsonDocument::Compact);
}

}  // namespace cot::server::request_limits
