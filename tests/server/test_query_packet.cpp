// Lists written straight from the query must carry what the packet built by query()
// carries, cell for cell, on both engines.

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "data/packet_json_reader.h"
#include "server/storage/query_packet.h"
#include "server_cases_b.h"

using namespace cot;
using namespace cot::testing;
using namespace cot::server;
using cot::server::testing::ScratchDatabase;

namespace {

constexpr int kRows = 100000;

const QList<FieldDef> kFields{
    {"ID", FieldType::Integer, 0}, {"GRANDE", FieldType::Integer, 0}, {"NOME", FieldType::String, 60}, {"VALOR", FieldType::Float, 0},
    {"DT", FieldType::DateTime, 0}, {"OBS", FieldType::Memo, 0}, {"ATIVO", FieldType::Boolean, 0}, {"CODIGO", FieldType::String, 12}};

class QueryPacketTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        scratch_ = std::make_unique<ScratchDatabase>(GetParam());
        db().exec("CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, GRANDE BIGINT, NOME VARCHAR(60), "
                  "VALOR DOUBLE PRECISION, DT TIMESTAMP, OBS TEXT, ATIVO INTEGER, CODIGO VARCHAR(12))");
        // Nulls in every column, accents, quotes, backslashes, line breaks, integers past
        // 2^53, fractions, dates with and without a time, numbers read as text.
        const QString values = QStringLiteral(
            "SELECT I, CASE WHEN I % 11 = 0 THEN NULL ELSE I * 92233720368 END, "
            "CASE WHEN I % 7 = 0 THEN NULL ELSE 'Ação \"' || I || '\" \\ çã' || CHR(10) || 'fim' END, "
            "CASE WHEN I % 13 = 0 THEN NULL ELSE I / 7.0 END, CASE WHEN I % 17 = 0 THEN NULL %1 END, "
            "CASE WHEN I % 19 = 0 THEN NULL ELSE 'memo ' || I END, CASE WHEN I % 23 = 0 THEN NULL ELSE I % 2 END, "
            "CASE WHEN I % 29 = 0 THEN NULL ELSE '' || (I * 3) END");
        if (db().dialect() == Dialect::Sqlite)
            db().exec(QStringLiteral("WITH RECURSIVE SEQ(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM SEQ WHERE I < %1) "
                                     "INSERT INTO T %2 FROM SEQ").arg(kRows)
                          .arg(values.arg("WHEN I % 5 = 0 THEN date('2000-01-01', '+' || I || ' days') "
                                          "ELSE datetime('2000-01-01', '+' || I || ' minutes')").replace("CHR(10)", "char(10)")));
        else
            db().exec(QStringLiteral("INSERT INTO T %1 FROM generate_series(1, %2) AS SEQ(I)")
                          .arg(values.arg("ELSE TIMESTAMP '2000-01-01' + I * INTERVAL '1 minute'")).arg(kRows));
    }
    Database& db() { return scratch_->db(); }
    std::unique_ptr<ScratchDatabase> scratch_;
};


// What the desktop received before lists were streamed: the packet built by query(),
// through the packet codec.
Packet throughCodec(const Packet& p) {
    return packetFromJson(QJsonDocument::fromJson(QJsonDocument(packetToJson(p)).toJson(QJsonDocument::Compact)).object());
}

// The list as the desktop reads it off the wire.
Packet streamed(Database& db, const QueryPacket& list) {
    QByteArray text;
    list.writeTo(db, text);
    return packetFromJsonText(text);
}
Packet streamed(Database& db, const QString& sql, const QVariantMap& params, const QList<FieldDef>& fields) {
    return streamed(db, QueryPacket{sql, params, fields, {}, {}});
}

// Every type a list may read, with the edges of each: integers past 2^53, the smallest
// bigint, numeric fractions, padded chars, accents and quotes, a date, a timestamp with
// milliseconds, booleans; and a row of nulls.
void createTypes(Database& db) {
    db.exec("CREATE TABLE U (ID INTEGER NOT NULL PRIMARY KEY, PEQ SMALLINT, GRANDE BIGINT, VALOR DOUBLE PRECISION, "
            "PRECO NUMERIC(15,2), NOME VARCHAR(30), SIGLA CHAR(6), OBS TEXT, DIA DATE, HORA TIMESTAMP, ATIVO BOOLEAN)");
    db.exec("INSERT INTO U VALUES (1, -32768, 9007199254740993, 0.1, 12345678901.25, 'Ação ''dupla'' \"x\"', 'ab', "
            "'linha\nfim \\ ç', '2024-02-29', '2024-02-29 23:59:58.123', TRUE)");
    db.exec("INSERT INTO U VALUES (2, 7, -9223372036854775807 - 1, -1e300, -0.05, '', 'abcdef', '', '1900-01-01', "
            "'1999-12-31 00:00:00', FALSE)");
    db.exec("INSERT INTO U (ID) VALUES (3)");
}

const QList<FieldDef> kTypeFields{
    {"ID", FieldType::Integer, 0}, {"PEQ", FieldType::Integer, 0}, {"GRANDE", FieldType::Integer, 0}, {"VALOR", FieldType::Float, 0},
    {"PRECO", FieldType::Float, 0}, {"NOME", FieldType::String, 30}, {"SIGLA", FieldType::FixedString, 6}, {"OBS", FieldType::Memo, 0},
    {"DIA", FieldType::DateTime, 0}, {"HORA", FieldType::DateTime, 0}, {"ATIVO", FieldType::Boolean, 0}};

const QString kTypesSql = QStringLiteral(
    "SELECT ID, PEQ, GRANDE, VALOR, PRECO, NOME, SIGLA, OBS, DIA, HORA, ATIVO FROM U WHERE ID >= :DE ORDER BY ID");

// A second connection to the same database, straight through the Qt driver.
QSqlDatabase plainConnection(const QString& url, const QString& name) {
    const QUrl u(url);
    QSqlDatabase plain = QSqlDatabase::addDatabase("QPSQL", name);
    plain.setHostName(u.host()), plain.setPort(u.port(5432)), plain.setDatabaseName(u.path().mid(1));
    plain.setUserName(u.userName()), plain.setPassword(u.password());
    return plain;
}

// What the server is doing for the other sessions of the database ("idle" once a reply
// has been read to its end), seen from a connection of its own.
QStringList otherSessions(const QString& url) {
    return cot::testing::column(
        Database::open(url)->query("SELECT state FROM pg_stat_activity WHERE datname = current_database() "
                                   "AND pid <> pg_backend_pid()"), "state");
}


}  // namespace

TEST_P(QueryPacketTest, StreamedRowsMatchTheBuiltPacketCellForCell) {
    const QString sql = QStringLiteral("SELECT ID, GRANDE, NOME, VALOR, DT, OBS, ATIVO, CODIGO FROM T ORDER BY ID");
    const Packet p = streamed(db(), sql, {}, kFields);
    ASSERT_EQ(p.rows.size(), kRows);
    expectSameCells(throughCodec(db().query(sql, {}, kFields)), p);

    // Every type a list may read, with the edges of each, and a row of nulls; no row at all.
    createTypes(db());
    const Packet types = streamed(db(), kTypesSql, {{"DE", 1}}, kTypeFields);
    ASSERT_EQ(types.rows.size(), 3);
    expectSameCells(throughCodec(db().query(kTypesSql, {{"DE", 1}}, kTypeFields)), types);
    EXPECT_EQ(std::tuple(types.rows[0][2].toLongLong(), types.rows[1][2].toLongLong(), types.rows[0][5].toString()),
              std::tuple(9007199254740993LL, std::numeric_limits<qint64>::min(), QStringLiteral("Ação 'dupla' \"x\"")));
    for (int c = 1; c < kTypeFields.size(); ++c) EXPECT_TRUE(types.rows[2][c].isNull()) << c;
    const Packet none = streamed(db(), kTypesSql, {{"DE", 99}}, kTypeFields);
    EXPECT_TRUE(none.fields == kTypeFields && none.rows.isEmpty());

    // Parameters are bound whatever they hold.
    // Texts with quotes and markers, a date against a timestamp, a number against an integer.
    const QString bound = QStringLiteral("SELECT ID FROM U WHERE (NOME = :NOME OR HORA < :ANTES OR GRANDE = :G) "
                                         "AND ID <> :FORA ORDER BY ID");
    const QVariantMap params{{"NOME", QStringLiteral("Ação 'dupla' \"x\"")}, {"ANTES", QDateTime(QDate(2000, 1, 1), QTime(0, 0))},
                             {"G", qlonglong(9007199254740993LL)}, {"FORA", 3}};
    const QList<FieldDef> fields{{"ID", FieldType::Integer, 0}};
    const Packet found = streamed(db(), bound, params, fields);
    EXPECT_EQ(found.rows.size(), 2);
    expectSameCells(throughCodec(db().query(bound, params, fields)), found);
    const QVariantMap nothing{{"NOME", QStringLiteral("'; DROP TABLE U; --")}, {"ANTES", {}}, {"G", {}}, {"FORA", 0}};
    EXPECT_TRUE(streamed(db(), bound, nothing, fields).rows.isEmpty());
    // A "?" of the text's own is not a parameter.
    const Packet marks = streamed(db(), "SELECT '?' AS Q FROM U WHERE ID = :ID", {{"ID", 1}}, {{"Q", FieldType::String, 1}});
    EXPECT_EQ(marks.rows, QList<QVariantList>{{"?"}});
}

TEST_P(QueryPacketTest, ComputedFieldsAndLeftOutRowsFollowTheRowRead) {
    QueryPacket list;
    list.sql = QStringLiteral("SELECT ID, NOME, DT FROM T WHERE ID <= :ATE ORDER BY ID");
    list.params = {{"ATE", 200}};
    list.fields = {{"ID", FieldType::Integer, 0}, {"ROTULO", FieldType::String, 80}, {"DIA", FieldType::DateTime, 0},
                   {"AUSENTE", FieldType::String, 5}};
    const auto day = [](const QDateTime& d) { return d.isValid() ? QVariant(QDateTime(d.date(), QTime(0, 0))) : QVariant(); };
    list.computed.insert("ROTULO", [nome = std::make_shared<RowColumn>("NOME")](const SqlRow& row) -> QVariant {
        return "» " + textOf(row, nome->in(row));
    });
    list.computed.insert("DIA", [dt = std::make_shared<RowColumn>("DT"), day](const SqlRow& row) { return day(dateOf(row, dt->in(row))); });
    list.keep = [](const SqlRow& row) { return row.integer(0) % 3 != 0; };

    const Packet source = db().query("SELECT ID, NOME, DT FROM T WHERE ID <= 200 ORDER BY ID", {},
                                     {{"NOME", FieldType::String, 60}, {"DT", FieldType::DateTime, 0}});
    QList<QVariantList> expected;
    for (const QVariantList& row : source.rows)
        if (row[0].toLongLong() % 3 != 0) expected.append({row[0], "» " + row[1].toString(), day(row[2].toDateTime()), QVariant()});
    expectSameCells(Packet{list.fields, expected}, streamed(db(), list));
}


// A query that fails at once or half-way (abs() of the smallest bigint fails on both
// engines, after earlier rows went out), or a caller that stops reading, leaves the
// connection usable, and a transaction around it as it should be.
TEST_P(QueryPacketTest, AFailureOrACallerStoppingHalfWayLeavesTheConnectionUsable) {
    EXPECT_THROW(streamed(db(), "SELECT NADA FROM TABELA_QUE_NAO_EXISTE", {}, kFields), DatabaseError);
    const QString failing = QStringLiteral(
        "SELECT ID, abs(CASE WHEN ID = 50000 THEN -9223372036854775807 - 1 ELSE ID END) AS V FROM T ORDER BY ID");
    int seen = 0;
    EXPECT_THROW(db().forEachRow(failing, {}, [&](const SqlRow&) { ++seen; }), DatabaseError);
    EXPECT_LT(seen, 50000);
    const QString sql = QStringLiteral("SELECT ID, NOME FROM T ORDER BY ID");
    const auto stopAt = [](int n) {
        return [n, seen = 0](const SqlRow&) mutable {
            if (++seen == n) throw std::runtime_error("cliente saiu");
        };
    };
    EXPECT_THROW(db().forEachRow(sql, {}, stopAt(10)), std::runtime_error);
    // The rest of the reply was stopped and read before the exception left: the server is
    // not still sending the rows nobody reads.
    EXPECT_EQ(db().dialect() == Dialect::Postgres ? otherSessions(scratch_->url()) : QStringList{"idle"}, QStringList{"idle"});
    EXPECT_EQ(db().scalar("SELECT COUNT(*) FROM T").toLongLong(), kRows);
    {
        Transaction t(db());
        EXPECT_THROW(db().forEachRow(failing, {}, [](const SqlRow&) {}), DatabaseError);
    }  // rolled back
    EXPECT_FALSE(db().inTransaction());
    // A caller stopping inside a transaction: the transaction goes on, its changes commit.
    {
        Transaction t(db());
        db().exec("UPDATE T SET OBS = 'tocado' WHERE ID = 1");
        EXPECT_THROW(db().forEachRow(sql, {}, stopAt(1)), std::runtime_error);
        db().exec("UPDATE T SET OBS = 'tocado' WHERE ID = 2");
        t.commit();
    }
    EXPECT_EQ(db().scalar("SELECT COUNT(*) FROM T WHERE OBS = 'tocado'").toLongLong(), 2);
    int rows = 0;
    db().forEachRow(sql, {}, [&](const SqlRow&) { ++rows; });
    EXPECT_EQ(rows + streamed(db(), "SELECT ID FROM T WHERE ID <= 5", {}, {{"ID", FieldType::Integer, 0}}).rows.size(), kRows + 5);
}

// What a row gives through value() is what the Qt driver gives for the same cell: same
// type, same value, nulls typed alike. Read through a second, plain Qt connection. (Worth
// running with TZ set to a zone with daylight saving: 2018-11-04 00:30 did not exist in
// America/Sao_Paulo.)
TEST_P(QueryPacketTest, ValuesAreTheDriversOwn) {
    if (db().dialect() != Dialect::Postgres) GTEST_SKIP() << "SQLite reads its values through its own API";
    createTypes(db());
    const QString sql = QStringLiteral(
        "SELECT U.*, NULL::TEXT AS NADA, TIME '10:11:12.5' AS T, TIMESTAMPTZ '2024-01-02 03:04:05.678+00' AS TZ, "
        "'\\x00ff41'::BYTEA AS B, 'NaN'::NUMERIC AS NN, '-Infinity'::FLOAT8 AS MI, 4000000000::INT8 AS I8, "
        "'nm'::NAME AS NM, TIMESTAMP '2024-01-02 03:04:05.5' AS F1, TIMESTAMP '2024-01-02 03:04:05.25' AS F2, "
        "TIMESTAMP '2024-01-02 03:04:05.123456' AS F6, TIMESTAMP '2018-11-04 00:30:00' AS GAP, "
        "TIMESTAMP '0099-01-01 00:00:00' AS VELHO, DATE '2018-11-04' AS DGAP FROM U ORDER BY ID");
    QList<QVariantList> ours;
    db().forEachRow(sql, {}, [&](const SqlRow& row) {
        QVariantList values;
        for (int c = 0; c < row.columns(); ++c) {
            values << row.value(c);
            // The typed reads agree with value().
            const SqlRow::Kind kind = row.kind(c);
            EXPECT_TRUE(kind == SqlRow::Kind::Integer ? row.integer(c) == row.value(c).toLongLong()
                        : kind == SqlRow::Kind::Real ? std::isnan(row.real(c)) || row.real(c) == row.value(c).toDouble()
                        : kind == SqlRow::Kind::Text
                            ? QString::fromUtf8(row.text(c).data(), row.text(c).size()) == row.value(c).toString()
                            : true)
                << c;
        }
        ours << values;
    });

    QList<QVariantList> theirs;
    {
        QSqlDatabase plain = plainConnection(scratch_->url(), "valores_do_driver");
        ASSERT_TRUE(plain.open());
        QSqlQuery q(plain);
        q.setForwardOnly(true);
        ASSERT_TRUE(q.exec(sql));
        while (q.next()) {
            QVariantList values;
            for (int c = 0; c < q.record().count(); ++c) values << q.value(c);
            theirs << values;
        }
    }
    QSqlDatabase::removeDatabase("valores_do_driver");
    ASSERT_EQ(ours.size(), theirs.size());
    for (int r = 0; r < ours.size(); ++r)
        for (int c = 0; c < ours[r].size() && c < theirs[r].size(); ++c) {
            const QVariant &a = ours[r][c], &b = theirs[r][c];
            const bool nan = a.typeId() == QMetaType::Double && std::isnan(a.toDouble()) && std::isnan(b.toDouble());
            const auto dated = [](const QVariant& v) {
                return std::pair(v.toDateTime().timeSpec(), v.toDateTime().toString(Qt::ISODateWithMs));
            };
            EXPECT_TRUE(a.typeId() == b.typeId() && a.isNull() == b.isNull() && (nan || a == b) &&
                        (a.typeId() != QMetaType::QDateTime || dated(a) == dated(b)))
                << r << "," << c << ": " << a.typeName() << " " << a.toString().toStdString() << " vs " << b.typeName()
                << " " << b.toString().toStdString();
        }
}

COT_ON_EVERY_ENGINE(QueryPacketTest);
