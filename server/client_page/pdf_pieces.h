#pragma once
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

#include "server/rpc/http_exchange.h"

namespace cot::server {

class Database;

namespace client_page {

// A stored PDF sent a part at a time as the client takes it (pdf_store.h): each part is
// read on a page thread, so a download holds a few hundred kilobytes whatever the file's
// size and however many run at once.
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
    std::atomic<int> next_{0};  // the next part's index
    std::atomic<bool> ended_{false}, failed_{false}, abandoned_{false};
};

}  // namespace client_page
}  // namespace cot::server
