#pragma once
#include <QString>
#include <QStringList>

namespace cot {

// How opening a file with the desktop's program went.
struct OpenResult {
    enum Outcome { Opened, NoAssociation, Failed };
    Outcome outcome = Opened;
    QString error;  // Failed: why (Portuguese)

    bool opened() const { return outcome == Opened; }
};

// Opens a file with the program the desktop associates with it. Every screen goes through
// the current opener, so tests and scenario runs record the call instead of starting a
// viewer. The desktop's own lives in host/ui (DesktopFileOpener), installed by the shell.
class FileOpener {
public:
    virtual ~FileOpener() = default;
    virtual OpenResult open(const QString& path) = 0;

    // The service everyone uses; std::logic_error when none was installed.
    static FileOpener& current();
    static void setCurrent(FileOpener* opener);  // not owned
    static bool installed();
};

// Records the files asked to be opened and answers as told (Opened by default); a path
// matching one of `unassociated` by file-name suffix (".zip") gets NoAssociation.
class RecordingFileOpener : public FileOpener {
public:
    OpenResult open(const QString& path) override;

    QStringList opened;          // absolute paths, in order
    QStringList unassociated;    // suffixes without a program, e.g. {".zip"}

    // Installs the recorder as the current opener for the scope's life.
    class Scope {
    public:
        explicit Scope(RecordingFileOpener& opener);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        FileOpener* previous_;
    };
};

}  // namespace cot
