// The accepted version of each proposal number (server/methods/deal_acceptance.h): the
// number is the key, so the database itself refuses a second accepted version. Filled from
// the rows already stored: the approved version (the earliest approval when there are
// more), else the version the client accepted first on his page.
#include <QHash>

#include "data/packet.h"
#include "server/migrations/migration_steps.h"

namespace cot::server::detail {

namespace {

struct Held {
    QString ver;
    QDateTime at;
};

// The first row of each number, in the query's order, unless the number is held already.
void takeFirsts(const Packet& p, QHash<QString, Held>& held) {
    for (int row = 0; row < p.rows.size(); ++row) {
        const QString nr = p.value(row, QStringLiteral("NRPROPOSFAS")).toString().trimmed();
        if (held.contains(nr)) continue;
        held.insert(nr, {p.value(row, QStringLiteral("NRVERPROPFAS")).toString().trimmed(),
                         p.value(row, QStringLiteral("DTACEITE")).toDateTime()});
    }
}

void fillFromStoredAcceptances(Database& db) {
    static const QList<FieldDef> shape{{QStringLiteral("NRPROPOSFAS"), FieldType::String, 20},
                                       {QStringLiteral("NRVERPROPFAS"), FieldType::String, 2},
                                       {QStringLiteral("DTACEITE"), FieldType::DateTime, 0}};
    QHash<QString, Held> held;
    takeFirsts(db.query(QStringLiteral("SELECT NRPROPOSFAS, NRVERPROPFAS, DTACEPROPFAS AS DTACEITE FROM PROPOSTAFAS "
                                       "WHERE DTACEPROPFAS IS NOT NULL "
                                       "ORDER BY NRPROPOSFAS, DTACEPROPFAS, NRVERPROPFAS"),
                        {}, shape),
               held);
    takeFirsts(db.query(QStringLiteral("SELECT NRPROPOSFAS, NRVERPROPFAS, DTDECISAO AS DTACEITE FROM DECISAOPROP "
                                       "WHERE IDDECISAO = 'A' ORDER BY NRPROPOSFAS, DTDECISAO, NRVERPROPFAS"),
                        {}, shape),
               held);
    for (auto it = held.cbegin(); it != held.cend(); ++it)
        db.exec(QStringLiteral("INSERT INTO ACEITEPROP (NRPROPOSFAS, NRVERPROPFAS, DTACEITE) VALUES (:NR, :VER, :AT)"),
                {{"NR", it.key()}, {"VER", it->ver}, {"AT", it->at}});
}

}  // namespace

MigrationStep dealAcceptanceMigration() {
    MigrationStep step;
    step.version = 15;
    step.description = QStringLiteral("uma versão aceita por proposta");
    step.commonSql = QStringLiteral(R"SQL(
CREATE TABLE ACEITEPROP (
    NRPROPOSFAS     VARCHAR(20)  NOT NULL,
    NRVERPROPFAS    VARCHAR(2)   NOT NULL,
    DTACEITE        TIMESTAMP    NOT NULL,
    PRIMARY KEY (NRPROPOSFAS)
);
)SQL");
    step.dataStep = fillFromStoredAcceptances;
    return step;
}

}  // namespace cot::server::detail
