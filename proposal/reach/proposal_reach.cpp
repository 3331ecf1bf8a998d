#include "proposal/reach/proposal_reach.h"

#include <stdexcept>

namespace cot {

namespace {
ProposalReach* openScreen = nullptr;
}  // namespace

ProposalReach* ProposalReach::open() { return openScreen; }

ProposalReach& ProposalReach::current() {
    if (!openScreen) throw std::logic_error("the proposal screen is not open");
    return *openScreen;
}

QWidget* ProposalReach::openParent() { return openScreen ? &openScreen->dialogParent() : nullptr; }

ProposalReach::ProposalReach() { openScreen = this; }

ProposalReach::~ProposalReach() {
    if (openScreen == this) openScreen = nullptr;
}

}  // namespace cot
