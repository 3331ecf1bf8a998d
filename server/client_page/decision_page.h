#pragma once
// The pages around the client's decision, inside the frame of page_html.h: the proposal
// with its two forms, and the pages once he decided, which offer his receipt (the PDF of
// the sending he decided through). Without script: a form that comes back with something
// to fix posts to its own fragment (#form-aceite, #form-recusa), so the answer opens at
// that form, with the message at its top and the field to fix focused. Each is signed by
// `who` (page_html.h).
#include <QString>

#include "server/client_page/page_form.h"
#include "server/registers/branch_identity.h"

namespace cot::server::client_page {

// The page of a standing link. `failed`, when given, is the post that lacked something:
// its message goes at the top of its own form, with what was typed kept.
QString formsPage(const QString& contentHtml, const QString& hash, const QString& pdfPath, const OfferIdentity& who,
                  const DecisionForm* failed = nullptr);
// The content with the decision taken, no form, and the receipt when `pdfPath` is given.
QString decisionTakenPage(const QString& contentHtml, const QString& decisionText, bool accepted,
                          const QString& pdfPath, const OfferIdentity& who);
// What answers the post that recorded the decision: the thanks and the receipt.
QString thanksPage(bool accepted, const QString& pdfPath, const OfferIdentity& who);

}  // namespace cot::server::client_page
