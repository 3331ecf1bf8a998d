#include "server/rpc/access_rule.h"

#include <QStringList>

namespace cot::server {

AccessRule AccessRule::open() {
    AccessRule r;
    r.declared_ = true;
    r.open_ = true;
    return r;
}

AccessRule AccessRule::session() {
    AccessRule r;
    r.declared_ = true;
    return r;
}

AccessRule AccessRule::proposal(int numberArg, int versionArg) {
    AccessRule r = session();
    r.numberArg_ = numberArg;
    r.versionArg_ = versionArg;
    return r;
}

AccessRule AccessRule::proposalNumber(int numberArg) { return proposal(numberArg, -1); }

AccessRule AccessRule::childDelta(int deltaArg) { return session().alsoChildDelta(deltaArg); }

AccessRule AccessRule::headerDelta(int deltaArg) { return session().alsoHeaderDelta(deltaArg); }

AccessRule& AccessRule::branch(int arg) {
    branchArgs_.push_back(arg);
    return *this;
}

AccessRule& AccessRule::self(int arg) {
    selfArgs_.push_back(arg);
    return *this;
}

// A delta always writes: its check and its application share a transaction.
AccessRule& AccessRule::alsoChildDelta(int deltaArg) {
    childDeltas_.push_back(deltaArg);
    write_ = true;
    return *this;
}

AccessRule& AccessRule::alsoHeaderDelta(int deltaArg) {
    headerDelta_ = deltaArg;
    write_ = true;
    return *this;
}

AccessRule& AccessRule::writes() {
    write_ = true;
    return *this;
}

AccessRule& AccessRule::heldToProposal() {
    held_ = true;
    return *this;
}

QString AccessRule::describe() const {
    if (!declared_) return QStringLiteral("undeclared");
    if (open_) return QStringLiteral("open (no session)");
    QStringList parts;
    auto argList = [](const std::vector<int>& args) {
        QStringList out;
        for (int a : args) out << QString::number(a + 1);
        return out.join(QStringLiteral(", "));
    };
    if (!branchArgs_.empty()) parts << QStringLiteral("his branch (arg %1)").arg(argList(branchArgs_));
    if (!selfArgs_.empty()) parts << QStringLiteral("himself (arg %1)").arg(argList(selfArgs_));
    if (numberArg_ >= 0 && versionArg_ >= 0)
        parts << QStringLiteral("proposal visible (args %1, %2)").arg(numberArg_ + 1).arg(versionArg_ + 1);
    else if (numberArg_ >= 0)
        parts << QStringLiteral("a version of the number visible (arg %1)").arg(numberArg_ + 1);
    if (headerDelta_)
        parts << QStringLiteral("proposal rows of the delta visible or his own (arg %1)").arg(*headerDelta_ + 1);
    if (!childDeltas_.empty())
        parts << QStringLiteral("every delta row's proposal visible (arg %1)").arg(argList(childDeltas_));
    if (held_) parts << QStringLiteral("deltas held to that proposal");
    if (parts.isEmpty()) parts << QStringLiteral("any session");
    if (write_) parts << QStringLiteral("checked in the write's transaction");
    return parts.join(QStringLiteral("; "));
}

}  // namespace cot::server
