#include "server/client_page/proposal_page.h"

#include <QCryptographicHash>

#include "data/proposal_html.h"
#include "server/client_page/page_data.h"

namespace cot::server::client_page {

QString proposalContentHtml(Database& db, const QString& nr, const QString& ver) {
    const std::optional<ProposalDocument> proposal = readPageProposal(db, nr, ver);
    if (!proposal) return {};
    return pageProposalHtml(*proposal);
}

QString contentHash(const QString& contentHtml) {
    return QString::fromLatin1(
        QCryptographicHash::hash(contentHtml.toUtf8(), QCryptographicHash::Sha256).toHex());
}

}  // namespace cot::server::client_page
