#include "server/client_page/pdf_pieces.h"

#include <QByteArray>
#include <cstdio>

#include "server/client_page/pdf_store.h"
#include "server/storage/database.h"

namespace cot::server::client_page {

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
                piece = pdfPart(db, hash_, next_);
                if (piece) ++next_;
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
