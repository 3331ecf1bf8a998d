#include "server/storage/history_items.h"

#include <QDateTime>
#include <QRegularExpression>

#include "data/format_br.h"
#include "data/proposal_number.h"
#include "server/storage/database.h"

namespace cot::server::history {

namespace {

const QString kNumber = QStringLiteral("NRPROPOSFAS");
const QString kVersion = QStringLiteral("NRVERPROPFAS");
const QString kDash = QStringLiteral(" – ");

QStringList keyOf(const char* a, const char* b = nullptr) {
    QStringList key{kNumber, kVersion, QString::fromLatin1(a)};
    if (b) key << QString::fromLatin1(b);
    return key;
}

// A due date as kept in a key ("2027-01-10T00:00:00") the way the screens show it.
QString dueDate(const QString& stored) {
    const QDateTime at = QDateTime::fromString(stored, Qt::ISODate);
    return at.isValid() ? formatDate(at) : stored;
}

QString joined(const QString& a, const QString& b) {
    if (a.isEmpty()) return b;
    return b.isEmpty() ? a : a + kDash + b;
}

}  // namespace

RowDescriber::RowDescriber(Database& db, const QString& number, const QString& version, const QString& readable,
                           const QVariantMap& readableParams)
    : db_(db), number_(number), version_(version), readable_(readable), readableParams_(readableParams) {}

QString RowDescriber::keyValue(const QString& key, const QString& column, const QStringList& keyColumns) {
    const QString head = column + u'=';
    qsizetype at = key.startsWith(head) ? 0 : key.indexOf(QStringLiteral("; ") + head);
    if (at < 0) return {};
    at += at == 0 ? head.size() : head.size() + 2;
    qsizetype end = key.size();
    for (const QString& other : keyColumns) {
        if (other == column) continue;
        const qsizetype next = key.indexOf(QStringLiteral("; ") + other + u'=', at);
        if (next >= 0 && next < end) end = next;
    }
    return key.mid(at, end - at).trimmed();
}

QString RowDescriber::describe(const QString& table, const QString& key) {
    const QString t = table.trimmed().toUpper();
    if (t.isEmpty() || key.isEmpty()) return {};
    const QString cached = t + u'|' + key;
    if (const auto found = known_.constFind(cached); found != known_.cend()) return *found;
    QString text;
    if (t == u"LINPPROP") {
        text = line(keyValue(key, QStringLiteral("CDLINPPROP"), keyOf("CDLINPPROP")));
    } else if (t == u"SISTLINPPROP") {
        const QStringList k = keyOf("CDLINPPROP", "CDSISTEMA");
        const QString system = keyValue(key, QStringLiteral("CDSISTEMA"), k);
        const Packet p = db_.query(QStringLiteral("SELECT SGSISTEMA, NMSISTEMA FROM SISTEMA WHERE CDSISTEMA = :S"),
                                   {{QStringLiteral("S"), system}});
        const QString name = p.rows.isEmpty() ? system
                                              : joined(p.value(0, QStringLiteral("SGSISTEMA")).toString().trimmed(),
                                                       p.value(0, QStringLiteral("NMSISTEMA")).toString().trimmed());
        const QString of = line(keyValue(key, QStringLiteral("CDLINPPROP"), k));
        text = of.isEmpty() ? name : QStringLiteral("%1 (linha %2)").arg(name, of);
    } else if (t == u"VENCLINPPROP") {
        const QStringList k = keyOf("CDLINPPROP", "DTVELUSOPEDP");
        text = joined(dueDate(keyValue(key, QStringLiteral("DTVELUSOPEDP"), k)),
                      line(keyValue(key, QStringLiteral("CDLINPPROP"), k)));
    } else if (t == u"SERVPROP") {
        text = service(keyValue(key, QStringLiteral("NRSERVPROP"), keyOf("NRSERVPROP")));
    } else if (t == u"VENCSERVPROP") {
        text = dueDate(keyValue(key, QStringLiteral("DTVENCSERVPROP"), keyOf("DTVENCSERVPROP")));
    } else if (t == u"TXTPROPFAS") {
        text = keyValue(key, QStringLiteral("CDTXTPROPFAS"), keyOf("CDTXTPROPFAS"));
    } else if (t == u"SIMULAPROP") {
        text = simulation(keyValue(key, QStringLiteral("NRSIMULAPROP"), keyOf("NRSIMULAPROP")));
    } else if (t == u"SIMULALINP") {
        const QStringList k = keyOf("NRSIMULAPROP", "NRORDLINPSIMULA");
        text = QStringLiteral("%1, linha %2")
                   .arg(simulation(keyValue(key, QStringLiteral("NRSIMULAPROP"), k)),
                        shortNumber(keyValue(key, QStringLiteral("NRORDLINPSIMULA"), k)));
    }
    known_.insert(cached, text);
    return text;
}

QString RowDescriber::line(const QString& code) {
    if (code.isEmpty()) return {};
    const QVariantMap row = current(QStringLiteral("SELECT CDLINPPROPINFOR, NMLINPPROP FROM LINPPROP WHERE "
                                                   "NRPROPOSFAS = :NR AND NRVERPROPFAS = :VER AND CDLINPPROP = :K"),
                                    {{QStringLiteral("K"), code}}, QStringLiteral("LINPPROP"),
                                    QStringLiteral("CDLINPPROP=") + code,
                                    {QStringLiteral("CDLINPPROPINFOR"), QStringLiteral("NMLINPPROP")});
    const QString text = joined(row.value(QStringLiteral("CDLINPPROPINFOR")).toString().trimmed(),
                                row.value(QStringLiteral("NMLINPPROP")).toString().trimmed());
    return text.isEmpty() ? shortNumber(code) : text;
}

QString RowDescriber::service(const QString& number) {
    if (number.isEmpty()) return {};
    const QVariantMap row = current(QStringLiteral("SELECT CDTIPOSERV FROM SERVPROP WHERE "
                                                   "NRPROPOSFAS = :NR AND NRVERPROPFAS = :VER AND NRSERVPROP = :K"),
                                    {{QStringLiteral("K"), number}}, QStringLiteral("SERVPROP"),
                                    QStringLiteral("NRSERVPROP=") + number, {QStringLiteral("CDTIPOSERV")});
    const QString type = row.value(QStringLiteral("CDTIPOSERV")).toString().trimmed();
    if (type.isEmpty()) return QStringLiteral("Serviço %1").arg(shortNumber(number));
    const QString name =
        db_.scalar(QStringLiteral("SELECT NMTIPOSERV FROM TIPOSERV WHERE CDTIPOSERV = :T"), {{QStringLiteral("T"), type}})
            .toString()
            .trimmed();
    return name.isEmpty() ? type : name;
}

QString RowDescriber::simulation(const QString& number) {
    if (number.isEmpty()) return {};
    const QVariantMap row = current(QStringLiteral("SELECT NMSIMULAPROP FROM SIMULAPROP WHERE "
                                                   "NRPROPOSFAS = :NR AND NRVERPROPFAS = :VER AND NRSIMULAPROP = :K"),
                                    {{QStringLiteral("K"), number}}, QStringLiteral("SIMULAPROP"),
                                    QStringLiteral("NRSIMULAPROP=") + number, {QStringLiteral("NMSIMULAPROP")});
    const QString name = row.value(QStringLiteral("NMSIMULAPROP")).toString().trimmed();
    return name.isEmpty() ? QStringLiteral("Simulação %1").arg(shortNumber(number)) : name;
}

QVariantMap RowDescriber::current(const QString& sql, const QVariantMap& params, const QString& table,
                                  const QString& key, const QStringList& columns) {
    QVariantMap all = params;
    all.insert(QStringLiteral("NR"), number_);
    all.insert(QStringLiteral("VER"), version_);
    QList<FieldDef> shape;
    for (const QString& c : columns) shape.append({c, FieldType::String, 0});
    const Packet p = db_.query(sql, all, shape);
    if (p.rows.isEmpty()) return lastKept(table, key, columns);
    QVariantMap row;
    for (const QString& c : columns) row.insert(c, p.value(0, c));
    return row;
}

QVariantMap RowDescriber::lastKept(const QString& table, const QString& key, const QStringList& columns) {
    // Only keys of digits are looked up so: LIKE reads nothing else in them.
    static const QRegularExpression digits(QStringLiteral("^[A-Z]+=\\d+$"));
    if (!digits.match(key).hasMatch()) return {};
    QVariantMap params = readableParams_;
    params.insert(QStringLiteral("NR"), number_);
    params.insert(QStringLiteral("VER"), version_);
    params.insert(QStringLiteral("TAB"), table);
    params.insert(QStringLiteral("KEND"), QStringLiteral("%") + key);
    params.insert(QStringLiteral("KMID"), QStringLiteral("%") + key + QStringLiteral(";%"));
    QStringList markers;
    for (int i = 0; i < columns.size(); ++i) {
        markers << QStringLiteral(":C%1").arg(i);
        params.insert(QStringLiteral("C%1").arg(i), columns[i]);
    }
    const Packet p = db_.query(
        QStringLiteral("SELECT NMCAMPO, VLANTERIOR, VLNOVO FROM HISTPROP WHERE NRPROPOSFAS = :NR AND "
                       "NRVERPROPFAS = :VER AND NMTABELA = :TAB AND (DSCHAVE LIKE :KEND OR DSCHAVE LIKE :KMID) "
                       "AND NMCAMPO IN (") +
            markers.join(QStringLiteral(", ")) + QStringLiteral(") AND (") + readable_ +
            QStringLiteral(") ORDER BY DTHIST DESC, NRSEQHIST DESC"),
        params,
        {{QStringLiteral("NMCAMPO"), FieldType::String, 30},
         {QStringLiteral("VLANTERIOR"), FieldType::Memo, 0},
         {QStringLiteral("VLNOVO"), FieldType::Memo, 0}});
    QVariantMap row;
    for (int r = 0; r < p.rows.size() && row.size() < columns.size(); ++r) {
        const QString column = p.value(r, QStringLiteral("NMCAMPO")).toString();
        if (row.contains(column)) continue;
        // A deletion kept the value as it was; any other change, as it became.
        const QVariant after = p.value(r, QStringLiteral("VLNOVO"));
        row.insert(column, after.isNull() ? p.value(r, QStringLiteral("VLANTERIOR")) : after);
    }
    return row;
}

}  // namespace cot::server::history
