#pragma once
// Throw-away SQLite databases for the benchmarks: migrated, with the demo data, and the
// generated proposals a benchmark asks for. The folder goes away with the object.
#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace cot::server {
class Database;
}

namespace cot::bench {

class BenchDatabase {
public:
    // Migrates a new file and, with `demo`, writes the demo data.
    explicit BenchDatabase(bool demo = true);
    BenchDatabase(const BenchDatabase&) = delete;
    BenchDatabase& operator=(const BenchDatabase&) = delete;

    QString url() const { return QStringLiteral("sqlite:") + path_; }  // as the server takes it
    QString path() const { return path_; }
    // A new connection of the calling thread (the server's own kind, with its pragmas).
    std::unique_ptr<server::Database> open() const;

    // The demo branch, the first client and operator (the generated rows use them).
    QString branch() const { return branch_; }
    QString client() const { return client_; }
    QString oper() const { return oper_; }

    // Adds `count` proposals of the demo branch, numbered 9xxxxxxxx, in one transaction.
    void addGeneratedProposals(int count);

private:
    QTemporaryDir dir_;
    QString path_, branch_, client_, oper_;
};

}  // namespace cot::bench
