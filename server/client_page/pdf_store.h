#pragma once
// The PDFs sent to clients, stored once per content: PDFENVIO holds each one's SHA-256 and
// size, PDFPARTE its bytes in parts of kPdfPartBytes (as base64 text). The page sends a PDF
// one part at a time, each read on its own, so neither the server nor the database engine
// ever holds a whole PDF to send it.
#include <QByteArray>
#include <QString>
#include <optional>

namespace cot::server {

class Database;

namespace client_page {

inline constexpr qsizetype kPdfPartBytes = 192 * 1024;

// Stores `pdf` under its SHA-256 unless the same bytes are stored already; the hash (hex).
QString storePdf(Database& db, const QByteArray& pdf);
bool pdfStored(Database& db, const QString& hash);
// The PDF's part number `index` (from 0), or nothing past its end.
std::optional<QByteArray> pdfPart(Database& db, const QString& hash, int index);
// The whole PDF (empty when none is stored under `hash`): for mails and checks, not the page.
QByteArray wholePdf(Database& db, const QString& hash);

}  // namespace client_page
}  // namespace cot::server
