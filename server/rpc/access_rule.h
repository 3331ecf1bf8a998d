#pragma once
#include <QString>
#include <optional>
#include <vector>

namespace cot::server {

// Who may call a remote method, declared where the method is registered and checked by
// the dispatcher before the method runs, on the rows as stored (never on what a delta
// says the old row was). A method whose rule was never declared stops the server from
// starting.
//
//   AccessRule::session()                       any signed-in operator (pick lists, lookups)
//   AccessRule::session().branch(0)             argument 0 is one of his branches
//   AccessRule::session().self(0)               argument 0 names the session's operator
//   AccessRule::proposal(0, 1)                  the version named by arguments 0 and 1 is
//                                               visible to him: in one of his branches and
//                                               his own (included or requested by him)
//                                               unless his group sees the whole branch
//   AccessRule::proposalNumber(0)               some version of the number is visible
//   AccessRule::childDelta(0)                   every row of the delta in argument 0 names
//                                               a visible proposal, never re-keyed to another
//   AccessRule::headerDelta(0)                  the proposal table's own delta: existing rows
//                                               visible, new ones his own, in his branch,
//                                               under a well-formed key, joining only a
//                                               number whose every version is his to change
//   .writes()                                   the check and the method share one transaction
//   .heldToProposal()                           the deltas may touch only the version named
//                                               by the arguments
class AccessRule {
public:
    AccessRule() = default;  // undeclared: refused at start-up

    static AccessRule open();
    static AccessRule session();
    static AccessRule proposal(int numberArg, int versionArg);
    static AccessRule proposalNumber(int numberArg);
    static AccessRule childDelta(int deltaArg);
    static AccessRule headerDelta(int deltaArg);

    AccessRule& branch(int arg);
    AccessRule& self(int arg);
    AccessRule& alsoChildDelta(int deltaArg);
    AccessRule& alsoHeaderDelta(int deltaArg);
    AccessRule& writes();
    AccessRule& heldToProposal();

    bool declared() const { return declared_; }
    bool isOpen() const { return open_; }
    bool isWrite() const { return write_; }
    bool held() const { return held_; }
    const std::vector<int>& branchArgs() const { return branchArgs_; }
    const std::vector<int>& selfArgs() const { return selfArgs_; }
    int numberArg() const { return numberArg_; }
    int versionArg() const { return versionArg_; }  // -1: any version of the number
    const std::vector<int>& childDeltas() const { return childDeltas_; }
    std::optional<int> headerDeltaArg() const { return headerDelta_; }
    bool namesProposal() const { return numberArg_ >= 0 || !childDeltas_.empty() || headerDelta_.has_value(); }

    // One line for the security notes, e.g. "branch (arg 1); proposal (args 2, 3); writes".
    QString describe() const;

private:
    bool declared_ = false;
    bool open_ = false;
    bool write_ = false;
    bool held_ = false;
    std::vector<int> branchArgs_, selfArgs_, childDeltas_;
    int numberArg_ = -1, versionArg_ = -1;
    std::optional<int> headerDelta_;
};

}  // namespace cot::server
