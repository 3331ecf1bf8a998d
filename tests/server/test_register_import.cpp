// Registers in and out as CSV files (--import / --export), on every engine available.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "base/clock.h"
#include "server/migrations/migrations.h"
#include "server/registers/register_catalogue.h"
#include "server/registers/register_export.h"
#include "server/registers/register_file.h"
#include "server/registers/register_import.h"
#include "server/rpc/server_config.h"
#include "server/seed/demo_seed.h"
#include "deal_cases.h"
#include "server_cases_b.h"
#include "support/database_dump.h"

using namespace cot;
using namespace cot::server;
using namespace cot::server::registers;
using cot::server::testing::ScratchDatabase;
using namespace cot::testing;

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
    EXPECT_EQ(exported.files.size(), registerCatalogue().size() + 2) << exported.error.toStdString();  // and the branches' logos
    // The operator's password never leaves the database.
    const QByteArray operators = read(QDir(first).filePath("operador.csv"));
    EXPECT_FALSE(operators.contains("DSHASHSENHA") || operators.contains("sha256:"));

    ImportResult imported = importRegisters(fresh_->db(), first);
    ASSERT_TRUE(imported.ok()) << imported.errors.join('\n').toStdString();
    EXPECT_EQ(std::pair(counts(imported, "filial.csv")->inserted, counts(imported, "sistema.csv")->inserted), std::pair(2, 12));
    EXPECT_TRUE(fresh_->db().scalar("SELECT DSHASHSENHA FROM OPERADOR WHERE CDOPERADOR = 'VENDEDOR'").isNull());

    ASSERT_TRUE(exportRegisters(fresh_->db(), second).ok());
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

    // An export never overwrites register files.
    const QString folder = dir_.filePath("existente");
    write(folder, "FILIAL.csv", "antigo");
    write(folder, "notas.txt", "minhas notas");
    const ExportResult r = exportRegisters(demo_->db(), folder);
    EXPECT_TRUE(!r.ok() && r.error.contains("FILIAL.csv")) << r.error.toStdString();
    EXPECT_TRUE(read(QDir(folder).filePath("FILIAL.csv")) == "antigo" && !QFile::exists(QDir(folder).filePath("operador.csv")));

    QFile::remove(QDir(folder).filePath("FILIAL.csv"));
    ASSERT_TRUE(exportRegisters(demo_->db(), folder).ok());
    EXPECT_EQ(read(QDir(folder).filePath("notas.txt")), "minhas notas");
    EXPECT_EQ(QFile::permissions(QDir(folder).filePath("endefili.csv")) & (QFile::ReadOther | QFile::ReadGroup), 0);
}

TEST_P(RegisterImportTest, FaultyLinesAreAllReportedByFileAndLineAndNothingIsWritten) {
    const QString folder = dir_.filePath("ruim");
    write(folder, "filial.csv", "CDFILIAL;NMFILIAL\n0009;Filial Nova\n");
    // JOAO has too few fields, ANA's name is longer than 40, MARIA comes twice, PEDRO has an
    // unknown code, paulo would sign in as PAULO.
    write(folder, "operador.csv", "CDOPERADOR;NMOPERADOR;IDOPERATIVO\nMARIA;Maria;A\nJOAO;João\n"
                                  "ANA;\"Ana\nde Souza Lima Pereira Carvalho Albuquerque Neto\";A\n"
                                  "MARIA;Maria de novo;A\nPEDRO;Pedro;X\npaulo;Paulo;A\n");
    write(folder, "cliente.csv", "CDCLIENTE;NRINSJURCLIE;IDTPIJURCLIE;NMFANTCLIE;DTINCLUSAO\n123;123;F;Cliente;2026-02-30\n");
    write(folder, "tiposerv.csv", "CDTIPOSERV;NMTIPOSERV;VRHORAPADR\n009;Serviço;150,50\n");
    write(folder, "leia-me.txt", "ignored");
    const QString before = wholeDatabase(demo_->db());

    const ImportResult r = importRegisters(demo_->db(), folder);
    ASSERT_FALSE(r.ok());
    const QString all = r.errors.join('\n');
    EXPECT_EQ(
        cot::testing::missingFrom(
            all, {"operador.csv:3: a linha tem 2 campo(s) e o cabeçalho, 3", "operador.csv:4: NMOPERADOR: texto com",
                  "operador.csv:7: IDOPERATIVO", "operador.csv:6: chave repetida (MARIA), já na linha 2",
                  "operador.csv:8: CDOPERADOR: código com minúsculas", "cliente.csv:2: DTINCLUSAO: data inválida",
                  "tiposerv.csv:2: VRHORAPADR: número inválido"}),
        QStringList());
    EXPECT_TRUE(r.errorCount == 7 && r.files.isEmpty()) << all.toStdString();
    EXPECT_EQ(firstDifference(before, wholeDatabase(demo_->db())), "") << "not even the good branch 0009";

    // A reference must be in the database or in the import.
    const QString refs = dir_.filePath("ref");
    write(refs, "operador.csv", "CDOPERADOR;NMOPERADOR\nMARIA;Maria\n");
    write(refs, "operfili.csv", "CDOPERADOR;CDFILIAL\nMARIA;0001\nMARIA;0099\nNINGUEM;0001\n");
    // A fresh database has no branch at all, and no operator NINGUEM anywhere.
    EXPECT_EQ(
        importRegisters(fresh_->db(), refs).errors,
        (QStringList{"operfili.csv:2: CDFILIAL = 0001 não existe em FILIAL (nem no banco nem em filial.csv)",
                     "operfili.csv:3: CDFILIAL = 0099 não existe em FILIAL (nem no banco nem em filial.csv)",
                     "operfili.csv:4: CDOPERADOR = NINGUEM não existe em OPERADOR (nem no banco nem em operador.csv)",
                     "operfili.csv:4: CDFILIAL = 0001 não existe em FILIAL (nem no banco nem em filial.csv)"}));
    EXPECT_EQ(fresh_->db().scalar("SELECT COUNT(*) FROM OPERADOR").toInt(), 0);

    // With the branches in the import (written first, whatever the file order) it goes in.
    write(refs, "operfili.csv", "CDOPERADOR;CDFILIAL\nMARIA;0001\nMARIA;0099\n");
    write(refs, "filial.csv", "CDFILIAL;NMFILIAL\n0001;Matriz\n0099;Filial\n");
    EXPECT_TRUE(importRegisters(fresh_->db(), refs).ok());
    EXPECT_EQ(fresh_->db().scalar("SELECT COUNT(*) FROM OPERFILI WHERE CDOPERADOR = 'MARIA'").toInt(), 2);
}

TEST_P(RegisterImportTest, ChangedRowsAreUpdatedAndRowsLeftOutAreKept) {
    const QString folder = dir_.filePath("mudanca");
    write(folder, "filial.csv", "cdfilial;NMFILIAL;NRINSJURFILI\n0001;Matriz São Paulo;11111111000191\n"
                                "0002;Filial Rio (Centro);11111111000272\n0003;Filial Recife;\n");
    write(folder, "tiposerv.csv", "CDTIPOSERV;NMTIPOSERV;VRHORAPADR\n001;Implantação;150.00\n003;Consultoria;199.9\n");
    // A quoted empty text stays empty; an empty field, as NRINSJURFILI of 0003, is null.
    write(folder, "padtxt.csv", "CDPADTXT;IDTIPOPROPFAS;IDIDIOMA;NRORDEMPADTXT;TXPADTXT\nVAZIO;S;POR;;\"\"\n");
    const ImportResult r = importRegisters(demo_->db(), folder);
    ASSERT_TRUE(r.ok()) << r.errors.join('\n').toStdString();
    // {inserted, changed, unchanged}; tiposerv's 150.00 is the 150 stored.
    const auto tally = [&](const char* file) {
        const FileCounts* f = counts(r, file);
        return f ? std::tuple(f->inserted, f->changed, f->unchanged) : std::tuple(-1, -1, -1);
    };
    EXPECT_EQ(std::pair(tally("filial.csv"), tally("tiposerv.csv")), std::pair(std::tuple(1, 1, 1), std::tuple(0, 1, 1)));
    // The new branch takes the default situation; columns the file lacks keep their values;
    // rows it lacks stay.
    Database& db = demo_->db();
    EXPECT_EQ(rowTexts(db, "SELECT CDFILIAL, NMFILIAL, NRINSJURFILI, IDSITUFILIAL FROM FILIAL WHERE CDFILIAL <> '0001' ORDER BY 1"),
              QStringList({"0002|Filial Rio (Centro)|11111111000272|A", "0003|Filial Recife|<null>|A"}));
    EXPECT_EQ(rowTexts(db, "SELECT (SELECT VRHORAPADR FROM TIPOSERV WHERE CDTIPOSERV = '003'), (SELECT IDSERVOBRIGPROS FROM "
                           "TIPOSERV WHERE CDTIPOSERV = '001'), (SELECT COUNT(*) FROM TIPOSERV), "
                           "(SELECT TXPADTXT FROM PADTXT WHERE CDPADTXT = 'VAZIO')"), QStringList{"199.9|S|5|"});
}

TEST_P(RegisterImportTest, HeadersAndFileNamesAreChecked) {
    const QString folder = dir_.filePath("cabecalhos");
    write(folder, "operador.csv", "CDOPERADOR;NMOPERADOR;DSHASHSENHA\nMARIA;Maria;x\n");
    write(folder, "grupoper.csv", "NMGRUPOPER;CDGRUPO\nComercial;COM\n");
    write(folder, "filiais.csv", "CDFILIAL;NMFILIAL\n0001;Matriz\n");
    write(folder, "idioma.csv", "");
    const ImportResult r = importRegisters(fresh_->db(), folder);
    EXPECT_EQ(cot::testing::missingFrom(r.errors.join('\n'),
                                        {"filiais.csv: não é um arquivo de cadastro", "operador.csv:1: coluna DSHASHSENHA não aceita",
                                         "grupoper.csv:1: coluna desconhecida na posição 2",
                                         "grupoper.csv:1: falta a coluna CDGRUPOPER", "idioma.csv: arquivo vazio"}),
              QStringList());
    EXPECT_EQ(fresh_->db().scalar("SELECT COUNT(*) FROM OPERADOR").toInt(), 0);
    EXPECT_FALSE(importRegisters(fresh_->db(), dir_.filePath("nada")).ok());

    // Past the limit the faults are still counted; hidden companions are not read at all.
    const QString many = dir_.filePath("muitos");
    write(many, "._idioma.csv", "lixo");
    QByteArray text = "IDIDIOMA;NMIDIOMA\n";
    for (int i = 0; i < ImportErrors::kKept + 50; ++i) text += "X" + QByteArray::number(i) + "\n";
    write(many, "idioma.csv", text);
    const ImportResult capped = importRegisters(fresh_->db(), many);
    EXPECT_EQ(std::pair(int(capped.errors.size()), capped.errorCount), std::pair(int(ImportErrors::kKept), int(ImportErrors::kKept) + 50));
    EXPECT_TRUE(capped.errors.first().startsWith("idioma.csv:2: "));
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
            const QString name = info.value(r, "name").toString().toUpper(), type = info.value(r, "type").toString().toUpper();
            const RegisterColumn* c = reg.column(name);
            const std::string where = (reg.table + u'.' + name).toStdString();
            if (!c) {
                EXPECT_FALSE(withheldColumnReason(reg.table, name).isEmpty()) << where << " is not in the catalogue";
                continue;
            }
            const QString declared = c->kind == ColumnKind::Text     ? (c->isMemo() ? "TEXT" : QString("VARCHAR(%1)").arg(c->size))
                                     : c->kind == ColumnKind::Integer ? "INTEGER"
                                     : c->kind == ColumnKind::Real    ? "DOUBLE PRECISION" : "TIMESTAMP";
            EXPECT_EQ(std::tuple(c->key, c->notNull, c->hasDefault, declared),
                      std::tuple(info.value(r, "pk").toInt() > 0, c->key || info.value(r, "notnull").toInt() == 1,
                                 !info.value(r, "dflt_value").isNull(), type)) << where;
        }
        for (const RegisterReference& ref : reg.references) EXPECT_NE(registerByTable(ref.table), nullptr);
    }
}

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
