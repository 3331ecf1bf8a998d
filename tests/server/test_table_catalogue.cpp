// The catalogue describes what the migrations build, on each engine: the same tables,
// the same columns with their types, sizes and nullability, the same keys.
#include <QMap>
#include <QRegularExpression>

#include "data/table_catalogue.h"
#include "server/migrations/migrations.h"
#include "server_cases_b.h"

using namespace cot;
using namespace cot::server;
using cot::catalogue::ColumnType;
using cot::server::testing::ScratchDatabase;

namespace {

// One column as "NAME TYPE(n) [NOT NULL]", the same words on both engines.
struct Found {
    QStringList columns, key;
};

// The catalogue's types as a CREATE TABLE writes them, in ColumnType's order.
const char* const kTypeWords[] = {"VARCHAR", "CHAR", "TEXT", "INTEGER", "BIGINT", "DOUBLE PRECISION", "TIMESTAMP", "DATE"};
static_assert(std::size(kTypeWords) == size_t(ColumnType::Date) + 1);

QString described(const QString& name, const QString& type, int size, bool notNull) {
    return QStringLiteral("%1 %2%3%4").arg(name.toUpper(), type, size > 0 ? QStringLiteral("(%1)").arg(size) : QString(),
                                           notNull ? QStringLiteral(" NOT NULL") : QString());
}

QMap<QString, Found> catalogued() {
    QMap<QString, Found> out;
    for (const catalogue::TableDef& t : catalogue::tables()) {
        Found& f = out[t.name];
        for (const catalogue::ColumnDef& c : t.columns)
            f.columns << described(c.name, kTypeWords[int(c.type)], c.size, c.notNull || t.key.contains(c.name));
        f.key = t.key;
    }
    return out;
}

// SQLite keeps each column's declared type as written; a key column other than an
// INTEGER one is not made NOT NULL by the key, so the key's columns count as required.
QMap<QString, Found> sqliteSchema(Database& db) {
    static const QRegularExpression declared(QStringLiteral("^([A-Z ]+?)\\s*(?:\\((\\d+)\\))?$"));
    QMap<QString, Found> out;
    for (const QVariantList& t : db.query(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'")).rows) {
        const QString table = t.value(0).toString().toUpper();
        Found& f = out[table];
        QMap<int, QString> key;
        for (const QVariantList& c : db.query(QStringLiteral("SELECT name, type, \"notnull\", pk FROM pragma_table_info(:T) ORDER BY cid"),
                                              {{"T", t.value(0).toString()}}).rows) {
            const QRegularExpressionMatch m = declared.match(c.value(1).toString().toUpper().simplified());
            EXPECT_TRUE(m.hasMatch()) << table.toStdString() << ": " << c.value(1).toString().toStdString();
            const bool inKey = c.value(3).toInt() > 0;
            if (inKey) key.insert(c.value(3).toInt(), c.value(0).toString().toUpper());
            f.columns << described(c.value(0).toString(), m.captured(1), m.captured(2).toInt(), c.value(2).toInt() != 0 || inKey);
        }
        f.key = key.values();
    }
    return out;
}

QMap<QString, Found> postgresSchema(Database& db) {
    static const QMap<QString, QString> words{
        {"character varying", "VARCHAR"}, {"character", "CHAR"}, {"text", "TEXT"}, {"integer", "INTEGER"},
        {"bigint", "BIGINT"}, {"double precision", "DOUBLE PRECISION"}, {"timestamp without time zone", "TIMESTAMP"},
        {"date", "DATE"}};
    QMap<QString, Found> out;
    for (const QVariantList& c : db.query(QStringLiteral("SELECT table_name, column_name, data_type, character_maximum_length, "
                                                         "is_nullable FROM information_schema.columns WHERE table_schema = "
                                                         "current_schema() ORDER BY table_name, ordinal_position")).rows) {
        const QString type = c.value(2).toString();
        EXPECT_TRUE(words.contains(type)) << type.toStdString();
        out[c.value(0).toString().toUpper()].columns
            << described(c.value(1).toString(), words.value(type), c.value(3).toInt(), c.value(4).toString() == QLatin1String("NO"));
    }
    const Packet keys = db.query(QStringLiteral(
        "SELECT k.table_name, k.column_name FROM information_schema.table_constraints c "
        "JOIN information_schema.key_column_usage k ON k.constraint_name = c.constraint_name "
        " AND k.table_schema = c.table_schema AND k.table_name = c.table_name "
        "WHERE c.constraint_type = 'PRIMARY KEY' AND c.table_schema = current_schema() "
        "ORDER BY k.table_name, k.ordinal_position"));
    for (const QVariantList& k : keys.rows) out[k.value(0).toString().toUpper()].key << k.value(1).toString().toUpper();
    return out;
}

class TableCatalogueTest : public ::testing::TestWithParam<std::string> {};

TEST_P(TableCatalogueTest, DescribesTheMigratedSchema) {
    ScratchDatabase scratch(GetParam());
    Database& db = scratch.db();
    migrate(db);
    QMap<QString, Found> found = db.dialect() == Dialect::Sqlite ? sqliteSchema(db) : postgresSchema(db);
    found.remove(QStringLiteral("SCHEMA_VERSION"));  // the migration runner's own
    const QMap<QString, Found> expected = catalogued();
    EXPECT_EQ(found.keys(), expected.keys());
    for (auto t = expected.cbegin(); t != expected.cend(); ++t)
        EXPECT_EQ(std::pair(found.value(t.key()).columns, found.value(t.key()).key), std::pair(t->columns, t->key))
            << t.key().toStdString();
}

COT_ON_EVERY_ENGINE(TableCatalogueTest);

TEST(TableCatalogue, LooksUpSizesKeysAndFields) {
    const catalogue::TableDef& lines = catalogue::table(QStringLiteral("linpclie"));
    EXPECT_EQ(lines.size(QStringLiteral("CDSISTEMAS")), 449);
    EXPECT_EQ(catalogue::table("PROPOSTAFAS").keyCondition({"NR", "VER"}, "P"), "P.NRPROPOSFAS = :NR AND P.NRVERPROPFAS = :VER");
    EXPECT_THROW(catalogue::table("PROPOSTAFAS").keyCondition({"A", "B", "C"}), std::invalid_argument);
    EXPECT_EQ(catalogue::table("HISTPROP").column("dthist").field(), (FieldDef{"DTHIST", FieldType::DateTime, 0}));
    EXPECT_EQ((std::vector{catalogue::textSize("TXTPROPFAS", "TXPROPFAS"), catalogue::textSize("PDFENVIO", "TXHASHPDF"),
                           catalogue::textSize("PROPOSTAFAS", "VRTOTCENTPROP"), catalogue::textSize("TABELADOTESTE", "QUALQUER")}),
              (std::vector<std::optional<int>>{catalogue::kMemoCharacters, 64, std::nullopt, catalogue::kMemoCharacters}));
    EXPECT_THROW(catalogue::textSize("PROPOSTAFAS", "NAOEXISTE"), std::invalid_argument);
    EXPECT_THROW(catalogue::table("NAOEXISTE"), std::invalid_argument);
    EXPECT_THROW(lines.size(QStringLiteral("NRUSUALINPC")), std::invalid_argument);
}

}  // namespace
