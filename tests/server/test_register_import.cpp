// Registers in and out as CSV files (--import / --export), on every engine available.
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include "base/clock.h"
#include "server/auth/password_admin.h"
#include "server/migrations/migrations.h"
#include "server/registers/register_catalogue.h"
#include "server/registers/register_export.h"
#include "server/registers/register_file.h"
#include "server/registers/register_import.h"
#include "server/rpc/server_config.h"
#include "server/seed/demo_seed.h"
#include "server/storage/database.h"
#include "server_cases_b.h"
#include "support/database_dump.h"

using namespace cot;
using namespace cot::server;
using namespace cot::server::registers;
using cot::server::testing::ScratchDatabase;
using cot::testing::firstDifference;
using cot::testing::wholeDatabase;

namespace {

void write(const QString& folder, const QString& name, const QByteArray& text) {
    QDir().mkpath(folder);
    QFile f(QDir(folder).filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

class RegisterImportTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        Clock::setCurrent(std::make_shared<FixedClock>(QDateTime(QDate(2026, 12, 6), QTime(10, 0))));
        demo_ = std::make_unique<ScratchDatabase>(GetParam());
        migrate(demo_->db());
        seedDemo(demo_->db());
        fresh_ = std::make_unique<ScratchDatabase>(GetParam());
        migrate(fresh_->db());
    }
    void TearDown() override { Clock::setCurrent(nullptr); }

    static QByteArray read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static const FileCounts* counts(const ImportResult& r, const QString& file) {
        for (const FileCounts& f : r.files)
            if (f.fileName == file) return &f;
        return nullptr;
    }
    QTemporaryDir dir_;
    std::unique_ptr<ScratchDatabase> demo_, fresh_;
};

TEST_P(RegisterImportTest, ExportImportExportGivesIdenticalFilesAndASecondImportChangesNothing) {
    const QString first = dir_.filePath("primeira"), second = dir_.filePath("segunda");
    ExportResult exported = exportRegisters(demo_->db(), first);
    ASSERT_TRUE(exported.ok()) << exported.error.toStdString();
    EXPECT_EQ(exported.files.size(), registerCatalogue().size() + 2);  // and the demo branches' logos
    // The operator's password never leaves the database.
    EXPECT_FALSE(read(QDir(first).filePath("operador.csv")).contains("DSHASHSENHA"));
    EXPECT_FALSE(read(QDir(first).filePath("operador.csv")).contains("sha256:"));

    ImportResult imported = importRegisters(fresh_->db(), first);
    ASSERT_TRUE(imported.ok()) << imported.errors.join('\n').toStdString();
    EXPECT_EQ(counts(imported, "filial.csv")->inserted, 2);
    EXPECT_EQ(counts(imported, "sistema.csv")->inserted, 12);
    EXPECT_TRUE(fresh_->db().scalar("SELECT DSHASHSENHA FROM OPERADOR WHERE CDOPERADOR = 'VENDEDOR'").isNull());

    exported = exportRegisters(fresh_->db(), second);
    ASSERT_TRUE(exported.ok()) << exported.error.toStdString();
    for (const Register& reg : registerCatalogue())
        EXPECT_EQ(read(QDir(first).filePath(reg.fileName())), read(QDir(second).filePath(reg.fileName())))
            << reg.fileName().toStdString();

    // Again, into the database the files came from too: nothing to insert or change.
    for (Database* db : {&fresh_->db(), &demo_->db()}) {
        const QString before = wholeDatabase(*db);
        imported = importRegisters(*db, first);
        ASSERT_TRUE(imported.ok()) << imported.errors.join('\n').toStdString();
        for (const FileCounts& f : imported.files)
            EXPECT_EQ(std::pair(f.inserted, f.changed), std::pair(0, 0)) << f.fileName.toStdString();
        EXPECT_EQ(firstDifference(before, wholeDatabase(*db)), "");
    }
    // The demo operators keep their passwords through an import of their rows.
    EXPECT_FALSE(demo_->db().scalar("SELECT DSHASHSENHA FROM OPERADOR WHERE CDOPERADOR = 'VENDEDOR'").isNull());
}

TEST_P(RegisterImportTest, FaultyLinesAreAllReportedByFileAndLineAndNothingIsWritten) {
    const QString folder = dir_.filePath("ruim");
    write(folder, "filial.csv", "CDFILIAL;NMFILIAL\n0009;Filial Nova\n");
    write(folder, "operador.csv",
          "CDOPERADOR;NMOPERADOR;IDOPERATIVO\n"
          "MARIA;Maria;A\n"
          "JOAO;João\n"                                                // too few fields
          "ANA;\"Ana\nde Souza Lima Pereira Carvalho Albuquerque Neto\";A\n"  // longer than 40
          "MARIA;Maria de novo;A\n"                                    // key repeated
          "PEDRO;Pedro;X\n"                                           // unknown code
          "paulo;Paulo;A\n");                                         // signs in as PAULO
    write(folder, "cliente.csv",
          "CDCLIENTE;NRINSJURCLIE;IDTPIJURCLIE;NMFANTCLIE;DTINCLUSAO\n"
          "123;123;F;Cliente;2026-02-30\n");
    write(folder, "tiposerv.csv", "CDTIPOSERV;NMTIPOSERV;VRHORAPADR\n009;Serviço;150,50\n");
    write(folder, "leia-me.txt", "ignored");
    const QString before = wholeDatabase(demo_->db());

    const ImportResult r = importRegisters(demo_->db(), folder);
    ASSERT_FALSE(r.ok());
    const QString all = r.errors.join('\n');
    for (const char* expected : {"operador.csv:3: a linha tem 2 campo(s) e o cabeçalho, 3", "operador.csv:4: NMOPERADOR: texto com",
                                 "operador.csv:6: chave repetida (MARIA), já na linha 2", "operador.csv:7: IDOPERATIVO", "operador.csv:8: CDOPERADOR: código com minúsculas",
                                 "cliente.csv:2: DTINCLUSAO: data inválida", "tiposerv.csv:2: VRHORAPADR: número inválido"})
        EXPECT_TRUE(all.contains(QString::fromUtf8(expected))) << expected << "\n" << all.toStdString();
    EXPECT_EQ(r.errorCount, 7) << all.toStdString();
    EXPECT_TRUE(r.files.isEmpty());
    EXPECT_EQ(firstDifference(before, wholeDatabase(demo_->db())), "");
    EXPECT_EQ(demo_->db().scalar("SELECT COUNT(*) FROM FILIAL WHERE CDFILIAL = '0009'").toInt(), 0);
}

TEST_P(RegisterImportTest, AReferenceMustBeInTheDatabaseOrInTheImport) {
    const QString folder = dir_.filePath("ref");
    write(folder, "operador.csv", "CDOPERADOR;NMOPERADOR\nMARIA;Maria\n");
    write(folder, "operfili.csv", "CDOPERADOR;CDFILIAL\nMARIA;0001\nMARIA;0099\nNINGUEM;0001\n");
    ImportResult r = importRegisters(fresh_->db(), folder);
    ASSERT_FALSE(r.ok());
    // A fresh database has no branch at all, and no operator NINGUEM anywhere.
    EXPECT_EQ(r.errors, (QStringList{"operfili.csv:2: CDFILIAL = 0001 não existe em FILIAL (nem no banco nem em filial.csv)",
                                     "operfili.csv:3: CDFILIAL = 0099 não existe em FILIAL (nem no banco nem em filial.csv)",
                                     "operfili.csv:4: CDOPERADOR = NINGUEM não existe em OPERADOR (nem no banco nem em operador.csv)",
                                     "operfili.csv:4: CDFILIAL = 0001 não existe em FILIAL (nem no banco nem em filial.csv)"}));
    EXPECT_EQ(fresh_->db().scalar("SELECT COUNT(*) FROM OPERADOR").toInt(), 0);

    // With the branches in the import (written first, whatever the file order) it goes in.
    write(folder, "operfili.csv", "CDOPERADOR;CDFILIAL\nMARIA;0001\nMARIA;0099\n");
    write(folder, "filial.csv", "CDFILIAL;NMFILIAL\n0001;Matriz\n0099;Filial\n");
    r = importRegisters(fresh_->db(), folder);
    ASSERT_TRUE(r.ok()) << r.errors.join('\n').toStdString();
    EXPECT_EQ(fresh_->db().scalar("SELECT COUNT(*) FROM OPERFILI WHERE CDOPERADOR = 'MARIA'").toInt(), 2);
}

TEST_P(RegisterImportTest, ChangedRowsAreUpdatedAndRowsLeftOutAreKept) {
    const QString folder = dir_.filePath("mudanca");
    write(folder, "filial.csv",
          "cdfilial;NMFILIAL;NRINSJURFILI\n"
          "0001;Matriz São Paulo;11111111000191\n"
          "0002;Filial Rio (Centro);11111111000272\n"
          "0003;Filial Recife;\n");
    write(folder, "tiposerv.csv", "CDTIPOSERV;NMTIPOSERV;VRHORAPADR\n001;Implantação;150.00\n003;Consultoria;199.9\n");
    const ImportResult r = importRegisters(demo_->db(), folder);
    ASSERT_TRUE(r.ok()) << r.errors.join('\n').toStdString();
    // {inserted, changed, unchanged}; tiposerv's 150.00 is the 150 stored.
    const auto tally = [&](const char* file) {
        const FileCounts* f = counts(r, file);
        return f ? std::tuple(f->inserted, f->changed, f->unchanged) : std::tuple(-1, -1, -1);
    };
    EXPECT_EQ(tally("filial.csv"), std::tuple(1, 1, 1));
    EXPECT_EQ(tally("tiposerv.csv"), std::tuple(0, 1, 1));
    Database& db = demo_->db();
    EXPECT_EQ(db.scalar("SELECT NMFILIAL FROM FILIAL WHERE CDFILIAL = '0002'").toString(), "Filial Rio (Centro)");
    EXPECT_TRUE(db.scalar("SELECT NRINSJURFILI FROM FILIAL WHERE CDFILIAL = '0003'").isNull());
    EXPECT_EQ(db.scalar("SELECT IDSITUFILIAL FROM FILIAL WHERE CDFILIAL = '0003'").toString(), "A");  // the default
    EXPECT_DOUBLE_EQ(db.scalar("SELECT VRHORAPADR FROM TIPOSERV WHERE CDTIPOSERV = '003'").toDouble(), 199.9);
    // Columns the file lacks keep their values; rows it lacks stay.
    EXPECT_EQ(db.scalar("SELECT IDSERVOBRIGPROS FROM TIPOSERV WHERE CDTIPOSERV = '001'").toString(), "S");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM TIPOSERV").toInt(), 5);
}

TEST_P(RegisterImportTest, TextsWithSeparatorsLineBreaksAndQuotesSurviveTheRoundTrip) {
    const QString folder = dir_.filePath("textos");
    const QByteArray file = "CDPADTXT;IDTIPOPROPFAS;IDIDIOMA;NRORDEMPADTXT;TXPADTXT\n"
                            "CLAUSULA;M;POR;3;\"<p>Prazo: 30; 60; 90 dias.</p>\n<p>Dito \"\"à vista\"\".</p>\"\n"
                            "VAZIO;S;POR;;\"\"\n";
    write(folder, "padtxt.csv", file);
    const ImportResult r = importRegisters(demo_->db(), folder);
    ASSERT_TRUE(r.ok()) << r.errors.join('\n').toStdString();
    EXPECT_EQ(demo_->db().scalar("SELECT TXPADTXT FROM PADTXT WHERE CDPADTXT = 'CLAUSULA'").toString(),
              QString::fromUtf8("<p>Prazo: 30; 60; 90 dias.</p>\n<p>Dito \"à vista\".</p>"));
    EXPECT_EQ(cot::testing::cellText(demo_->db().scalar("SELECT TXPADTXT FROM PADTXT WHERE CDPADTXT = 'VAZIO'")), "")
        << "empty, not null";

    const QString out = dir_.filePath("saida");
    ASSERT_TRUE(exportRegisters(demo_->db(), out).ok());
    const QByteArray exported = read(QDir(out).filePath("padtxt.csv"));
    EXPECT_TRUE(exported.contains("CLAUSULA;M;POR;3;\"<p>Prazo: 30; 60; 90 dias.</p>\n<p>Dito \"\"à vista\"\".</p>\";\n"))
        << exported.toStdString();
    EXPECT_TRUE(exported.contains("VAZIO;S;POR;;\"\";\n"));
    const ImportResult again = importRegisters(demo_->db(), out);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(counts(again, "padtxt.csv")->changed, 0);
}

TEST_P(RegisterImportTest, HeadersAndFileNamesAreChecked) {
    const QString folder = dir_.filePath("cabecalhos");
    write(folder, "operador.csv", "CDOPERADOR;NMOPERADOR;DSHASHSENHA\nMARIA;Maria;x\n");
    write(folder, "grupoper.csv", "NMGRUPOPER;CDGRUPO\nComercial;COM\n");
    write(folder, "filiais.csv", "CDFILIAL;NMFILIAL\n0001;Matriz\n");
    write(folder, "idioma.csv", "");
    const ImportResult r = importRegisters(fresh_->db(), folder);
    const QString all = r.errors.join('\n');
    for (const char* expected : {"filiais.csv: não é um arquivo de cadastro", "operador.csv:1: coluna DSHASHSENHA não aceita",
                                 "grupoper.csv:1: coluna desconhecida na posição 2", "grupoper.csv:1: falta a coluna CDGRUPOPER",
                                 "idioma.csv: arquivo vazio"})
        EXPECT_TRUE(all.contains(QString::fromUtf8(expected))) << expected << "\n" << all.toStdString();
    EXPECT_EQ(fresh_->db().scalar("SELECT COUNT(*) FROM OPERADOR").toInt(), 0);

    const ImportResult none = importRegisters(fresh_->db(), dir_.filePath("nada"));
    EXPECT_FALSE(none.ok());

    // Past the limit the faults are still counted; hidden companions are not read at all.
    const QString many = dir_.filePath("muitos");
    write(many, "._idioma.csv", "lixo");
    QByteArray text = "IDIDIOMA;NMIDIOMA\n";
    for (int i = 0; i < ImportErrors::kKept + 50; ++i) text += "X" + QByteArray::number(i) + "\n";
    write(many, "idioma.csv", text);
    const ImportResult capped = importRegisters(fresh_->db(), many);
    EXPECT_EQ(capped.errors.size(), ImportErrors::kKept);
    EXPECT_EQ(capped.errorCount, ImportErrors::kKept + 50);
    EXPECT_TRUE(capped.errors.first().startsWith("idioma.csv:2: "));
}

TEST_P(RegisterImportTest, ExportNeverOverwritesRegisterFiles) {
    const QString folder = dir_.filePath("existente");
    write(folder, "FILIAL.csv", "antigo");
    write(folder, "notas.txt", "minhas notas");
    const ExportResult r = exportRegisters(demo_->db(), folder);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.error.contains("FILIAL.csv"));
    EXPECT_EQ(read(QDir(folder).filePath("FILIAL.csv")), "antigo");
    EXPECT_FALSE(QFile::exists(QDir(folder).filePath("operador.csv")));

    QFile::remove(QDir(folder).filePath("FILIAL.csv"));
    ASSERT_TRUE(exportRegisters(demo_->db(), folder).ok());
    EXPECT_EQ(read(QDir(folder).filePath("notas.txt")), "minhas notas");
    EXPECT_EQ(QFile::permissions(QDir(folder).filePath("endefili.csv")) & (QFile::ReadOther | QFile::ReadGroup), 0);
}

COT_ON_EVERY_ENGINE(RegisterImportTest);

// The catalogue says what the schema says: every column of a register's table travels or is
// withheld on purpose, with the table's type, size and null rule.
TEST(RegisterCatalogue, MatchesTheMigratedSchema) {
    ScratchDatabase scratch("sqlite");
    migrate(scratch.db());
    for (const Register& reg : registerCatalogue()) {
        const Packet info = scratch.db().query(QStringLiteral("PRAGMA table_info(%1)").arg(reg.table));
        ASSERT_FALSE(info.rows.isEmpty()) << reg.table.toStdString();
        for (int r = 0; r < info.rows.size(); ++r) {
            const QString name = info.value(r, "name").toString().toUpper();
            const QString type = info.value(r, "type").toString().toUpper();
            const RegisterColumn* c = reg.column(name);
            const std::string where = (reg.table + u'.' + name).toStdString();
            if (!c) {
                EXPECT_FALSE(withheldColumnReason(reg.table, name).isEmpty()) << where << " is not in the catalogue";
                continue;
            }
            EXPECT_EQ(c->key, info.value(r, "pk").toInt() > 0) << where;
            EXPECT_EQ(c->notNull, c->key || info.value(r, "notnull").toInt() == 1) << where;
            EXPECT_EQ(c->hasDefault, !info.value(r, "dflt_value").isNull()) << where;
            switch (c->kind) {
            case ColumnKind::Text:
                EXPECT_EQ(type, c->isMemo() ? QStringLiteral("TEXT") : QStringLiteral("VARCHAR(%1)").arg(c->size)) << where;
                break;
            case ColumnKind::Integer: EXPECT_EQ(type, "INTEGER") << where; break;
            case ColumnKind::Real: EXPECT_EQ(type, "DOUBLE PRECISION") << where; break;
            case ColumnKind::DateTime: EXPECT_EQ(type, "TIMESTAMP") << where; break;
            }
        }
        for (const RegisterReference& ref : reg.references) EXPECT_NE(registerByTable(ref.table), nullptr);
    }
}

// A new office: registers imported into an empty database, a password set, and the operator
// signs in at one of his imported branches.
class FreshInstallTest : public ::testing::TestWithParam<cot::testing::Backend> {};

TEST_P(FreshInstallTest, ImportThenSetPasswordThenSignIn) {
    QTemporaryDir dir;
    for (const auto& [name, text] : {std::pair{"filial.csv", "CDFILIAL;NMFILIAL\n0001;Matriz\n0002;Recife\n"},
                                     {"operador.csv", "CDOPERADOR;NMOPERADOR;IDOPERATIVO\nMARIA;Maria Souza;A\n"},
                                     {"operfili.csv", "CDOPERADOR;CDFILIAL\nMARIA;0002\n"},
                                     {"grupoper.csv", "CDGRUPOPER;NMGRUPOPER\nCOM;Comercial\n"},
                                     {"autgrupop.csv", "CDGRUPOPER;IDAUTGRUPOP\nCOM;PROP\n"},
                                     {"opergrupop.csv", "CDGRUPOPER;CDOPERADOR\nCOM;MARIA\n"}})
        write(dir.path(), name, text);
    TestServer server({.backend = GetParam(), .prepare = [&](Database& db) {
                                         const ImportResult r = importRegisters(db, dir.path());
                                         ASSERT_TRUE(r.ok()) << r.errors.join('\n').toStdString();
                                         setOperatorPassword(db, "MARIA", "Cadastro-Novo-2026");
                                     },
                                     .operatorCode = "MARIA"});
    const QJsonObject refused = server.call("AbreSessao", {"MARIA", "outra-senha-qualquer"});
    EXPECT_TRUE(refused.contains("error"));
    const QJsonObject reply = server.call("AbreSessao", {"MARIA", "Cadastro-Novo-2026"});
    ASSERT_FALSE(reply.contains("error")) << QJsonDocument(reply).toJson().toStdString();
    EXPECT_TRUE(QJsonDocument(reply).toJson().contains("0002"));
}

COT_ON_EVERY_BACKEND(FreshInstallTest);

TEST(RegisterCommandLine, OneOperationAtATimeAndAnExistingFolderToImport) {
    QTemporaryDir dir;
    const QProcessEnvironment env;
    const ServerConfig ok = ServerConfig::fromArgs({"--import", dir.path(), "--db", "sqlite:/tmp/x.db"}, env, {});
    EXPECT_EQ(ok.importFolder, dir.path());
    EXPECT_THROW(ServerConfig::fromArgs({"--import", dir.filePath("nao-existe")}, env, {}), ConfigError);
    EXPECT_THROW(ServerConfig::fromArgs({"--import", dir.path(), "--export", dir.path()}, env, {}), ConfigError);
    EXPECT_THROW(ServerConfig::fromArgs({"--export", dir.path(), "--set-password", "MARIA"}, env, {}), ConfigError);
}

}  // namespace
