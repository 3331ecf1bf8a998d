#include "server/migrations/version_value_sql.h"

#include "server/storage/database.h"

namespace cot::server {

namespace {

// Cut to the cent as truncCents() does: the amount read to 15 significant digits, then
// the digits after the cents dropped (towards zero). Floating sums such as 0.29 × 100 =
// 28.999999999999996 are read back as 29 that way, as the desktop's rule reads them.
// SQLite writes a real as text with 15 significant digits; PostgreSQL converts a double to
// numeric with 15 as well.
QString cents(Dialect dialect, const QString& amount) {
    if (dialect == Dialect::Postgres)
        return QStringLiteral("CAST(TRUNC(CAST(COALESCE(%1, 0) AS NUMERIC) * 100) AS BIGINT)").arg(amount);
    return QStringLiteral("CAST(CAST(CAST(CAST(CAST(COALESCE(%1, 0) AS TEXT) AS REAL) * 100 AS TEXT) AS REAL) AS INTEGER)")
        .arg(amount);
}

// Inside a trigger SQLite takes no alias for the table it updates: the version's row is
// named by the table itself.
const char* const kOfVersion = "%1.NRPROPOSFAS = PROPOSTAFAS.NRPROPOSFAS AND %1.NRVERPROPFAS = PROPOSTAFAS.NRVERPROPFAS";
const char* const kOfLine =
    "V.NRPROPOSFAS = L.NRPROPOSFAS AND V.NRVERPROPFAS = L.NRVERPROPFAS AND V.CDLINPPROP = L.CDLINPPROP";

QString ofVersion(const char* alias) { return QString::fromLatin1(kOfVersion).arg(QLatin1String(alias)); }

QString licence() {
    return QStringLiteral(
               "(SELECT SUM(CASE WHEN EXISTS (SELECT 1 FROM VENCLINPPROP V WHERE %2) "
               "THEN (SELECT SUM(V.VRVELUSOPEDP) FROM VENCLINPPROP V WHERE %2) "
               "ELSE (COALESCE(L.VRLICENCUSOPROP, 0) - COALESCE(L.VRDESLICUSOPROP, 0)) * COALESCE(L.QTMINIMAFATPROP, 0) END) "
               "FROM LINPPROP L WHERE %1)")
        .arg(ofVersion("L"), QLatin1String(kOfLine));
}

QString monthly() {
    return QStringLiteral("(SELECT SUM((COALESCE(L.VRMENSALIDAPROP, 0) - COALESCE(L.VRDESMENSALPROP, 0)) "
                          "* COALESCE(L.QTMINIMAFATPROP, 0)) FROM LINPPROP L WHERE %1)")
        .arg(ofVersion("L"));
}

QString services() {
    return QStringLiteral("CASE WHEN TRIM(COALESCE(PROPOSTAFAS.IDTIPOCOBRSERV, '')) = 'P' "
                          "THEN CASE WHEN EXISTS (SELECT 1 FROM VENCSERVPROP VS WHERE %1) "
                          "THEN (SELECT SUM(VS.VRVENCSERVPROP) FROM VENCSERVPROP VS WHERE %1) ELSE PROPOSTAFAS.VRPACOTESERV END "
                          "ELSE (SELECT SUM(COALESCE(S.QTSERVPROP, 0) * COALESCE(S.VRDEHORAPROP, 0)) "
                          "FROM SERVPROP S WHERE %2) END")
        .arg(ofVersion("VS"), ofVersion("S"));
}

// Each table whose rows count in a version's value; the version's own row counts by its
// way of charging the services and its package.
const char* const kChildTables[] = {"LINPPROP", "VENCLINPPROP", "SERVPROP", "VENCSERVPROP"};
const char* const kVersionFields = "IDTIPOCOBRSERV, VRPACOTESERV";

QString setBoth(Dialect dialect) {
    return QStringLiteral("UPDATE PROPOSTAFAS SET VRTOTCENTPROP = %1, VRMENCENTPROP = %2")
        .arg(versionOneOffCentsSql(dialect), versionMonthlyCentsSql(dialect));
}

QString updateOf(Dialect dialect, const QString& nr, const QString& ver) {
    return setBoth(dialect) + QStringLiteral(" WHERE PROPOSTAFAS.NRPROPOSFAS = %1 AND PROPOSTAFAS.NRVERPROPFAS = %2")
                                  .arg(nr, ver);
}

QString updateOfRow(const char* row) {
    const QString r = QLatin1String(row);
    return updateOf(Dialect::Sqlite, r + QStringLiteral(".NRPROPOSFAS"), r + QStringLiteral(".NRVERPROPFAS"));
}

// A row moved to another version changes the value of both.
const char* const kMoved = "(OLD.NRPROPOSFAS <> NEW.NRPROPOSFAS OR OLD.NRVERPROPFAS <> NEW.NRVERPROPFAS)";

QStringList sqliteTriggers() {
    QStringList out;
    auto trigger = [&](const QString& table, const char* suffix, const QString& event, const QString& body) {
        out << QStringLiteral("DROP TRIGGER IF EXISTS TG_%1_VALOR_%2").arg(table, QLatin1String(suffix));
        out << QStringLiteral("CREATE TRIGGER TG_%1_VALOR_%2 AFTER %3 ON %1 FOR EACH ROW BEGIN %4; END")
                   .arg(table, QLatin1String(suffix), event, body);
    };
    for (const char* t : kChildTables) {
        const QString table = QLatin1String(t);
        trigger(table, "INS", QStringLiteral("INSERT"), updateOfRow("NEW"));
        trigger(table, "UPD", QStringLiteral("UPDATE"),
                updateOfRow("NEW") + QStringLiteral("; ") + updateOfRow("OLD") + QStringLiteral(" AND ") +
                    QLatin1String(kMoved));
        trigger(table, "DEL", QStringLiteral("DELETE"), updateOfRow("OLD"));
    }
    const QString header = QStringLiteral("PROPOSTAFAS");
    trigger(header, "INS", QStringLiteral("INSERT"), updateOfRow("NEW"));
    trigger(header, "UPD", QStringLiteral("UPDATE OF %1").arg(QLatin1String(kVersionFields)), updateOfRow("NEW"));
    return out;
}

QStringList postgresTriggers() {
    QStringList out;
    out << QStringLiteral("CREATE OR REPLACE FUNCTION COT_VALOR_VERSAO(VARCHAR, VARCHAR) RETURNS VOID LANGUAGE SQL AS $$ "
                          "%1 $$")
               .arg(updateOf(Dialect::Postgres, QStringLiteral("$1"), QStringLiteral("$2")));
    out << QStringLiteral(
               "CREATE OR REPLACE FUNCTION COT_TG_VALOR_VERSAO() RETURNS TRIGGER LANGUAGE plpgsql AS $$ BEGIN "
               "IF TG_OP <> 'DELETE' THEN PERFORM COT_VALOR_VERSAO(NEW.NRPROPOSFAS, NEW.NRVERPROPFAS); END IF; "
               "IF TG_OP = 'DELETE' OR (TG_OP = 'UPDATE' AND %1) THEN "
               "PERFORM COT_VALOR_VERSAO(OLD.NRPROPOSFAS, OLD.NRVERPROPFAS); END IF; "
               "RETURN NULL; END $$")
               .arg(QLatin1String(kMoved));
    for (const char* t : kChildTables)
        out << QStringLiteral("DROP TRIGGER IF EXISTS TG_%1_VALOR ON %1").arg(QLatin1String(t))
            << QStringLiteral("CREATE TRIGGER TG_%1_VALOR AFTER INSERT OR UPDATE OR DELETE ON %1 "
                              "FOR EACH ROW EXECUTE FUNCTION COT_TG_VALOR_VERSAO()")
                   .arg(QLatin1String(t));
    out << QStringLiteral("DROP TRIGGER IF EXISTS TG_PROPOSTAFAS_VALOR ON PROPOSTAFAS");
    out << QStringLiteral("CREATE TRIGGER TG_PROPOSTAFAS_VALOR AFTER INSERT OR UPDATE OF %1 ON PROPOSTAFAS "
                          "FOR EACH ROW EXECUTE FUNCTION COT_TG_VALOR_VERSAO()")
               .arg(QLatin1String(kVersionFields));
    return out;
}

}  // namespace

QString versionOneOffCentsSql(Dialect dialect) {
    return QStringLiteral("(%1 + %2)").arg(cents(dialect, licence()), cents(dialect, services()));
}

QString versionMonthlyCentsSql(Dialect dialect) { return cents(dialect, monthly()); }

QStringList versionValueTriggerSql(Dialect dialect) {
    return dialect == Dialect::Postgres ? postgresTriggers() : sqliteTriggers();
}

QString versionValueFillSql(Dialect dialect) { return setBoth(dialect); }

}  // namespace cot::server
