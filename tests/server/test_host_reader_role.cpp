// The PostgreSQL account scripts/pg_host_reader.sh makes for the desktop's own queries:
// through it the host reads branches, operators and proposals, but never the password
// hashes, the sessions or the failed sign-ins, and writes nothing even when it asks for
// read-write transactions itself.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>
#include <gtest/gtest.h>

#include "base/errors.h"
#include "services/local_query.h"
#include "support/qt_printers.h"
#include "support/test_server.h"

using namespace cot;
using cot::testing::Backend;
using cot::testing::TestServer;

namespace {

const char* const kInsufficientPrivilege = "42501";

QString scriptPath() {
    // This file lives in <source>/tests/server.
    return QFileInfo(QStringLiteral(__FILE__)).absoluteDir().filePath(QStringLiteral("../../scripts/pg_host_reader.sh"));
}

struct ScriptRun {
    int exitCode = -1;
    QString output;
};

ScriptRun runScript(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("bash"), QStringList{scriptPath()} + args);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished(5000);
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
}

// Roles belong to the whole PostgreSQL server: each test makes its own and drops it at the
// end, after its database is gone.
class ScratchRole {
public:
    explicit ScratchRole(const QString& kind = QStringLiteral("leitor"))
        : name_(QStringLiteral("cot_%1_%2_%3")
                    .arg(kind)
                    .arg(QCoreApplication::applicationPid())
                    .arg(QRandomGenerator::global()->bounded(1000000))) {}
    ~ScratchRole() {
        QProcess::execute(QStringLiteral("psql"), {"-X", "-q", "-d", qEnvironmentVariable("COT_TEST_PG"), "-c",
                                                   QStringLiteral("DROP ROLE IF EXISTS %1").arg(name_)});
    }
    const QString& name() const { return name_; }

private:
    QString name_;
};

struct HostDatabaseClosed {
    ~HostDatabaseClosed() { HostDatabase::close(); }
};

// The SQLSTATE of a statement run directly on the host connection; empty when it ran.
QString refusal(const QString& sql) {
    QSqlQuery q(HostDatabase::database());
    if (q.exec(sql)) return {};
    return q.lastError().nativeErrorCode();
}

int rows(const QString& sql, const QString& param = {}, const QVariant& value = {}) {
    TADOIBQuery q;
    q.setSql(sql);
    if (!param.isEmpty()) q.setParam(param, value);
    q.open();
    return q.recordCount();
}

class HostReaderRoleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "cot_server_test_host_reader_role";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
    }
    void SetUp() override {
        if (!cot::testing::ScratchPostgres::available()) GTEST_SKIP() << "COT_TEST_PG not set";
        if (QStandardPaths::findExecutable(QStringLiteral("psql")).isEmpty()) GTEST_SKIP() << "psql not installed";
    }
};

TEST_F(HostReaderRoleTest, TheAccountReadsWhatTheHostNeedsAndNoSecretAndWritesNothing) {
    ScratchRole role;
    TestServer server({.backend = Backend::Postgres, .seed = true});
    HostDatabaseClosed closed;
    const QString admin = server.databaseUrl();
    const bool sessions = server.db().scalar("SELECT to_regclass('public.sessao') IS NOT NULL").toBool();
    const int withoutPassword = server.db().scalar("SELECT COUNT(*) FROM OPERADOR WHERE DSHASHSENHA IS NULL").toInt();

    const QString password = QStringLiteral("só leitura, 'aspas' e \\barra");
    ScriptRun run = runScript({admin, role.name(), password});
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(server.db()
                    .scalar("SELECT rolpassword IS NOT NULL AND rolcanlogin FROM pg_authid WHERE rolname = :R",
                            {{"R", role.name()}})
                    .toBool());

    // Privileges given by hand before a run do not survive it.
    QStringList byHand{QStringLiteral("GRANT SELECT, UPDATE ON OPERADOR TO %1"), QStringLiteral("GRANT INSERT ON FILIAL TO %1")};
    if (sessions) byHand << QStringLiteral("GRANT SELECT ON SESSAO, FALHAENTRADA TO %1");
    for (const QString& grant : byHand) server.db().exec(grant.arg(role.name()));
    run = runScript({admin, role.name()});
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();

    QUrl reader(admin);
    reader.setUserName(role.name());
    reader.setPassword(password);
    HostDatabase::open(reader.toString());

    // The host's own queries: the operator's branches (sign-in), his name, a proposal.
    EXPECT_EQ(rows("SELECT O.CDFILIAL, F.NMFILIAL FROM OPERFILI O, FILIAL F "
                   "WHERE O.CDOPERADOR = :P_OPER AND F.CDFILIAL = O.CDFILIAL",
                   "P_OPER", "VENDEDOR"),
              2);
    EXPECT_EQ(rows("SELECT CDOPERADOR, NMOPERADOR, IDOPERATIVO, DSEMAILOPER FROM OPERADOR WHERE CDOPERADOR = :P_OPER",
                   "P_OPER", "VENDEDOR"),
              1);
    EXPECT_EQ(rows("SELECT NRPROPOSFAS, DSREFEPROPOSFAS FROM PROPOSTAFAS WHERE NRPROPOSFAS = :P_NR", "P_NR",
                   "00000000000000000002"),
              1);

    // Secrets: through the host's query object and straight on the connection.
    EXPECT_THROW(rows("SELECT DSHASHSENHA FROM OPERADOR"), UserError);
    EXPECT_EQ(refusal("SELECT DSHASHSENHA FROM OPERADOR"), kInsufficientPrivilege);
    EXPECT_EQ(refusal("SELECT * FROM OPERADOR"), kInsufficientPrivilege);
    if (sessions) {
        EXPECT_EQ(refusal("SELECT * FROM SESSAO"), kInsufficientPrivilege);
        EXPECT_EQ(refusal("SELECT COUNT(*) FROM FALHAENTRADA"), kInsufficientPrivilege);
    }

    // Writes, even after the account itself asks for read-write transactions.
    ASSERT_TRUE(refusal("SET SESSION CHARACTERISTICS AS TRANSACTION READ WRITE").isEmpty());
    EXPECT_EQ(refusal("INSERT INTO FILIAL (CDFILIAL, NMFILIAL) VALUES ('9999', 'Invasora')"), kInsufficientPrivilege);
    EXPECT_EQ(refusal("UPDATE PROPOSTAFAS SET DSREFEPROPOSFAS = 'x'"), kInsufficientPrivilege);
    EXPECT_EQ(refusal("UPDATE OPERADOR SET DSHASHSENHA = NULL"), kInsufficientPrivilege);
    EXPECT_EQ(refusal("DELETE FROM OPERFILI"), kInsufficientPrivilege);
    HostDatabase::close();
    EXPECT_EQ(server.db().scalar("SELECT COUNT(*) FROM FILIAL WHERE CDFILIAL = '9999'").toInt(), 0);
    EXPECT_EQ(server.db().scalar("SELECT COUNT(*) FROM OPERADOR WHERE DSHASHSENHA IS NULL").toInt(), withoutPassword);

    // A privilege the script cannot take back (given to everybody) fails the run.
    server.db().exec("GRANT SELECT ON OPERADOR TO PUBLIC");
    run = runScript({admin, role.name()});
    EXPECT_NE(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains("operador")) << run.output.toStdString();
}

// Creating is writing: whatever the account was given to create with is taken back, and a
// privilege held by PUBLIC (which the script will not take from every role) fails the run
// with the statement the administrator has to run, changing nothing.
TEST_F(HostReaderRoleTest, TheAccountCanCreateNothing) {
    ScratchRole role;
    ScratchRole refused;
    TestServer server({.backend = Backend::Postgres, .seed = true});
    HostDatabaseClosed closed;
    const QString admin = server.databaseUrl();
    const QString database = server.db().scalar("SELECT current_database()").toString();
    server.db().exec(QStringLiteral("CREATE ROLE %1 LOGIN").arg(role.name()));
    server.db().exec(QStringLiteral("GRANT CREATE ON SCHEMA public TO %1").arg(role.name()));
    server.db().exec(QStringLiteral("GRANT CREATE ON DATABASE \"%1\" TO %2").arg(database, role.name()));

    ScriptRun run = runScript({admin, role.name(), "leitor"});
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    QUrl reader(admin);
    reader.setUserName(role.name());
    reader.setPassword(QStringLiteral("leitor"));
    HostDatabase::open(reader.toString());
    ASSERT_TRUE(refusal("SET SESSION CHARACTERISTICS AS TRANSACTION READ WRITE").isEmpty());
    EXPECT_EQ(refusal("CREATE TABLE public.intrusa (a integer)"), kInsufficientPrivilege);
    EXPECT_EQ(refusal("CREATE VIEW public.intrusa AS SELECT 1 AS a"), kInsufficientPrivilege);
    EXPECT_EQ(refusal("CREATE FUNCTION public.intrusa() RETURNS integer LANGUAGE sql AS 'SELECT 1'"), kInsufficientPrivilege);
    EXPECT_EQ(refusal("CREATE SCHEMA intruso"), kInsufficientPrivilege);
    HostDatabase::close();

    server.db().exec("GRANT CREATE ON SCHEMA public TO PUBLIC");  // the default before PostgreSQL 15
    run = runScript({admin, refused.name(), "x"});
    EXPECT_NE(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains("REVOKE CREATE ON SCHEMA public FROM PUBLIC;")) << run.output.toStdString();
    EXPECT_EQ(server.db().scalar("SELECT COUNT(*) FROM pg_roles WHERE rolname = :R", {{"R", refused.name()}}).toInt(), 0);
    // An existing account is left as it was, not half redone (the grant a run takes back stays).
    server.db().exec(QStringLiteral("GRANT INSERT ON FILIAL TO %1").arg(role.name()));
    run = runScript({admin, role.name()});
    EXPECT_NE(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(server.db().scalar("SELECT has_table_privilege(:R, 'filial', 'INSERT')", {{"R", role.name()}}).toBool());

    // Done as told, the run goes through.
    server.db().exec("REVOKE CREATE ON SCHEMA public FROM PUBLIC");
    run = runScript({admin, refused.name(), "x"});
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
}

// Any column named like a secret is left out of the grants, in tables and views alike; the
// branch's mail password, enciphered with the desktops' key, is the one the desktop needs.
TEST_F(HostReaderRoleTest, ColumnsNamedLikeSecretsAreNeverReadable) {
    ScratchRole role;
    TestServer server({.backend = Backend::Postgres, .seed = true});
    HostDatabaseClosed closed;
    const QString admin = server.databaseUrl();
    server.db().exec("ALTER TABLE FILIAL ADD COLUMN DSTOKENAPI VARCHAR(40)");
    server.db().exec("UPDATE FILIAL SET DSTOKENAPI = 'segredo'");
    server.db().exec("CREATE VIEW VWOPERSENHA AS SELECT CDOPERADOR, NMOPERADOR, DSHASHSENHA FROM OPERADOR");

    ScriptRun run = runScript({admin, role.name(), "leitor"});
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    QUrl reader(admin);
    reader.setUserName(role.name());
    reader.setPassword(QStringLiteral("leitor"));
    HostDatabase::open(reader.toString());
    EXPECT_GT(rows("SELECT CDFILIAL, NMFILIAL FROM FILIAL"), 0);
    EXPECT_EQ(refusal("SELECT DSTOKENAPI FROM FILIAL"), kInsufficientPrivilege);
    EXPECT_EQ(refusal("SELECT * FROM FILIAL"), kInsufficientPrivilege);
    EXPECT_EQ(rows("SELECT CDOPERADOR, NMOPERADOR FROM VWOPERSENHA"), rows("SELECT CDOPERADOR FROM OPERADOR"));
    EXPECT_EQ(refusal("SELECT DSHASHSENHA FROM VWOPERSENHA"), kInsufficientPrivilege);
    EXPECT_TRUE(refusal("SELECT CDFILIAL, DSEMAILFILI, CDSENHEMAILF, DSSMTPEMAILF FROM ENDEFILI").isEmpty());
    HostDatabase::close();

    // Given to everybody, a secret column fails the run.
    server.db().exec("GRANT SELECT ON VWOPERSENHA TO PUBLIC");
    run = runScript({admin, role.name()});
    EXPECT_NE(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains("vwopersenha")) << run.output.toStdString();
}

// The server's own account (owner of the tables) named by mistake: taking its privileges
// back would stop the server, so the run is refused and changes nothing.
TEST_F(HostReaderRoleTest, TheOwnerOfTheTablesIsNeverMadeAReader) {
    ScratchRole owner(QStringLiteral("dono"));
    TestServer server({.backend = Backend::Postgres, .seed = true});
    server.db().exec(QStringLiteral("CREATE ROLE %1 LOGIN").arg(owner.name()));
    server.db().exec(QStringLiteral("ALTER TABLE FILIAL OWNER TO %1").arg(owner.name()));

    const ScriptRun run = runScript({server.databaseUrl(), owner.name(), "x"});
    EXPECT_NE(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(server.db()
                    .scalar("SELECT R.rolconfig IS NULL AND A.rolpassword IS NULL FROM pg_roles R JOIN pg_authid A ON A.oid = R.oid "
                            "WHERE R.rolname = :R",
                            {{"R", owner.name()}})
                    .toBool());
    EXPECT_TRUE(server.db()
                    .scalar("SELECT has_table_privilege(:R, 'filial', 'INSERT')", {{"R", owner.name()}})
                    .toBool());
}

TEST(HostReaderScript, RefusesARoleNameThatIsNotAPlainName) {
    const ScriptRun run = runScript({"postgresql://127.0.0.1:1/nada", "leitor; DROP TABLE OPERADOR", "x"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.output.contains("nome de papel inválido")) << run.output.toStdString();
}

}  // namespace
