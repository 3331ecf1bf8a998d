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
    db->exec(QStringLiteral(
                 "WITH RECURSIVE SEQ(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM SEQ WHERE I < :N) "
                 "INSERT INTO PROPOSTAFAS (NRPROPOSFAS, NRVERPROPFAS, CDFILIAL, IDSOLPROPFAS, IDCLIENPROSP, "
                 "CDCLIENTE, DSREFEPROPOSFAS, DTPROPOSFAS, DTVALPROPFAS, CDOPERSOLI, CDOPERINCL, CDOPERRESP, "
                 "IDTIPOPROPFAS, VRPACOTESERV, IDTIPOCOBRSERV, DSOBSPROPFAS) "
                 "SELECT printf('9%08d', I), '00', :F, 'N', 'C', :C, 'Proposta gerada ' || I, "
                 "'2026-01-01 00:00:00', '2026-12-31 00:00:00', :O1, :O2, :O3, 'M', 1000.5 + I, 'P', "
                 "'Observação da proposta gerada para a medição' FROM SEQ"),
             {{"N", count}, {"F", branch_}, {"C", client_}, {"O1", oper_}, {"O2", oper_}, {"O3", oper_}});
    t.commit();
}

}  // namespace cot::bench
