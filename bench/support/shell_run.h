#pragma once
// The real cot-host shell run as a user meets it, timed from outside: a process of its own
// with a home folder of its own (no configuration of the machine's user is read), on the
// offscreen platform or on an X display, killed when it outlives its time.
#include <QProcess>
#include <QString>
#include <QStringList>

namespace cot::bench {

struct ShellTiming {
    int exitCode = -1;     // -1 when it crashed, was killed or did not start
    qint64 startMs = 0;    // wall clock just before the process was started (ms since the epoch)
    qint64 exitMs = 0;     // wall clock once its end was seen
    double seconds = 0;    // start to exit on the monotonic clock
    QString errors;        // its standard error
};

// Where the shell draws: Qt's offscreen platform, or the X display `display` (":N").
struct ShellDisplay {
    QString platform = QStringLiteral("offscreen");
    QString display;
};

// Runs `program` with `arguments` and HOME (and the working folder) set to `home`.
ShellTiming runShellTimed(const QString& program, const QStringList& arguments, const QString& home,
                          const ShellDisplay& where, int timeoutMs = 120000);

// An Xvfb server of its own for the runs on the xcb platform; stopped when destroyed.
class XvfbDisplay {
public:
    // False when Xvfb is not installed (nothing is started then).
    static bool available();
    // Starts Xvfb on a free display (it picks the number) with one screen of `geometry`
    // ("1920x1080x24"); throws when it does not come up.
    explicit XvfbDisplay(const QString& geometry);
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    QString display() const { return display_; }

private:
    QProcess process_;
    QString display_;
};

}  // namespace cot::bench
