#include "server/client_page/pdf_store.h"

#include <QCryptographicHash>

#include "server/storage/database.h"

namespace cot::server::client_page {

QString storePdf(Database& db, const QByteArray& pdf) {
    const QString hash = QString::fromLatin1(QCryptographicHash::hash(pdf, QCryptographicHash::Sha256).toHex());
    // Two sendings racing with the same bytes: the second finds the first's row and adds no parts.
    const int added = db.exec(QStringLiteral("INSERT INTO PDFENVIO (TXHASHPDF, QTBYTESPDF) VALUES (:H, :B) "
                                             "ON CONFLICT (TXHASHPDF) DO NOTHING"),
                              {{"H", hash}, {"B", pdf.size()}});
    if (added == 0) return hash;
    for (qsizetype at = 0, index = 0; at < pdf.size(); at += kPdfPartBytes, ++index)
        db.exec(QStringLiteral("INSERT INTO PDFPARTE (TXHASHPDF, NRPARTE, TXPARTE) VALUES (:H, :N, :T)"),
                {{"H", hash}, {"N", index}, {"T", QString::fromLatin1(pdf.mid(at, kPdfPartBytes).toBase64())}});
    return hash;
}

bool pdfStored(Database& db, const QString& hash) {
    return !db.scalar(QStringLiteral("SELECT 1 FROM PDFENVIO WHERE TXHASHPDF = :H"), {{"H", hash}}).isNull();
}

std::optional<QByteArray> pdfPart(Database& db, const QString& hash, int index) {
    const QVariant text = db.scalar(QStringLiteral("SELECT TXPARTE FROM PDFPARTE WHERE TXHASHPDF = :H AND NRPARTE = :N"),
                                    {{"H", hash}, {"N", index}});
    if (text.isNull()) return std::nullopt;
    return QByteArray::fromBase64(text.toString().toLatin1());
}

QByteArray wholePdf(Database& db, const QString& hash) {
    QByteArray pdf;
    for (int index = 0;; ++index) {
        std::optional<QByteArray> part = pdfPart(db, hash, index);
        if (!part) return pdf;
        pdf += *part;
    }
}

}  // namespace cot::server::client_page
