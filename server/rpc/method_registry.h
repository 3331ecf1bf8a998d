#pragma once
#include <QDateTime>
#include <QJsonArray>
#include <QJsonValue>
#include <QString>
#include <functional>
#include <map>

#include "data/packet.h"
#include "base/errors.h"
#include "server/rpc/access_rule.h"
#include "server/rpc/reply.h"

namespace cot::server {

class Caller;
class Database;

// A method's failure meant for the caller: Portuguese text, no SQL or engine detail.
// JSON-RPC code -32000 unless given.
class MethodError : public UserError {
public:
    explicit MethodError(const QString& text, int code = -32000) : UserError(text), code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};

// Positional arguments with typed access; a wrong kind throws MethodError
// ("Argumento N de M: esperado texto." and alike, code -32602).
class Args {
public:
    Args(QString method, QJsonArray values) : method_(std::move(method)), values_(std::move(values)) {}
    int size() const { return values_.size(); }
    QJsonValue raw(int i) const;        // undefined when out of range
    QString string(int i) const;        // text; a number is accepted and written as text
    QDateTime date(int i) const;        // ISO 8601 text or null (null → invalid = not set)
    double number(int i) const;         // number, or text with '.' or ',' decimals
    qint64 integer(int i) const;
    Delta delta(int i) const;  // decoded once: the access check and the method share it
    Packet packet(int i) const;
    bool isNull(int i) const;
    // Decodes the given delta arguments ahead, so a write does not decode them while it
    // holds the database's write turn. A malformed one is left to fail where it is used,
    // in the order of the checks.
    void decodeAhead(const std::vector<int>& deltaArgs) const;

private:
    [[noreturn]] void wrongKind(int i, const char* expected) const;
    QString method_;
    QJsonArray values_;
    mutable std::map<int, Delta> deltas_;
};

// What a method sees of the server: its database connection for this request and the
// signed-in operator it runs for.
struct MethodContext {
    Database& db;
    Caller* session = nullptr;  // null only in the methods open without a session
    QByteArray token;           // the session's token as the request carried it
    QString clientAddress;      // the client's address (a trusted proxy's X-Forwarded-For); empty when unknown

    Caller& caller() const;  // the session's operator; a logic error in an open method
};

using MethodHandler = std::function<Reply(MethodContext&, const Args&)>;

struct MethodInfo {
    QString name;
    int argc = 0;      // fewest arguments taken
    int maxArgc = 0;   // most arguments taken (argc unless trailing ones are optional)
    MethodHandler handler;
    AccessRule access;  // who may call it; see access_rule.h
    bool open() const { return access.isOpen(); }
};

// name → handler with its declared argument count and access rule. Names match exactly.
class MethodRegistry {
public:
    void add(const QString& name, int argc, AccessRule access, MethodHandler handler);
    // A method whose last arguments may be left out: from minArgc to maxArgc of them.
    void add(const QString& name, int minArgc, int maxArgc, AccessRule access, MethodHandler handler);
    const MethodInfo* find(const QString& name) const;
    QStringList names() const;
    // Throws std::logic_error naming the first method registered without a rule, or with a
    // rule naming an argument beyond those it takes.
    void requireRules() const;

private:
    std::map<QString, MethodInfo> methods_;
};

}  // namespace cot::server
