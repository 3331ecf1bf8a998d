// A database made by an earlier release is brought up to date at start and keeps every row;
// one made by a newer program is refused untouched.
#include "base/clock.h"
#include "server/migrations/migrations.h"
#include "server/seed/demo_seed.h"
#include "server/storage/database.h"
#include "server_cases_b.h"

using namespace cot;
using namespace cot::server;

namespace {

// A fresh, empty database of the engine.
class Upgrade : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        Clock::setCurrent(std::make_shared<FixedClock>(QDateTime(QDate(2026, 12, 6), QTime(10, 0))));
    }
    void TearDown() override { Clock::setCurrent(nullptr); }
    std::map<QString, int> rowsPerTable() {
        const QString tables = db_->dialect() == Dialect::Sqlite
                                   ? "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'"
                                   : "SELECT UPPER(table_name) FROM information_schema.tables WHERE table_schema = current_schema()";
        std::map<QString, int> out;
        for (const QVariantList& row : db_->query(tables).rows)
            out[row.value(0).toString()] = db_->scalar("SELECT COUNT(*) FROM " + row.value(0).toString()).toInt();
        return out;
    }
    // Every table of `before` still has its rows (the schema's own record of versions aside).
    static void expectRowsKept(const std::map<QString, int>& before, const std::map<QString, int>& after) {
        for (const auto& [table, rows] : before)
            EXPECT_TRUE(table == "SCHEMA_VERSION" || after.at(table) == rows) << table.toStdString() << ": " << rows;
    }

    cot::server::testing::ScratchDatabase scratch_{GetParam()};
    Database* db_ = &scratch_.db();
};

TEST_P(Upgrade, TheFirstSchemaIsBroughtUpToDateKeepingItsRegisters) {
    migrate(*db_, 1);
    db_->exec("INSERT INTO FILIAL (CDFILIAL, NMFILIAL) VALUES ('0001', 'Matriz')");
    db_->exec("INSERT INTO OPERADOR (CDOPERADOR, NMOPERADOR, IDOPERATIVO, DSHASHSENHA) VALUES ('ANTIGO1', 'Operador', 'A', "
              "'sha256:s:" + QByteArray(64, 'a') + "')");
    db_->exec("INSERT INTO OPERFILI (CDOPERADOR, CDFILIAL) VALUES ('ANTIGO1', '0001')");
    const auto before = rowsPerTable();
    ASSERT_FALSE(before.count("PROPOSTAFAS")) << "the first schema has no proposals yet";

    migrate(*db_);
    EXPECT_EQ(db_->scalar("SELECT MAX(VERSION) FROM SCHEMA_VERSION").toInt(), latestSchemaVersion());
    expectRowsKept(before, rowsPerTable());
    EXPECT_EQ(db_->scalar("SELECT DSHASHSENHA FROM OPERADOR WHERE CDOPERADOR = 'ANTIGO1'").toString().left(9), "sha256:s:");
    EXPECT_EQ(rowsPerTable().at("SESSAO"), 0);
}

TEST_P(Upgrade, ADatabaseFullOfDataFromBeforeTheAcceptanceOperatorKeepsEveryRow) {
    migrate(*db_, 4);
    seedDemo(*db_);
    // Proposals stored before new ones were given a language.
    db_->exec("UPDATE PROPOSTAFAS SET IDIDIOMA = NULL WHERE NRPROPOSFAS = '00000000000000000002'");
    db_->exec("UPDATE PROPOSTAFAS SET IDIDIOMA = '' WHERE NRPROPOSFAS = '00000000000000000003'");
    const auto before = rowsPerTable();
    ASSERT_GT(before.at("PROPOSTAFAS"), 10);
    migrate(*db_);
    expectRowsKept(before, rowsPerTable());
    // The accepted proposals of then have no acceptance operator: the new column is empty.
    // ...and those without a language take the default one, so their texts can be made again.
    EXPECT_EQ(db_->scalar("SELECT COUNT(*) FROM PROPOSTAFAS WHERE CDOPERACEITE IS NOT NULL OR IDIDIOMA IS NULL "
                          "OR IDIDIOMA <> 'POR'").toInt(), 0);
}

TEST_P(Upgrade, ANewerDatabaseIsRefusedAndLeftAsItIs) {
    migrate(*db_);
    db_->exec("INSERT INTO SCHEMA_VERSION (VERSION, DSVERSION) VALUES (:V, 'futura')", {{"V", latestSchemaVersion() + 1}});
    const auto before = rowsPerTable();
    try {
        migrate(*db_);
        ADD_FAILURE() << "migrated a newer database";
    } catch (const SchemaTooNew& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()),
                  QString("O banco está na versão de esquema %1, mais nova que a deste programa (%2): atualize o programa.")
                      .arg(latestSchemaVersion() + 1)
                      .arg(latestSchemaVersion()));
    }
    EXPECT_EQ(rowsPerTable(), before);
}

COT_ON_EVERY_ENGINE(Upgrade);

}  // namespace
