#pragma once
// Throw-away databases for the storage, schema and method tests: a temporary SQLite
// file always, and a fresh PostgreSQL database when COT_TEST_PG names a server.
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "server/storage/database.h"
#include "support/scratch_postgres.h"

namespace cot::server::testing {

inline std::vector<std::string> engines() {
    return cot::testing::ScratchPostgres::available() ? std::vector<std::string>{"sqlite", "postgres"} : std::vector<std::string>{"sqlite"};
}

// Owns one empty database of the given engine; dropped when destroyed.
struct ScratchDatabase {
    explicit ScratchDatabase(const std::string& engine) {
        if (engine == "sqlite") dir_ = std::make_unique<QTemporaryDir>();
        else pg_ = std::make_unique<cot::testing::ScratchPostgres>();
        url_ = dir_ ? "sqlite:" + dir_->filePath("cot.db") : pg_->url();
        db_ = Database::open(url_);
    }
    Database& db() { return *db_; }
    const QString& url() const { return url_; }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<cot::testing::ScratchPostgres> pg_;  // dropped after db_ lets go of it
    QString url_;
    std::unique_ptr<Database> db_;
};

inline std::string engineName(const ::testing::TestParamInfo<std::string>& info) { return info.param; }

}  // namespace cot::server::testing
