#pragma once
// The PDF a salesperson sends to his client: bounded in size and one that a PDF reader
// opens (poppler): not encrypted with a password, with at least one page. A file that only
// starts like a PDF is no proposal.
#include <QByteArray>
#include <QString>

namespace cot::server::client_page {

// 6 MB: the largest whose base64 still fits, with the rest of the call, in a request of
// the server (8 MiB).
inline constexpr qsizetype kMostPdfBytes = 6'000'000;

// Empty when `pdf` may be sent; otherwise why not, in Portuguese.
QString pdfRefusal(const QByteArray& pdf);
// Why a PDF of `bytes` is not sent; empty when its size is no reason.
QString pdfSizeRefusal(qsizetype bytes);

}  // namespace cot::server::client_page
