#include "data/proposal_document.h"

namespace cot {

namespace {

long double sumOf(const QList<ProposalDocument::Installment>& rows) {
    long double sum = 0;
    for (const ProposalDocument::Installment& i : rows) sum += i.value;
    return sum;
}

}  // namespace

long double ProposalDocument::Line::quotedLicence() const {
    return (static_cast<long double>(licence) - licenceDiscount) * quantity;
}

// The installments are what is charged: showing the quoted figure beside them would show a
// total that is not the one paid.
long double ProposalDocument::Line::licenceTotal() const {
    return schedule.isEmpty() ? quotedLicence() : sumOf(schedule);
}

long double ProposalDocument::Line::monthlyTotal() const {
    return (static_cast<long double>(monthly) - monthlyDiscount) * quantity;
}

long double ProposalDocument::Service::value() const { return static_cast<long double>(hours) * rateWithDiscount; }

}  // namespace cot
