#pragma once
// Throw-away databases for the storage, schema and method tests: a temporary SQLite
// file always, and a fresh PostgreSQL database when COT_TEST_PG names a server.
#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "server/storage/database.h"

namespace cot::server::testing {

inline std::vector<std::string> engines() {
    std::vector<std::string> out{"sqlite"};
    if (!qEnvironmentVariableIsEmpty("COT_TEST_PG")) out.push_back("postgres");
    return out;
}

// Owns one empty database of the given engine; dropped when destroyed.
class ScratchDatabase {
public:
    explicit ScratchDatabase(const std::string& engine) {
        if (engine == "sqlite") {
            dir_ = std::make_unique<QTemporaryDir>();
            url_ = "sqlite:" + dir_->filePath("cot.db");
        } else {
            QUrl admin(qEnvironmentVariable("COT_TEST_PG"));
            adminUrl_ = admin.toString();
            name_ = QStringLiteral("cot_t_%1_%2")
                        .arg(QCoreApplication::applicationPid())
                        .arg(QRandomGenerator::global()->generate());
            auto db = Database::open(adminUrl_);
            db->exec("CREATE DATABASE " + name_);
            admin.setPath("/" + name_);
            url_ = admin.toString();
        }
        db_ = Database::open(url_);
    }
    ~ScratchDatabase() {
        db_.reset();
        if (!name_.isEmpty()) {
            try {
                auto db = Database::open(adminUrl_);
                db->exec("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
            } catch (...) {
            }
        }
    }
    Database& db() { return *db_; }
    const QString& url() const { return url_; }

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString url_, adminUrl_, name_;
    std::unique_ptr<Database> db_;
};

inline std::string engineName(const ::testing::TestParamInfo<std::string>& info) { return info.param; }

}  // namespace cot::server::testing
