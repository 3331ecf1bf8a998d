#include "server/auth/proposal_rights.h"

#include "server/auth/caller.h"
#include "server/auth/proposal_key.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"

namespace cot::server::proposal_rights {

namespace {

const QString kNumber = QStringLiteral("NRPROPOSFAS");
const QString kVersion = QStringLiteral("NRVERPROPFAS");

QString textAt(const QVariantList& values, int index) {
    return index >= 0 ? values.value(index).toString().trimmed() : QString();
}

struct StoredOwner {
    QString branch, included, requested;
};

const QList<FieldDef> kOwnerShape{{QStringLiteral("CDFILIAL"), FieldType::String, 4},
                                  {QStringLiteral("CDOPERINCL"), FieldType::String, 12},
                                  {QStringLiteral("CDOPERSOLI"), FieldType::String, 12}};

QList<StoredOwner> ownersOf(const Packet& p) {
    QList<StoredOwner> out;
    for (int r = 0; r < p.rows.size(); ++r)
        out << StoredOwner{p.value(r, QStringLiteral("CDFILIAL")).toString().trimmed(),
                           p.value(r, QStringLiteral("CDOPERINCL")).toString().trimmed(),
                           p.value(r, QStringLiteral("CDOPERSOLI")).toString().trimmed()};
    return out;
}

// The row as the database holds it: what a delta says of the old row is the client's word.
std::optional<StoredOwner> storedOwner(Database& db, const QString& number, const QString& version) {
    const QList<StoredOwner> owners = ownersOf(db.query(
        QStringLiteral("SELECT CDFILIAL, CDOPERINCL, CDOPERSOLI FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = :V"),
        {{"N", proposal_key::number(number)}, {"V", proposal_key::version(version)}}, kOwnerShape));
    if (owners.isEmpty()) return std::nullopt;
    return owners.first();
}

bool ownedBy(const StoredOwner& owner, const QString& me) {
    return owner.included.compare(me, Qt::CaseInsensitive) == 0 || owner.requested.compare(me, Qt::CaseInsensitive) == 0;
}

void requireOwner(Caller& caller, const StoredOwner& owner, Use use) {
    caller.requireBranch(owner.branch);
    if (caller.seesAllProposals() || ownedBy(owner, caller.operatorCode())) return;
    throw MethodError(use == Use::Write
                          ? QStringLiteral("O operador %1 não pode alterar propostas de outros operadores.")
                                .arg(caller.operatorCode())
                          : QStringLiteral("O operador %1 não pode ver propostas de outros operadores.")
                                .arg(caller.operatorCode()));
}

int requiredColumn(const Delta& delta, const QString& name) {
    const int index = delta.indexOf(name);
    if (index < 0) throw MethodError(QStringLiteral("Pacote de alterações sem o campo-chave %1.").arg(name), -32602);
    return index;
}

// The proposal a change names, old and new, each exactly a key (proposal_key.h).
struct ChangeKeys {
    std::optional<Key> before, after;
    bool moved() const { return before && after && *before != *after; }
};

ChangeKeys keysOf(const RowChange& change, int number, int version) {
    ChangeKeys k;
    const auto exactly = [&](const QVariantList& values) {
        return Key{proposal_key::number(values.value(number)), proposal_key::version(values.value(version))};
    };
    if (change.op != ChangeOp::Insert) k.before = exactly(change.oldValues);
    if (change.op != ChangeOp::Delete) k.after = exactly(change.newValues);
    return k;
}

// Versions of one number belong together: a new or renumbered version joins a stored
// number only when every stored version of it is his to change.
void requireNumberWritable(Database& db, Caller& caller, const QString& number) {
    const QList<StoredOwner> owners = ownersOf(db.query(
        QStringLiteral("SELECT CDFILIAL, CDOPERINCL, CDOPERSOLI FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N"),
        {{"N", proposal_key::number(number)}}, kOwnerShape));
    for (const StoredOwner& owner : owners) requireOwner(caller, owner, Use::Write);
}

}  // namespace

// A version may be typed short ("1"): methods that take it so find "01", and so does this.
QString paddedVersion(const QString& version) {
    bool numeric = false;
    const int n = version.toInt(&numeric);
    return numeric && n >= 0 && n < 100 ? QStringLiteral("%1").arg(n, proposal_key::kVersionDigits, 10, QLatin1Char('0')) : version;
}

void requireVisible(Database& db, Caller& caller, const QString& number, const QString& version, Use use) {
    const std::optional<StoredOwner> owner = storedOwner(db, number, version);
    if (owner) requireOwner(caller, *owner, use);
}

void requireVisibleNumber(Database& db, Caller& caller, const QString& number, Use use) {
    const QList<StoredOwner> owners = ownersOf(db.query(
        QStringLiteral("SELECT CDFILIAL, CDOPERINCL, CDOPERSOLI FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N"),
        {{"N", proposal_key::number(number)}}, kOwnerShape));
    if (owners.isEmpty()) return;
    // Refused with the reason of the first version when none is his to see.
    for (const StoredOwner& owner : owners)
        if (caller.worksIn(owner.branch) && (caller.seesAllProposals() || ownedBy(owner, caller.operatorCode()))) return;
    requireOwner(caller, owners.first(), use);
}

QSet<Key> requireHeaderDeltaRights(Database& db, Caller& caller, const Delta& delta) {
    const int number = requiredColumn(delta, kNumber);
    const int version = requiredColumn(delta, kVersion);
    const int branch = delta.indexOf(QStringLiteral("CDFILIAL"));
    const int included = delta.indexOf(QStringLiteral("CDOPERINCL"));
    QSet<Key> touched;
    for (const RowChange& change : delta.changes) {
        const ChangeKeys keys = keysOf(change, number, version);
        if (keys.moved() && keys.before->first != keys.after->first)
            throw MethodError(QStringLiteral("O número de uma proposta não pode ser alterado."));
        std::optional<StoredOwner> stored;
        if (keys.before) {
            touched.insert(*keys.before);
            stored = storedOwner(db, keys.before->first, keys.before->second);
            // A row that is not there any more is the resolver's to report.
            if (stored) requireOwner(caller, *stored, Use::Write);
        }
        if (change.op == ChangeOp::Delete) continue;
        touched.insert(*keys.after);
        if (change.op == ChangeOp::Insert || keys.moved()) requireNumberWritable(db, caller, keys.after->first);
        const QString newBranch = textAt(change.newValues, branch);
        const QString newIncluded = textAt(change.newValues, included);
        if (change.op == ChangeOp::Insert) {
            caller.requireBranch(newBranch);
            if (!newIncluded.isEmpty()) caller.requireSelf(newIncluded);
            continue;
        }
        if (branch >= 0 && stored && newBranch != stored->branch) caller.requireBranch(newBranch);
        if (included >= 0 && stored && newIncluded.compare(stored->included, Qt::CaseInsensitive) != 0)
            caller.requireSelf(newIncluded);
    }
    return touched;
}

QSet<Key> requireChildDeltaRights(Database& db, Caller& caller, const Delta& delta) {
    const int number = requiredColumn(delta, kNumber);
    const int version = requiredColumn(delta, kVersion);
    QSet<Key> touched;
    for (const RowChange& change : delta.changes) {
        const ChangeKeys keys = keysOf(change, number, version);
        if (keys.moved())
            throw MethodError(QStringLiteral("O número e a versão da proposta de um registro não podem ser alterados."));
        touched.insert(keys.before ? *keys.before : *keys.after);
    }
    for (const Key& key : touched) requireVisible(db, caller, key.first, key.second, Use::Write);
    return touched;
}

}  // namespace cot::server::proposal_rights
