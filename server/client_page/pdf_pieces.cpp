#include "server/client_page/pdf_pieces.h"

#include <QByteArray>
#include <cstdio>

#include "server/storage/database.h"

namespace cot::server::client_page {

namespace {

// Characters of the stored base64 text per piece: a multiple of 4, so each slice decodes
// on its own (192 KB of PDF).
constexpr qint64 kSliceChars = 256 * 1024;

}  // namespace

bool storedPdfExists(Database& db, const QString& hash) {
    return !db.scalar(QStringLiteral("SELECT 1 FROM PDFENVIO WHERE TXHASHPDF = :H"), {{"H", hash}}).isNull();
}

void PdfPieces::next(Ready ready) {
    if (abandoned_ || ended_) {
        ended_ = true;
        return ready(std::nullopt);
    }
    auto self = shared_from_this();
    proceed_([this, self, ready = std::move(ready)](Database& db) {
        std::optional<QByteArray> piece;
        if (!abandoned_) {
            try {
                const QVariant text = db.scalar(QStringLiteral("SELECT SUBSTR(TXPDF, :FROM, :N) FROM PDFENVIO WHERE TXHASHPDF = :H"),
                                                {{"FROM", from_.load()}, {"N", kSliceChars}, {"H", hash_}});
                const QByteArray slice = text.toString().toLatin1();
                if (!slice.isEmpty()) {
                    piece = QByteArray::fromBase64(slice);
                    from_ += kSliceChars;
                }
            } catch (const std::exception& e) {
                std::fprintf(stderr, "cot05000-server: página do cliente: PDF: %s\n", e.what());
                std::fflush(stderr);
                failed_ = true;
            }
        }
        if (!piece) ended_ = true;
        ready(std::move(piece));
    });
}

}  // namespace cot::server::client_page
