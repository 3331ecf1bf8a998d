#pragma once
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

#include "server/rpc/http_exchange.h"

namespace cot::server {

class Database;

namespace client_page {

// Whether a PDF is stored under `hash` (PDFENVIO).
bool storedPdfExists(Database& db, const QString& hash);

// A stored PDF sent a piece at a time as the client takes it: each piece is read on a
// page thread as a slice of the stored text, so a download holds a few hundred kilobytes
// whatever the file's size and however many run at once.
class PdfPieces final : public PieceSource, public std::enable_shared_from_this<PdfPieces> {
public:
    using Proceed = std::function<void(std::function<void(Database&)>)>;
    PdfPieces(QString hash, Proceed proceed) : hash_(std::move(hash)), proceed_(std::move(proceed)) {}

    void next(Ready ready) override;
    bool complete() const override { return ended_ && !failed_ && !abandoned_; }
    void abandon() override { abandoned_ = true; }

private:
    QString hash_;
    Proceed proceed_;
    std::atomic<qint64> from_{1};  // the next slice's first character (1-based, as SQL counts)
    std::atomic<bool> ended_{false}, failed_{false}, abandoned_{false};
};

}  // namespace client_page
}  // namespace cot::server
