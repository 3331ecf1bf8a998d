#include "server/client_page/pdf_check.h"

#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>

#include <memory>
#include <mutex>

namespace cot::server::client_page {

namespace {

// Poppler says what it finds wrong in a file on standard error; a refusal says enough.
void quiet(const std::string&, void*) {}

}  // namespace

QString pdfSizeRefusal(qsizetype bytes) {
    if (bytes <= kMostPdfBytes) return {};
    return QStringLiteral("O PDF da proposta passa de %1 MB.").arg(kMostPdfBytes / 1'000'000);
}

QString pdfRefusal(const QByteArray& pdf) {
    const QString invalid = QStringLiteral("O PDF da proposta é inválido.");
    if (pdf.isEmpty() || !pdf.startsWith("%PDF-")) return invalid;
    if (const QString tooLarge = pdfSizeRefusal(pdf.size()); !tooLarge.isEmpty()) return tooLarge;
    static std::once_flag silenced;
    std::call_once(silenced, [] { poppler::set_debug_error_function(quiet, nullptr); });
    // The bytes stay with the caller for as long as the document reads them.
    const std::unique_ptr<poppler::document> document(
        poppler::document::load_from_raw_data(pdf.constData(), int(pdf.size())));
    if (!document) return invalid;
    if (document->is_locked()) return QStringLiteral("O PDF da proposta está protegido por senha.");
    if (document->pages() < 1) return QStringLiteral("O PDF da proposta não tem páginas.");
    return {};
}

}  // namespace cot::server::client_page
