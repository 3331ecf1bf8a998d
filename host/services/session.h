#pragma once
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

namespace cot {

// The signed-in session of the host: operator, branch in use and application server.
// Set by the shell at sign-in (and by test fixtures); read by every screen.
class Session : public QObject {
    Q_OBJECT
public:
    static Session& instance();

    QString operatorCode() const;
    QString operatorName() const;
    QString branch() const;
    QString serverHost() const;
    int serverPort() const;

    void setOperator(const QString& code, const QString& name);
    void setBranch(const QString& branch);
    void setServer(const QString& host, int port);
    // The token the server gave at sign-in; every connection to the server presents it.
    void setToken(const QByteArray& token);
    bool signedIn() const;

    // Server tables whose local copies must be refreshed, in the order they were reported
    // (each table once). The shell's caches listen to localCacheChanged.
    void markTablesChanged(const QStringList& tables);
    QStringList changedTables() const;
    void clearChangedTables();

    // Back to a signed-out session (tests).
    void reset();

signals:
    void localCacheChanged(const QStringList& tables);

private:
    Session() = default;
    QString operator_, operatorName_, branch_, host_ = QStringLiteral("127.0.0.1");
    int port_ = 0;
    QStringList changed_;
};

namespace Lib90500 {
// Today's date at midnight on the host's clock (the clock is set from the server's at
// sign-in; tests fix it).
QDateTime DtServ();
}  // namespace Lib90500

}  // namespace cot
