#include "proposal/area/proposal_area.h"

#include "data/client_table.h"

namespace cot {

void ProposalArea::clear() {
    // The proposal list itself stays: it is what was just read.
    for (ClientTable* t : tables())
        if (t != &host_.proposal()) t->close();
}

}  // namespace cot
