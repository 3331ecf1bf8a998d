#include "server/methods/proposal_versions.h"

#include <array>

#include "server/methods/numbering.h"
#include "server/storage/database.h"

namespace cot::server {

QString versionToPropose(Database& db, const QString& number) {
    std::array<bool, kMaxProposalVersion + 1> taken{};
    int highest = 0;
    const Packet versions =
        db.query(QStringLiteral("SELECT NRVERPROPFAS FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N"), {{"N", number}});
    for (const QVariantList& row : versions.rows) {
        bool ok = false;
        const int v = row.value(0).toString().trimmed().toInt(&ok);
        if (!ok || v < 1 || v > kMaxProposalVersion) continue;
        taken[size_t(v)] = true;
        highest = qMax(highest, v);
    }
    if (highest < kMaxProposalVersion) return paddedNumber(highest + 1, 2);
    for (int v = 1; v <= kMaxProposalVersion; ++v)
        if (!taken[size_t(v)]) return paddedNumber(v, 2);
    return {};
}

}  // namespace cot::server
