#pragma once
#include <QString>
#include <QStringList>
#include <optional>

namespace cot::server {

class Database;

// The operator a request runs for, as its session says, and what he may do. What is read
// from the registers is read once per request, when first asked.
class Caller {
public:
    Caller(Database& db, QString operatorCode) : db_(db), operator_(std::move(operatorCode)) {}

    const QString& operatorCode() const { return operator_; }
    // Whether his group may see every operator's proposals of a branch.
    bool seesAllProposals();
    bool worksIn(const QString& branch);

    // Each throws a MethodError saying why, so a refused call writes nothing.
    void requireBranch(const QString& branch);
    void requireSelf(const QString& operatorCode);
    void requireAllProposals();

private:
    Database& db_;
    QString operator_;
    std::optional<bool> seesAll_;
    std::optional<QStringList> branches_;
};

}  // namespace cot::server
