#include "proposal/area/proposal_area.h"

#include "data/client_dataset.h"

namespace cot {

void ProposalArea::clear() {
    for (ClientDataSet* t : tables()) t->close();
}

}  // namespace cot
