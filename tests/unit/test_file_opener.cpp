// The file opener: the recorder tests and scenarios install, and what the desktop's says
// about a file that is not there. The guard that deletes a modal dialog on every path out.
#include <QPointer>
#include <memory>

#include "services/file_opener.h"
#include "ui/desktop_file_opener.h"
#include "ui/modal_once.h"
#include "unit_cases.h"

TEST(FileOpener, TheRecorderIsInstalledForItsScopeAndAnswersAsTold) {
    EXPECT_FALSE(FileOpener::installed());
    EXPECT_THROW(FileOpener::current(), std::logic_error);
    QTemporaryDir dir;
    ASSERT_TRUE(writeFile(dir.filePath("a.zip")));
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

    // The desktop's opener reports a missing file without starting anything.
    DesktopFileOpener opener;
    const OpenResult r = opener.open(dir.filePath("nao_existe.pdf"));
    EXPECT_EQ(r.outcome, OpenResult::Failed);
    EXPECT_TRUE(r.error.startsWith("Arquivo") && r.error.contains("nao_existe.pdf")) << r.error.toStdString();
}

namespace {

// Stands in for a dialog: counts how often it is destroyed.
struct Probe : QObject {
    explicit Probe(int& destroyed, QObject* parent = nullptr) : QObject(parent), count(destroyed) {}
    ~Probe() override { ++count; }
    int& count;
};
}  // namespace

// The dialog goes on every path out (the opener's pointer cleared), only once when its owner
// took it along, and it is the one given, never a later one the opener moved on to.
TEST(ModalOnce, DeletesTheDialogItWasGivenOnceOnEveryPathOut) {
    int destroyed = 0, later = 0;
    QPointer<Probe> opened = new Probe(destroyed);
    {
        const ModalOnce<Probe> once(opened);
        EXPECT_EQ(once.get(), opened.data()) << "the dialog stays up, and readable, while the scope runs";
    }
    EXPECT_TRUE(destroyed == 1 && opened.isNull()) << destroyed;

    opened = new Probe(destroyed);
    EXPECT_THROW(
        {
            const ModalOnce<Probe> once(opened);
            throw std::runtime_error("the modal loop failed");
        },
        std::runtime_error);
    EXPECT_TRUE(destroyed == 2 && opened.isNull()) << destroyed;

    auto owner = std::make_unique<QObject>();
    opened = new Probe(destroyed, owner.get());
    {
        const ModalOnce<Probe> once(opened);
        owner.reset();  // the screen closes while its dialog is up
        EXPECT_EQ(once.get(), nullptr);
    }
    EXPECT_EQ(destroyed, 3);

    opened = new Probe(destroyed);
    auto next = std::make_unique<Probe>(later);
    {
        const ModalOnce<Probe> once(opened);
        opened = next.get();
    }
    EXPECT_EQ(std::pair(destroyed, later), std::pair(4, 0));
    EXPECT_EQ(opened.data(), next.get());
}
