// Zip archives of attachments: what is written passes a real unzip, what is read never
// lands outside the folder it is extracted into.
#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <zip.h>

#include "services/zip_archive.h"
#include "unit_cases.h"

namespace {

// An archive with entries named exactly as given (names a normal tool would never write).
void craft(const QString& archive, const QList<QPair<QByteArray, QByteArray>>& entries) {
    int code = 0;
    zip_t* z = zip_open(QFile::encodeName(archive).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    ASSERT_NE(z, nullptr);
    // libzip reads the buffers only at close: the entries' data stay alive until then.
    for (const auto& [name, data] : entries) {
        zip_source_t* s = zip_source_buffer(z, data.constData(), zip_uint64_t(data.size()), 0);
        ASSERT_GE(zip_file_add(z, name.constData(), s, ZIP_FL_ENC_RAW), 0) << name.constData();
    }
    ASSERT_EQ(zip_close(z), 0);
}

QStringList filesUnder(const QString& folder) {
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) out << QDir(folder).relativeFilePath(it.next());
    out.sort();
    return out;
}

}  // namespace

TEST(ZipArchive, AFileCompressedComesBackAsWrittenAndPassesUnzip) {
    QTemporaryDir dir;
    QByteArray data;
    for (int i = 0; i < 5000; ++i) data += "Proposta comercial, linha " + QByteArray::number(i) + "\n";
    const QString source = dir.filePath("Contrato de serviço.txt"), archive = dir.filePath("anexos/Contrato de serviço.txt.zip");
    ASSERT_TRUE(writeFile(source, data) && QDir().mkpath(dir.filePath("anexos")));
    ZipArchive::compressFile(source, archive);
    EXPECT_EQ(ZipArchive::entries(archive), QStringList{"Contrato de serviço.txt"});
    EXPECT_LT(QFileInfo(archive).size(), data.size());
    // Nothing but the archive is left in its folder.
    EXPECT_EQ(QDir(dir.filePath("anexos")).entryList(QDir::Files), QStringList{"Contrato de serviço.txt.zip"});

    const QString unzip = QStandardPaths::findExecutable("unzip");
    if (unzip.isEmpty()) GTEST_SKIP() << "unzip not installed";
    EXPECT_EQ(QProcess::execute(unzip, {"-t", archive}), 0);  // its report goes to the test's output

    const QStringList written = ZipArchive::extractAll(archive, dir.filePath("saida"));
    ASSERT_EQ(written.size(), 1);
    EXPECT_EQ(QFileInfo(written[0]).fileName(), "Contrato de serviço.txt");
    EXPECT_EQ(readFile(written[0]), data);

    // Compressing again replaces the archive instead of adding a second entry.
    writeFile(source, "nova versão");
    ZipArchive::compressFile(source, archive);
    EXPECT_EQ(ZipArchive::entries(archive), QStringList{"Contrato de serviço.txt"});
    ZipArchive::extractAll(archive, dir.filePath("saida"));
    EXPECT_EQ(readFile(dir.filePath("saida/Contrato de serviço.txt")), "nova versão");
}

TEST(ZipArchive, MissingSourceBrokenArchiveAndEscapingPathsAreUserErrors) {
    QTemporaryDir dir;
    EXPECT_THROW(ZipArchive::compressFile(dir.filePath("nao_existe.txt"), dir.filePath("x.zip")), UserError);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("x.zip")));
    writeFile(dir.filePath("quebrado.zip"), "isto não é um zip");
    EXPECT_THROW(ZipArchive::entries(dir.filePath("quebrado.zip")), UserError);
    EXPECT_THROW(ZipArchive::extractAll(dir.filePath("quebrado.zip"), dir.filePath("saida")), UserError);

    // Entry paths are normalised, and those leaving the folder refused.
    const auto safe = [](const char* path) { return ZipArchive::safeEntryPath(QString::fromLatin1(path)); };
    EXPECT_EQ((QStringList{safe("a.txt"), safe("docs\\anexo\\a.txt"), safe("./docs//a.txt"), safe("docs/")}),
              (QStringList{"a.txt", "docs/anexo/a.txt", "docs/a.txt", "docs"}));
    for (const char* bad : {"../x", "..\\x", "docs/../../x", "docs\\..\\..\\x", "/etc/x", "\\etc\\x", "C:\\x", "c:x",
                            "C:/x", "//servidor/pasta/x", "", ".", "./", "a/\x01b"})
        EXPECT_EQ(safe(bad), QString()) << bad;

    // An archive with one escaping entry is refused whole and writes nothing.
    const QString target = dir.filePath("alvo/pasta");
    QDir().mkpath(target);
    for (const char* bad : {"../fora.txt", "..\\fora.txt", "/tmp/fora.txt", "C:\\fora.txt", "sub/../../fora.txt"}) {
        const QString archive = dir.filePath("craft.zip");
        // A harmless entry first: it must not be written either.
        craft(archive, {{"bom.txt", "conteúdo"}, {bad, "fora"}});
        EXPECT_EQ(ZipArchive::entries(archive).size(), 2);
        const QString error = userErrorOf([&] { ZipArchive::extractAll(archive, target); });
        EXPECT_TRUE(error.contains("fora da pasta") && error.contains("Nada foi descompactado")) << error.toStdString();
        EXPECT_EQ(filesUnder(dir.filePath("alvo")), QStringList()) << bad;
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("alvo/fora.txt")) || QFileInfo::exists(dir.filePath("fora.txt")));
    }

    // Folders inside the archive are kept under the target. Archives some tools write start
    // with their own top folder, "./": it leaves nothing and the rest comes out as usual; an
    // escaping entry beside it is still refused.
    const QString archive = dir.filePath("pastas.zip");
    craft(archive, {{"docs/", ""}, {"docs\\anexo\\a.txt", "A"}, {"b.txt", "B"}, {"./", ""}, {".\\", ""},
                    {"./docs/", ""}, {"./docs/c.txt", "C"}, {".oculto", "O"}});
    EXPECT_EQ(ZipArchive::extractAll(archive, dir.filePath("saida")).size(), 4);
    EXPECT_EQ(filesUnder(dir.filePath("saida")), (QStringList{".oculto", "b.txt", "docs/anexo/a.txt", "docs/c.txt"}));
    EXPECT_EQ(readFile(dir.filePath("saida/docs/anexo/a.txt")), "A");

    craft(archive, {{"./", ""}, {"./../fora.txt", "fora"}});
    EXPECT_THROW(ZipArchive::extractAll(archive, dir.filePath("outra")), UserError);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("fora.txt")));
}
