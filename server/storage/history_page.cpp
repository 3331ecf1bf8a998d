#include "server/storage/history_page.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

#include "server/rpc/method_registry.h"
#include "server/storage/history_items.h"
#include "server/storage/database.h"
#include "server/storage/query_packet.h"

namespace cot::server::history {

namespace {

constexpr int kMaxCursor = 100;
constexpr qint64 kMaxSkipped = 1'000'000;
const QString kBadCursor = QStringLiteral("Posição de continuação do histórico inválida: leia-o outra vez do início.");
const QString kCursorPrefix = QStringLiteral("h1.");
// Where the page's columns are (the order of page.fields below).
// The cursor stays the last column, where readers of the first pages found it.
constexpr int kTableAt = 3, kKeyAt = 4, kDescriptionAt = 9, kCursorAt = 10;

// Where a page ends: the last row sent, and how many rows of its instant and sequence
// were sent up to it (rows alike in both are told apart by their place among them).
struct Position {
    QString at;  // DTHIST as the engine gives it: bound back, it compares equal to itself
    qint64 sequence = 0;
    qint64 sent = 0;
};

QString encode(const Position& p) {
    const QByteArray plain = (p.at + u'|' + QString::number(p.sequence) + u'|' + QString::number(p.sent)).toUtf8();
    return kCursorPrefix +
           QString::fromLatin1(plain.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

bool validInstant(const QString& at) {
    static const QRegularExpression form(QStringLiteral(
        "^(\\d{4})-(\\d{2})-(\\d{2})[T ](\\d{2}):(\\d{2}):(\\d{2})(\\.\\d{1,6})?(Z|[+-]\\d{2}(:?\\d{2})?)?$"));
    const QRegularExpressionMatch m = form.match(at);
    if (!m.hasMatch()) return false;
    const auto n = [&](int i) { return m.captured(i).toInt(); };
    return QDate::isValid(n(1), n(2), n(3)) && QTime::isValid(n(4), n(5), n(6));
}

Position decode(const QString& cursor) {
    static const QRegularExpression base64url(QStringLiteral("^[A-Za-z0-9_-]+$"));
    static const QRegularExpression integer(QStringLiteral("^-?\\d{1,18}$"));
    if (cursor.size() > kMaxCursor || !cursor.startsWith(kCursorPrefix)) throw MethodError(kBadCursor, -32602);
    const QString body = cursor.mid(kCursorPrefix.size());
    if (!base64url.match(body).hasMatch()) throw MethodError(kBadCursor, -32602);
    const auto decoded = QByteArray::fromBase64Encoding(
        body.toLatin1(), QByteArray::Base64UrlEncoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) throw MethodError(kBadCursor, -32602);
    const QStringList parts = QString::fromUtf8(*decoded).split(u'|');
    if (parts.size() != 3 || !validInstant(parts[0]) || !integer.match(parts[1]).hasMatch() ||
        !integer.match(parts[2]).hasMatch())
        throw MethodError(kBadCursor, -32602);
    const Position p{parts[0], parts[1].toLongLong(), parts[2].toLongLong()};
    if (p.sent < 1 || p.sent > kMaxSkipped) throw MethodError(kBadCursor, -32602);
    return p;
}

// The first `count` characters as the engines count them (a character outside the 16-bit
// range is one), and how many there are.
qsizetype characters(const QString& text) {
    qsizetype n = text.size();
    for (const QChar c : text) n -= c.isLowSurrogate() ? 1 : 0;
    return n;
}
QString firstCharacters(const QString& text, qsizetype count) {
    qsizetype at = 0;
    for (; at < text.size() && count > 0; ++at, --count)
        if (text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate()) ++at;
    return text.left(at);
}

// A value cut to kValueCharacters, the last of them "…" when it was longer. The query
// reads one character more than that, so a longer one is known.
QVariant capped(const SqlRow& row, int column) {
    if (row.kind(column) == SqlRow::Kind::Null) return {};
    const QString text = textOf(row, column);
    if (characters(text) <= kValueCharacters) return text;
    return firstCharacters(text, kValueCharacters - 1) + QChar(0x2026);
}

QVariant textOrNull(const SqlRow& row, int column) {
    if (row.kind(column) == SqlRow::Kind::Null) return {};
    return textOf(row, column);
}

}  // namespace

Packet readPage(Database& db, const PageRequest& r) {
    const std::optional<Position> from = r.cursor.isEmpty() ? std::nullopt : std::optional(decode(r.cursor));
    QVariantMap params = r.readableParams;
    params.insert(QStringLiteral("NR"), r.number);
    params.insert(QStringLiteral("VER"), r.version);
    params.insert(QStringLiteral("CAP"), kValueCharacters + 1);
    params.insert(QStringLiteral("LIM"), r.rows + 1);
    params.insert(QStringLiteral("SKIP"), from ? from->sent : 0);
    QString sql = QStringLiteral(
        "SELECT DTHIST, NRSEQHIST, SUBSTR(CDOPERADOR, 1, 12) AS CDOPERADOR, SUBSTR(NMMETODO, 1, 40) AS NMMETODO, "
        "SUBSTR(NMTABELA, 1, 30) AS NMTABELA, SUBSTR(DSCHAVE, 1, 200) AS DSCHAVE, "
        "SUBSTR(IDOPERHIST, 1, 1) AS IDOPERHIST, SUBSTR(NMCAMPO, 1, 30) AS NMCAMPO, "
        "SUBSTR(VLANTERIOR, 1, :CAP) AS VLANTERIOR, SUBSTR(VLNOVO, 1, :CAP) AS VLNOVO "
        "FROM HISTPROP WHERE NRPROPOSFAS = :NR AND NRVERPROPFAS = :VER AND (") +
                  r.readable + u')';
    if (!r.tables.isEmpty()) {
        QStringList markers;
        for (int i = 0; i < r.tables.size(); ++i) {
            markers << QStringLiteral(":TAB%1").arg(i);
            params.insert(QStringLiteral("TAB%1").arg(i), r.tables[i]);
        }
        sql += QStringLiteral(" AND NMTABELA IN (") + markers.join(QStringLiteral(", ")) + u')';
    }
    if (from) {
        // The rows of the cursor's instant and sequence come first: OFFSET passes those sent.
        sql += QStringLiteral(" AND (DTHIST < :DT OR (DTHIST = :DT AND NRSEQHIST <= :SEQ))");
        params.insert(QStringLiteral("DT"), from->at);
        params.insert(QStringLiteral("SEQ"), from->sequence);
    }
    sql += QStringLiteral(" ORDER BY DTHIST DESC, NRSEQHIST DESC, NMTABELA, DSCHAVE, NMCAMPO, IDOPERHIST, "
                          "CDOPERADOR, NMMETODO, VLANTERIOR, VLNOVO LIMIT :LIM OFFSET :SKIP");

    Packet page;
    page.fields = {{QStringLiteral("DTHIST"), FieldType::DateTime, 0},   {QStringLiteral("CDOPERADOR"), FieldType::String, 12},
                   {QStringLiteral("NMMETODO"), FieldType::String, 40},  {QStringLiteral("NMTABELA"), FieldType::String, 30},
                   {QStringLiteral("DSCHAVE"), FieldType::String, 200},  {QStringLiteral("IDOPERHIST"), FieldType::FixedString, 1},
                   {QStringLiteral("NMCAMPO"), FieldType::String, 30},   {QStringLiteral("VLANTERIOR"), FieldType::Memo, 0},
                   {QStringLiteral("VLNOVO"), FieldType::Memo, 0},       {QStringLiteral("DSREGISTRO"), FieldType::String, kDescriptionCharacters},
                   {QStringLiteral("DSCURSOR"), FieldType::String, kMaxCursor}};
    const QStringList cells{QStringLiteral("CDOPERADOR"), QStringLiteral("NMMETODO"), QStringLiteral("NMTABELA"),
                            QStringLiteral("DSCHAVE"),    QStringLiteral("IDOPERHIST"), QStringLiteral("NMCAMPO")};
    RowColumn dtColumn("DTHIST"), sequenceColumn("NRSEQHIST"), beforeColumn("VLANTERIOR"), afterColumn("VLNOVO");
    std::vector<RowColumn> cellColumns;
    for (const QString& name : cells) cellColumns.emplace_back(name.toLatin1().constData());
    Position last = from.value_or(Position{});
    qint64 valueCharacters = 0;
    bool more = false;
    db.forEachRow(sql, params, [&](const SqlRow& row) {
        if (more) return;  // read to the end of the LIMIT, kept nowhere
        if (page.rows.size() == r.rows) {
            more = true;
            return;
        }
        const int dt = dtColumn.in(row);
        QVariantList values{dateOf(row, dt)};
        for (RowColumn& cell : cellColumns) values << textOrNull(row, cell.in(row));
        const QVariant before = capped(row, beforeColumn.in(row));
        const QVariant after = capped(row, afterColumn.in(row));
        const qint64 size = before.toString().size() + after.toString().size();
        if (!page.rows.isEmpty() && valueCharacters + size > kPageValueCharacters) {
            more = true;
            return;
        }
        valueCharacters += size;
        values << before << after << QVariant() << QVariant();
        page.rows << values;
        const QString at = QString::fromUtf8(row.text(dt).toByteArray());
        const qint64 sequence = row.integer(sequenceColumn.in(row));
        if (at == last.at && sequence == last.sequence) {
            ++last.sent;
        } else {
            last = Position{at, sequence, 1};
        }
    });
    if (more) page.rows.last()[kCursorAt] = encode(last);
    // The rows' descriptions once the page is read: the engine's cursor is closed by now.
    RowDescriber describer(db, r.number, r.version, r.readable, r.readableParams);
    for (QVariantList& row : page.rows) {
        const QString text = describer.describe(row[kTableAt].toString(), row[kKeyAt].toString());
        if (!text.isEmpty()) row[kDescriptionAt] = text.left(kDescriptionCharacters);
    }
    return page;
}

}  // namespace cot::server::history
