#include "server/auth/proposal_rights.h"

#include "server/auth/caller.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"

namespace cot::server {

namespace {

QString textAt(const QVariantList& values, int index) {
    return index >= 0 ? values.value(index).toString().trimmed() : QString();
}

struct StoredOwner {
    QString branch, included, requested;
};

// The row as the database holds it: what the delta says of the old row is the client's word.
std::optional<StoredOwner> storedOwner(Database& db, const QString& number, const QString& version) {
    const Packet p = db.query(QStringLiteral("SELECT CDFILIAL, CDOPERINCL, CDOPERSOLI FROM PROPOSTAFAS "
                                             "WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = :V"),
                              {{"N", number}, {"V", version}},
                              {{QStringLiteral("CDFILIAL"), FieldType::String, 4},
                               {QStringLiteral("CDOPERINCL"), FieldType::String, 12},
                               {QStringLiteral("CDOPERSOLI"), FieldType::String, 12}});
    if (p.isEmpty()) return std::nullopt;
    return StoredOwner{p.value(0, QStringLiteral("CDFILIAL")).toString().trimmed(),
                       p.value(0, QStringLiteral("CDOPERINCL")).toString().trimmed(),
                       p.value(0, QStringLiteral("CDOPERSOLI")).toString().trimmed()};
}

}  // namespace

void requireProposalRights(Database& db, Caller& caller, const Delta& delta) {
    const int number = delta.indexOf(QStringLiteral("NRPROPOSFAS"));
    const int version = delta.indexOf(QStringLiteral("NRVERPROPFAS"));
    const int branch = delta.indexOf(QStringLiteral("CDFILIAL"));
    const int included = delta.indexOf(QStringLiteral("CDOPERINCL"));
    for (const RowChange& change : delta.changes) {
        std::optional<StoredOwner> stored;
        if (change.op != ChangeOp::Insert) {
            // A row that is not there any more is the resolver's to report.
            stored = storedOwner(db, textAt(change.oldValues, number), textAt(change.oldValues, version));
            if (stored) {
                caller.requireBranch(stored->branch);
                const QString& me = caller.operatorCode();
                if (!caller.seesAllProposals() && stored->included.compare(me, Qt::CaseInsensitive) != 0 &&
                    stored->requested.compare(me, Qt::CaseInsensitive) != 0)
                    throw MethodError(
                        QStringLiteral("O operador %1 não pode alterar propostas de outros operadores.").arg(me));
            }
        }
        if (change.op == ChangeOp::Delete) continue;
        const QString newBranch = textAt(change.newValues, branch);
        if (change.op == ChangeOp::Insert || (branch >= 0 && stored && newBranch != stored->branch))
            caller.requireBranch(newBranch);
        const QString newIncluded = textAt(change.newValues, included);
        if (change.op == ChangeOp::Insert) {
            if (!newIncluded.isEmpty()) caller.requireSelf(newIncluded);
        } else if (included >= 0 && stored && newIncluded.compare(stored->included, Qt::CaseInsensitive) != 0) {
            caller.requireSelf(newIncluded);
        }
    }
}

}  // namespace cot::server
