// The file opener: the recorder tests and scenarios install, and what the desktop's says
// about a file that is not there.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "services/file_opener.h"
#include "ui/desktop_file_opener.h"

using namespace cot;

TEST(FileOpener, TheRecorderIsInstalledForItsScopeAndAnswersAsTold) {
    EXPECT_FALSE(FileOpener::installed());
    EXPECT_THROW(FileOpener::current(), std::logic_error);
    QTemporaryDir dir;
    QFile f(dir.filePath("a.zip"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    RecordingFileOpener recorder;
    {
        RecordingFileOpener::Scope scope(recorder);
        EXPECT_TRUE(FileOpener::current().open(dir.filePath("a.zip")).opened());
        EXPECT_EQ(FileOpener::current().open(dir.filePath("b.pdf")).outcome, OpenResult::Failed);
        recorder.unassociated = {".ZIP"};
        EXPECT_EQ(FileOpener::current().open(dir.filePath("a.zip")).outcome, OpenResult::NoAssociation);
    }
    EXPECT_FALSE(FileOpener::installed());
    EXPECT_EQ(recorder.opened, QStringList{dir.filePath("a.zip")});
}

TEST(FileOpener, TheDesktopOpenerReportsAMissingFileWithoutStartingAnything) {
    QTemporaryDir dir;
    DesktopFileOpener opener;
    const OpenResult r = opener.open(dir.filePath("nao_existe.pdf"));
    EXPECT_EQ(r.outcome, OpenResult::Failed);
    EXPECT_TRUE(r.error.startsWith("Arquivo")) << r.error.toStdString();
    EXPECT_TRUE(r.error.contains("nao_existe.pdf"));
}
