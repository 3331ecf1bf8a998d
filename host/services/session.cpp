#include "session.h"

#include "base/clock.h"
#include "rpc/rpc_channel.h"

namespace cot {

Session& Session::instance() {
    static Session* session = new Session;  // lives as long as the process; never destroyed mid-shutdown
    return *session;
}

QString Session::operatorCode() const { return operator_; }
QString Session::operatorName() const { return operatorName_; }
QString Session::branch() const { return branch_; }
QString Session::serverHost() const { return host_; }
int Session::serverPort() const { return port_; }

void Session::setOperator(const QString& code, const QString& name) {
    operator_ = code.trimmed();
    operatorName_ = name.trimmed();
}

void Session::setBranch(const QString& branch) { branch_ = branch.trimmed(); }

void Session::setServer(const QString& host, int port) {
    host_ = host.trimmed();
    port_ = port;
}

void Session::setToken(const QByteArray& token) { rpc_channel::setSessionToken(token); }

bool Session::signedIn() const { return !rpc_channel::sessionToken().isEmpty(); }

void Session::markTablesChanged(const QStringList& tables) {
    QStringList reported;
    for (const QString& t : tables) {
        const QString name = t.trimmed().toUpper();
        if (name.isEmpty()) continue;
        reported << name;
        if (!changed_.contains(name)) changed_ << name;
    }
    if (!reported.isEmpty()) emit localCacheChanged(reported);
}

QStringList Session::changedTables() const { return changed_; }

void Session::clearChangedTables() { changed_.clear(); }

void Session::reset() {
    operator_.clear();
    operatorName_.clear();
    branch_.clear();
    host_ = QStringLiteral("127.0.0.1");
    port_ = 0;
    changed_.clear();
    rpc_channel::setSessionToken({});
}


namespace Lib90500 {
QDateTime DtServ() { return QDateTime(Clock::current().today(), QTime(0, 0)); }
}  // namespace Lib90500

}  // namespace cot
