#pragma once
// The HTML the client's page answers with: the frame every answer shares (UTF-8, pt-BR,
// the viewport of a phone, the stylesheet, no script), the page with its two forms, and
// the status pages that say why the link no longer opens the proposal. A proposal's page
// is signed by who offers it: the branch's letterhead above the content (the logo inline,
// as a data: image the page's policy allows), the salesperson's contact and the company's
// line below it.
#include <QString>

#include "server/registers/branch_identity.h"

namespace cot::server::client_page {

// The stylesheet of GET /cliente/estilo.css.
QByteArray styleSheet();

// A whole page: `body` goes inside <main>, already escaped.
QString pageFrame(const QString& title, const QString& body);
// A page that only says `message` (escaped), in <p id="mensagem">.
QString messagePage(const QString& message);

struct FormValues {
    QString name, role, acceptComment, reason, declineComment;
    bool read = false;
};

// `who` is the version's offerIdentity(); a default one (no company) leaves the letterhead,
// the contact and the footer out.

// A proposal's page: `body` (already escaped) between the letterhead and the salesperson's
// contact with the company's line.
QString signedPage(const QString& body, const OfferIdentity& who);
// The content as the salesperson previews it: `note` (escaped) above it, the stylesheet
// inside the page (it is read away from this server), no PDF link and no form.
QString previewPage(const QString& contentHtml, const QString& note, const OfferIdentity& who = {});

}  // namespace cot::server::client_page
