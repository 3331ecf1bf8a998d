// SQL text and results as both the host's queries and the server's storage read them.

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include "sql/sql_packet.h"
#include "sql/sql_text.h"
#include "unit_cases.h"

namespace {

class SqlPacketTest : public ::testing::Test {
protected:
    void SetUp() override {
        db_ = QSqlDatabase::addDatabase("QSQLITE", "sql_packet");
        db_.setDatabaseName(":memory:");
        ASSERT_TRUE(db_.open());
        for (const char* sql :
             {"CREATE TABLE T (ID INTEGER, NOME VARCHAR(20), OBS VARCHAR, NOTA TEXT, VALOR DOUBLE PRECISION,"
              " DT TIMESTAMP, HORA TIME, ATIVO BOOLEAN)",
              "INSERT INTO T VALUES (1, 'Ana', 'x', 'nota', 10, '2026-12-06 10:30:00', '2026-12-06 08:00:00', 1)",
              "INSERT INTO T VALUES (2, 'Bruno', NULL, NULL, 2.5, NULL, NULL, 0)"})
            ASSERT_TRUE(QSqlQuery(db_).exec(sql)) << sql;
    }
    void TearDown() override {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase("sql_packet");
    }
    Packet read(const QString& sql, const QList<FieldDef>& shape = {}) {
        QSqlQuery q(db_);
        q.setForwardOnly(true);
        EXPECT_TRUE(q.exec(sql)) << q.lastError().text().toStdString();
        return sql::readPacket(q, shape);
    }
    const FieldDef& field(const Packet& p, const QString& name) { return p.fields.at(p.indexOf(name)); }

    QSqlDatabase db_;
};

}  // namespace

TEST(SqlText, LiteralsCommentsAndCastsAreNotParameters) {
    const auto p = sql::toPositional(
        "SELECT ':A', \"x:B\", x::text -- :C\n FROM t /* :D */ WHERE a = :E AND b = :e2 AND c = :E");
    EXPECT_EQ(p.names, (QStringList{"E", "E2", "E"}));
    EXPECT_EQ(p.sql, "SELECT ':A', \"x:B\", x::text -- :C\n FROM t /* :D */ WHERE a = ? AND b = ? AND c = ?");
    EXPECT_EQ(sql::toPositional("SELECT 'it''s :X' || :Y").names, QStringList{"Y"});
    EXPECT_EQ(sql::toPositional("SELECT X::TEXT, :a, :B1 FROM T WHERE Y = :A").sql,
              "SELECT X::TEXT, ?, ? FROM T WHERE Y = ?");
}

TEST_F(SqlPacketTest, DeclaredTypesAndUpperCaseNamesOnSqlite) {
    const Packet p = read("SELECT ID, NOME AS apelido, OBS, NOTA, VALOR, DT, HORA, ATIVO FROM T ORDER BY ID");
    // Names as PostgreSQL gives them to the same code: upper case, whatever the alias says
    // (APELIDO). Unsized text has no limit.
    EXPECT_EQ(p.fields, (QList<FieldDef>{{"ID", FieldType::Integer, 0}, {"APELIDO", FieldType::String, 20},
                                         {"OBS", FieldType::Memo, 0}, {"NOTA", FieldType::Memo, 0},
                                         {"VALOR", FieldType::Float, 0}, {"DT", FieldType::DateTime, 0},
                                         {"HORA", FieldType::DateTime, 0}, {"ATIVO", FieldType::Boolean, 0}}));
    // Dates stored as text come back as dates.
    EXPECT_EQ(p.rows, (QList<QVariantList>{{qint64(1), "Ana", "x", "nota", 10.0, QDateTime(QDate(2026, 12, 6), QTime(10, 30)),
                                            QDateTime(QDate(2026, 12, 6), QTime(8, 0)), true},
                                           {qint64(2), "Bruno", {}, {}, 2.5, {}, {}, false}}));
}

TEST_F(SqlPacketTest, ExpressionsAreTypedByTheirValuesTheShapeWinsAndBoundValuesMatch) {
    const Packet p = read("SELECT COUNT(*) AS N, SUM(VALOR) AS TOTAL, MAX(NOME) || '!' AS TXT, NULL AS NADA FROM T");
    EXPECT_EQ(p.fields, (QList<FieldDef>{{"N", FieldType::Integer, 0}, {"TOTAL", FieldType::Float, 0},
                                         {"TXT", FieldType::String, 6}, {"NADA", FieldType::String, 1}}));  // "Bruno!"
    EXPECT_EQ(p.value(0, "N"), QVariant(qint64(2)));

    // a column whose first values are whole numbers and later ones fractions has decimals
    const Packet mixed = read("SELECT CASE WHEN ID = 1 THEN 1 ELSE 2.5 END AS V FROM T ORDER BY ID");
    EXPECT_EQ(field(mixed, "V").type, FieldType::Float);
    EXPECT_EQ(mixed.value(0, "V"), QVariant(1.0));

    const Packet shaped = read("SELECT ID, VALOR FROM T ORDER BY ID", {{"valor", FieldType::String, 10}});
    EXPECT_EQ(std::pair(field(shaped, "VALOR").type, field(shaped, "VALOR").size), std::pair(FieldType::String, 10));
    EXPECT_EQ(shaped.value(1, "VALOR"), QVariant(QString("2.5")));

    // Bound values compare with the stored ones.
    EXPECT_TRUE(sql::bindable(QVariant()).isNull() && sql::bindable(QDateTime()).isNull());  // never the empty text
    EXPECT_EQ(sql::bindable(QDate(2026, 12, 6)), QVariant(QString("2026-12-06 00:00:00")));
    EXPECT_EQ(sql::bindable(true), QVariant(1));

    QSqlQuery q(db_);
    ASSERT_TRUE(q.prepare("SELECT ID FROM T WHERE DT = ? AND ATIVO = ?"));
    q.addBindValue(sql::bindable(QDateTime(QDate(2026, 12, 6), QTime(10, 30))));
    q.addBindValue(sql::bindable(true));
    ASSERT_TRUE(q.exec());
    const Packet found = sql::readPacket(q);
    ASSERT_EQ(found.rows.size(), 1);
    EXPECT_EQ(found.value(0, "ID"), QVariant(qint64(1)));
}
