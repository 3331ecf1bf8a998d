#include "server/storage/proposal_history.h"

#include <QDateTime>
#include <QRegularExpression>
#include <atomic>

#include "base/clock.h"
#include "server/storage/database.h"
#include "server/storage/resolver.h"

namespace cot::server::history {

namespace {

const QString kNumber = QStringLiteral("NRPROPOSFAS");
const QString kVersion = QStringLiteral("NRVERPROPFAS");

// Orders the rows of one instant: it grows with every row this server writes, whichever
// connection writes it.
std::atomic<qint64> sequence{0};

// What every row of one change shares, and what each of its fields adds.
struct Entry {
    QString nr, ver, table, key;
    QChar operation;
};
struct FieldChange {
    QString field;
    QVariant before, after;
};

QVariant orNull(const QString& text) { return text.isEmpty() ? QVariant() : QVariant(text); }

// The branch and the operators of the version, as its rows say now: the stored version
// (the change already applied), or, once it is deleted, what its history kept last.
// Unknown stays null: such rows are read only by those the null allows (history_rights.h).
struct Owners {
    QVariant branch, included, requested;
};

Owners ownersNow(Database& db, const Entry& e) {
    const QVariantMap key{{QStringLiteral("NR"), e.nr}, {QStringLiteral("VER"), e.ver}};
    static const QList<FieldDef> shape{{QStringLiteral("CDFILIAL"), FieldType::String, 4},
                                       {QStringLiteral("CDOPERINCL"), FieldType::String, 12},
                                       {QStringLiteral("CDOPERSOLI"), FieldType::String, 12}};
    Packet p = db.query(QStringLiteral("SELECT CDFILIAL, CDOPERINCL, CDOPERSOLI FROM PROPOSTAFAS "
                                       "WHERE NRPROPOSFAS = :NR AND NRVERPROPFAS = :VER"),
                        key, shape);
    if (p.rows.isEmpty())
        p = db.query(QStringLiteral("SELECT CDFILIAL, CDOPERINCL, CDOPERSOLI FROM HISTPROP "
                                    "WHERE NRPROPOSFAS = :NR AND NRVERPROPFAS = :VER "
                                    "ORDER BY DTHIST DESC, NRSEQHIST DESC LIMIT 1"),
                     key, shape);
    if (p.rows.isEmpty()) return {};
    return {p.value(0, QStringLiteral("CDFILIAL")), p.value(0, QStringLiteral("CDOPERINCL")),
            p.value(0, QStringLiteral("CDOPERSOLI"))};
}

// The rows of one change in one statement (a save sets a dozen fields or more; a statement
// per field was a third of the save's work). What the rows share is bound once by name.
void write(Database& db, const Entry& e, const QList<FieldChange>& fields) {
    if (fields.isEmpty()) return;
    const Database::Author& author = db.author();
    const Owners owners = ownersNow(db, e);
    QString sql = QStringLiteral("INSERT INTO HISTPROP (NRPROPOSFAS, NRVERPROPFAS, DTHIST, NRSEQHIST, CDOPERADOR, "
                                 "NMMETODO, NMTABELA, DSCHAVE, IDOPERHIST, NMCAMPO, VLANTERIOR, VLNOVO, "
                                 "CDFILIAL, CDOPERINCL, CDOPERSOLI) VALUES ");
    QVariantMap params{{QStringLiteral("NR"), e.nr},
                       {QStringLiteral("VER"), e.ver},
                       {QStringLiteral("DT"), Clock::current().now()},
                       {QStringLiteral("OPER"), orNull(author.operatorCode)},
                       {QStringLiteral("MET"), orNull(author.method.left(40))},
                       {QStringLiteral("TAB"), orNull(e.table)},
                       {QStringLiteral("CHAVE"), orNull(e.key.left(200))},
                       {QStringLiteral("OP"), QString(e.operation)},
                       {QStringLiteral("FIL"), owners.branch},
                       {QStringLiteral("INCL"), owners.included},
                       {QStringLiteral("SOLI"), owners.requested}};
    for (int i = 0; i < fields.size(); ++i) {
        const FieldChange& f = fields[i];
        const QString n = QString::number(i);
        if (i > 0) sql += QStringLiteral(", ");
        sql += QStringLiteral("(:NR, :VER, :DT, :SEQ%1, :OPER, :MET, :TAB, :CHAVE, :OP, :CAMPO%1, :ANT%1, :NOVO%1, :FIL, :INCL, :SOLI)").arg(n);
        params.insert(QStringLiteral("SEQ") + n, ++sequence);
        params.insert(QStringLiteral("CAMPO") + n, orNull(f.field));
        params.insert(QStringLiteral("ANT") + n, f.before.isNull() ? QVariant() : QVariant(valueText(f.before)));
        params.insert(QStringLiteral("NOVO") + n, f.after.isNull() ? QVariant() : QVariant(valueText(f.after)));
    }
    db.exec(sql, params);
}

bool differ(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull()) return a.isNull() != b.isNull();
    return valueText(a) != valueText(b);
}

}  // namespace

QString valueText(const QVariant& value) {
    if (value.isNull()) return {};
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        return value.toDateTime().toString(Qt::ISODate);
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate);
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'f', 6).remove(QRegularExpression(QStringLiteral("\\.?0+$")));
    default:
        return value.toString();
    }
}

void recordChange(Database& db, const TableResolver& resolver, const Delta& delta, const RowChange& change) {
    const int nrAt = delta.indexOf(kNumber), verAt = delta.indexOf(kVersion);
    if (nrAt < 0 || verAt < 0 || !resolver.columns.contains(kNumber, Qt::CaseInsensitive)) return;
    const QVariantList& row = change.op == ChangeOp::Insert ? change.newValues : change.oldValues;
    Entry e;
    e.nr = row.value(nrAt).toString();
    e.ver = row.value(verAt).toString();
    e.table = resolver.table;
    QStringList key;
    for (const QString& column : resolver.keyColumns) {
        const int at = delta.indexOf(column);
        if (at >= 0) key << column + u'=' + valueText(row.value(at));
    }
    e.key = key.join(QStringLiteral("; "));
    e.operation = change.op == ChangeOp::Insert ? u'I' : change.op == ChangeOp::Update ? u'A' : u'E';
    // Only the table's own columns: a delta may carry joined names and calculated values.
    QList<FieldChange> fields;
    for (const QString& column : resolver.columns) {
        const int at = delta.indexOf(column);
        if (at < 0) continue;
        const FieldType type = delta.fields[at].type;
        const QVariant before = change.op == ChangeOp::Insert ? QVariant() : coerceValue(change.oldValues.value(at), type);
        const QVariant after = change.op == ChangeOp::Delete ? QVariant() : coerceValue(change.newValues.value(at), type);
        if (differ(before, after)) fields << FieldChange{column, before, after};
    }
    write(db, e, fields);
}

void recordMethodRun(Database& db, const QString& nr, const QString& ver, const QString& origin) {
    Entry e;
    e.nr = nr;
    e.ver = ver;
    e.operation = u'M';
    write(db, e, {FieldChange{QString(), origin.isEmpty() ? QVariant() : QVariant(origin), QVariant()}});
}

}  // namespace cot::server::history
