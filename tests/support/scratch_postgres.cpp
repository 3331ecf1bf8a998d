#include "scratch_postgres.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>

namespace cot::testing {

namespace {

// Runs statements over a connection of its own, closed before returning: a database
// cannot be dropped while a connection of this process still sits in it.
void run(const QString& url, const QStringList& statements) {
    static std::atomic<int> serial{0};
    const QString connection = QStringLiteral("scratch_pg_%1").arg(serial++);
    QString error;
    {
        const QUrl u(url);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
        db.setHostName(u.host());
        db.setPort(u.port(5432));
        db.setUserName(u.userName());
        db.setPassword(u.password());
        db.setDatabaseName(u.path().mid(1));
        if (!db.open()) {
            error = db.lastError().text();
        } else {
            QSqlQuery q(db);
            for (const QString& sql : statements) {
                if (!q.exec(sql)) {
                    error = sql + QStringLiteral(": ") + q.lastError().text();
                    break;
                }
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    if (!error.isEmpty()) throw std::runtime_error(error.toStdString());
}

}  // namespace

bool ScratchPostgres::available() { return !qEnvironmentVariableIsEmpty("COT_TEST_PG"); }

ScratchPostgres::ScratchPostgres() {
    if (!available()) throw std::runtime_error("COT_TEST_PG is not set");
    adminUrl_ = qEnvironmentVariable("COT_TEST_PG");
    name_ = QStringLiteral("cot_t_%1_%2")
                .arg(QCoreApplication::applicationPid())
                .arg(QRandomGenerator::global()->generate());
    run(adminUrl_, {QStringLiteral("CREATE DATABASE ") + name_});
    QUrl url(adminUrl_);
    url.setPath(u'/' + name_);
    url_ = url.toString();
}

ScratchPostgres::~ScratchPostgres() {
    try {
        run(adminUrl_, {QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name_)});
    } catch (const std::exception& e) {
        ADD_FAILURE() << "could not drop " << name_.toStdString() << ": " << e.what();
    }
}

void ScratchPostgres::exec(const QStringList& statements) const { run(url_, statements); }

}  // namespace cot::testing
