#include "support/bench_database.h"

#include <stdexcept>

#include "server/migrations/migrations.h"
#include "server/seed/demo_seed.h"
#include "server/storage/database.h"

namespace cot::bench {

using server::Database;

BenchDatabase::BenchDatabase(bool demo) {
    if (!dir_.isValid()) throw std::runtime_error("no temporary folder for the bench database");
    path_ = dir_.filePath(QStringLiteral("bench.db"));
    auto db = open();
    server::migrate(*db);
    if (!demo) return;
    server::seedDemo(*db);
    branch_ = db->scalar(QStringLiteral("SELECT MIN(CDFILIAL) FROM FILIAL")).toString();
    client_ = db->scalar(QStringLiteral("SELECT MIN(CDCLIENTE) FROM CLIENTE")).toString();
    oper_ = db->scalar(QStringLiteral("SELECT MIN(CDOPERADOR) FROM OPERADOR")).toString();
}

std::unique_ptr<Database> BenchDatabase::open() const { return Database::open(url()); }

void BenchDatabase::addGeneratedProposals(int count) {
    auto db = open();
    server::Transaction t(*db);
    // Rows that differ as real ones do (dates, amounts, references, a random part in the
    // notes), so that sizes and compression are not flattered by identical rows.
    db->exec(QStringLiteral(
                 "WITH RECURSIVE SEQ(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM SEQ WHERE I < :N) "
                 "INSERT INTO PROPOSTAFAS (NRPROPOSFAS, NRVERPROPFAS, CDFILIAL, IDSOLPROPFAS, IDCLIENPROSP, "
                 "CDCLIENTE, DSREFEPROPOSFAS, DTPROPOSFAS, DTVALPROPFAS, CDOPERSOLI, CDOPERINCL, CDOPERRESP, "
                 "IDTIPOPROPFAS, VRPACOTESERV, IDTIPOCOBRSERV, DSOBSPROPFAS) "
                 "SELECT printf('9%08d', I), printf('%02d', I % 3), :F, 'N', 'C', :C, "
                 "CASE I % 5 WHEN 0 THEN 'Implantação do módulo fiscal' WHEN 1 THEN 'Licença de uso do ERP' "
                 "WHEN 2 THEN 'Manutenção mensal' WHEN 3 THEN 'Locação de equipamentos' ELSE 'Consultoria' END "
                 "|| ' ' || I, date('2020-01-01', '+' || (I % 2500) || ' days') || ' 00:00:00', "
                 "date('2020-01-01', '+' || (I % 2500 + 30) || ' days') || ' 00:00:00', :O1, :O2, :O3, 'M', "
                 "(I * 7919 % 1000000) / 100.0, 'P', 'Observação ' || hex(randomblob(6)) FROM SEQ"),
             {{"N", count}, {"F", branch_}, {"C", client_}, {"O1", oper_}, {"O2", oper_}, {"O3", oper_}});
    t.commit();
}

}  // namespace cot::bench
