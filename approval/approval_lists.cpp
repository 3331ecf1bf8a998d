// The product lines the approval launch lists: access points with more than one system,
// access points the customer would have twice, and lines the customer already has.
#include "approval/approval_checks.h"

#include "base/errors.h"
#include "data/client_table.h"
#include "reach/proposal_reach.h"
#include "services/load_bpl.h"

namespace cot {

void ApprovalChecks::emptyLists() {
    for (ClientTable* list : {cdsPtoAcesso_.get(), cdsLProduto_.get(), cdsTipo_.get()}) {
        if (!list->active()) list->createDataSet();
        list->emptyDataSet();
    }
}

void ApprovalChecks::addTo(ClientTable& list) {
    const ClientTable& t = lines();
    list.append();
    list[QStringLiteral("CDLINPPROPINFOR")].setAsString(t[QStringLiteral("CDLINPPROPINFOR")].asString());
    list[QStringLiteral("NMLINPPROP")].setAsString(t[QStringLiteral("NMLINPPROP")].asString());
    list.post();
}

void ApprovalChecks::showLists() {
    showList(*cdsPtoAcesso_, "PTO_ACESS_SIST_ERRO");
    showList(*cdsTipo_, "PTO_ACESS");
    showList(*cdsLProduto_, "LIN_PROD_CAD");
}

void ApprovalChecks::showList(ClientTable& list, const char* key) {
    if (list.isEmpty()) return;
    list.first();
    // Every offending line at once, under the message; the list says it all.
    LoadBPL(QStringLiteral("COT00900"), {tableReference(list), s_.messages().Msg(QString::fromLatin1(key)), true});
    throw Abort();
}

}  // namespace cot
