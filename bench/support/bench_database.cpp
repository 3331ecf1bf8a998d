#include "support/bench_database.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QUrl>
#include <stdexcept>

#include "server/migrations/migrations.h"
#include "server/seed/demo_seed.h"
#include "server/storage/database.h"

namespace cot::bench {

using server::Database;

bool BenchDatabase::postgresAvailable() { return !qEnvironmentVariableIsEmpty("COT_TEST_PG"); }

BenchDatabase::BenchDatabase(bool demo, Engine engine) : engine_(engine) {
    if (engine_ == Engine::Sqlite) {
        if (!dir_.isValid()) throw std::runtime_error("no temporary folder for the bench database");
        path_ = dir_.filePath(QStringLiteral("bench.db"));
        url_ = QStringLiteral("sqlite:") + path_;
    } else {
        if (!postgresAvailable()) throw std::runtime_error("COT_TEST_PG is not set");
        adminUrl_ = qEnvironmentVariable("COT_TEST_PG");
        name_ = QStringLiteral("cot_bench_%1_%2")
                    .arg(QCoreApplication::applicationPid())
                    .arg(QRandomGenerator::global()->generate());
        Database::open(adminUrl_)->exec(QStringLiteral("CREATE DATABASE ") + name_);
        QUrl url(adminUrl_);
        url.setPath(u'/' + name_);
        url_ = url.toString();
    }
    auto db = open();
    server::migrate(*db);
    if (!demo) return;
    server::seedDemo(*db);
    branch_ = db->scalar(QStringLiteral("SELECT MIN(CDFILIAL) FROM FILIAL")).toString();
    client_ = db->scalar(QStringLiteral("SELECT MIN(CDCLIENTE) FROM CLIENTE")).toString();
    oper_ = db->scalar(QStringLiteral("SELECT MIN(CDOPERADOR) FROM OPERADOR")).toString();
}

BenchDatabase::~BenchDatabase() {
    if (engine_ != Engine::Postgres) return;
    try {
        // FORCE: connections a server under measurement kept open would hold it otherwise.
        Database::open(adminUrl_)->exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name_));
    } catch (...) {
    }
}

std::unique_ptr<Database> BenchDatabase::open() const { return Database::open(url()); }

void BenchDatabase::addGeneratedProposals(int count) {
    auto db = open();
    server::Transaction t(*db);
    // Rows that differ as real ones do (dates, amounts, references, a random part in the
    // notes), so that sizes and compression are not flattered by identical rows. The same
    // rows on both engines, each in its own SQL.
    const QString sqlite = QStringLiteral(
        "WITH RECURSIVE SEQ(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM SEQ WHERE I < :N) "
        "INSERT INTO PROPOSTAFAS (NRPROPOSFAS, NRVERPROPFAS, CDFILIAL, IDSOLPROPFAS, IDCLIENPROSP, "
        "CDCLIENTE, DSREFEPROPOSFAS, DTPROPOSFAS, DTVALPROPFAS, CDOPERSOLI, CDOPERINCL, CDOPERRESP, "
        "IDTIPOPROPFAS, VRPACOTESERV, IDTIPOCOBRSERV, DSOBSPROPFAS) "
        "SELECT printf('9%08d', I), printf('%02d', I % 3), :F, 'N', 'C', :C, "
        "CASE I % 5 WHEN 0 THEN 'Implantação do módulo fiscal' WHEN 1 THEN 'Licença de uso do ERP' "
        "WHEN 2 THEN 'Manutenção mensal' WHEN 3 THEN 'Locação de equipamentos' ELSE 'Consultoria' END "
        "|| ' ' || I, date('2020-01-01', '+' || (I % 2500) || ' days') || ' 00:00:00', "
        "date('2020-01-01', '+' || (I % 2500 + 30) || ' days') || ' 00:00:00', :O1, :O2, :O3, 'M', "
        "(I * 7919 % 1000000) / 100.0, 'P', 'Observação ' || hex(randomblob(6)) FROM SEQ");
    const QString postgres = QStringLiteral(
        "INSERT INTO PROPOSTAFAS (NRPROPOSFAS, NRVERPROPFAS, CDFILIAL, IDSOLPROPFAS, IDCLIENPROSP, "
        "CDCLIENTE, DSREFEPROPOSFAS, DTPROPOSFAS, DTVALPROPFAS, CDOPERSOLI, CDOPERINCL, CDOPERRESP, "
        "IDTIPOPROPFAS, VRPACOTESERV, IDTIPOCOBRSERV, DSOBSPROPFAS) "
        "SELECT '9' || lpad(I::TEXT, 8, '0'), lpad((I % 3)::TEXT, 2, '0'), :F, 'N', 'C', :C, "
        "CASE I % 5 WHEN 0 THEN 'Implantação do módulo fiscal' WHEN 1 THEN 'Licença de uso do ERP' "
        "WHEN 2 THEN 'Manutenção mensal' WHEN 3 THEN 'Locação de equipamentos' ELSE 'Consultoria' END "
        "|| ' ' || I, DATE '2020-01-01' + (I % 2500), DATE '2020-01-01' + (I % 2500 + 30), :O1, :O2, :O3, 'M', "
        "(I * 7919 % 1000000) / 100.0, 'P', 'Observação ' || upper(substr(md5(random()::TEXT), 1, 12)) "
        "FROM generate_series(1, :N) AS SEQ(I)");
    db->exec(engine_ == Engine::Sqlite ? sqlite : postgres,
             {{"N", count}, {"F", branch_}, {"C", client_}, {"O1", oper_}, {"O2", oper_}, {"O3", oper_}});
    t.commit();
    if (engine_ == Engine::Postgres) db->exec(QStringLiteral("ANALYZE PROPOSTAFAS"));
}

}  // namespace cot::bench
