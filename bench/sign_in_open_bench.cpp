// The proposal screen's opening as the operator meets it: the real cot-host process signs
// in, opens Pkg_cot05000 and saves a picture of the screen (--screenshot), over the real
// cot05000-server process, on the demo branch (the demo data alone) and on a branch of
// 100,000 generated proposals (BenchDatabase, SQLite). Each shell run is timed from outside;
// the server's request log (--log FILE: each request's end on the wall clock, in ms, and
// its duration) and the picture's modification time place the steps on one clock.
//
// What each figure spans, per run (medians and ranges over the runs):
//   (a) processo        from just before the shell process is started to its exit seen by
//                       this program: Qt's start, sign-in, the opening, the picture, the
//                       sign-out (FechaSessao) and the process's end.
//   (b) entrada→imagem  from the start of the sign-in call (AbreSessao's logged end minus
//                       its duration) to the picture's modification time (the PNG's last
//                       write). It is the sum of the four lines below it:
//       AbreSessao              the sign-in call on the server (the password check).
//       entrada→pedido lista    AbreSessao's end to the list call's start: the server's
//                               date (GetDataHoraServ), the main window, the module loaded,
//                               the screen built.
//       GetProposta             the list call on the server, from the request read to the
//                               last byte written (the desktop reads while it is written).
//       lista→imagem            the list call's end to the picture's last write: the rest of
//                               the desktop's table, GetParamPerc, the paint, the grab and
//                               the PNG written; on a quick opening also the wait below.
//   partida→entrada     process start to AbreSessao's start (Qt, libraries, host database,
//                       /health).
//   imagem→saída        the picture's last write to the process's exit.
//   piso da pintura     AbreSessao's start to the end of the last call made before the
//                       picture: the list cannot have been painted earlier.
//   gravar PNG          this program saving the same picture again (the PNG encoding the
//                       shell does after its grab), once per branch.
//
// The shell takes the picture from a 300 ms single-shot timer started when the main window
// is shown, just after sign-in; the opening starts from a 0 ms timer and blocks the event
// loop, so the picture comes at max(window shown + 300 ms, opening returned). When the
// opening's last call ends before the window shown (GetDataHoraServ's end) + 300 ms, the
// picture waited for the timer: (b) is then later than the paint, and the run is counted
// under "presas ao timer". The paint lies between "piso da pintura" and (b) - "gravar PNG".
//
// cot_bench_sign_in_open_bench [--repetitions N] [--rows N] [--no-xvfb] [--calls]
//   N runs per branch and platform (5), after one run not counted; --rows: proposals of the
//   large branch (100,000). With Xvfb installed the runs are repeated on the xcb platform
//   (a 1920x1080 screen of its own); the offscreen platform's screen is 800x600. --calls
//   prints each run's calls on the sign-in's clock.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QThread>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

#include "data/packet.h"
#include "rpc/net_connection.h"
#include "support/bench_database.h"
#include "support/bench_server.h"
#include "support/process_server.h"
#include "support/shell_run.h"

using namespace cot;
using namespace cot::bench;

namespace {

constexpr double kScreenshotTimerMs = 300;

QString argument(const QStringList& args, const QString& name) {
    const qsizetype i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : QString();
}

// One measured run, in milliseconds.
struct Run {
    double process = 0, signInToPicture = 0, startToSignIn = 0, signIn = 0, signInToList = 0, list = 0,
           listToPicture = 0, pictureToExit = 0, paintFloor = 0;
    bool heldByTimer = false;
};

struct Branch {
    QString name;
    const BenchDatabase* data = nullptr;
    std::unique_ptr<ServerProcess> server;
    int rows = 0;
    double pngSaveMs = 0;
    std::vector<Run> runs;
};

const LoggedRequest* firstAfter(const QList<LoggedRequest>& log, const QString& method, double fromMs) {
    for (const LoggedRequest& r : log)
        if (r.methods == method && r.startMs() >= fromMs - 1) return &r;
    return nullptr;
}

// Reads one shell run's steps from the server's log and the picture's time.
Run readRun(const ShellTiming& shell, const QList<LoggedRequest>& log, qint64 pictureMs) {
    const LoggedRequest* signIn = firstAfter(log, QStringLiteral("AbreSessao"), double(shell.startMs));
    if (!signIn || signIn->outcome != QLatin1String("ok"))
        throw std::runtime_error("AbreSessao não está no log (" + std::to_string(log.size()) + " linhas)");
    const LoggedRequest* date = firstAfter(log, QStringLiteral("GetDataHoraServ"), double(signIn->endMs));
    const LoggedRequest* list = firstAfter(log, QStringLiteral("GetProposta"), double(signIn->endMs));
    if (!date || !list || list->outcome != QLatin1String("ok")) throw std::runtime_error("GetProposta não está no log");
    qint64 lastCallEnd = 0;
    for (const LoggedRequest& r : log)
        if (r.endMs <= pictureMs && r.methods != QLatin1String("FechaSessao")) lastCallEnd = std::max(lastCallEnd, r.endMs);
    Run run;
    run.process = shell.seconds * 1e3;
    run.signInToPicture = double(pictureMs) - signIn->startMs();
    run.startToSignIn = signIn->startMs() - double(shell.startMs);
    run.signIn = signIn->durationMs;
    run.signInToList = list->startMs() - double(signIn->endMs);
    run.list = list->durationMs;
    run.listToPicture = double(pictureMs - list->endMs);
    run.pictureToExit = double(shell.exitMs - pictureMs);
    run.paintFloor = double(lastCallEnd) - signIn->startMs();
    run.heldByTimer = double(lastCallEnd) < double(date->endMs) + kScreenshotTimerMs;
    return run;
}

// The shell signs in, opens the module and saves its picture; the steps come from the log.
Run runOnce(const QString& shellProgram, Branch& branch, const ShellDisplay& where, bool showCalls) {
    QTemporaryDir home;
    if (!home.isValid()) throw std::runtime_error("sem pasta temporária para o shell");
    const QString picture = home.filePath(QStringLiteral("tela.png"));
    const QStringList arguments{QStringLiteral("--db"), branch.data->url(),
                                QStringLiteral("--server"), QStringLiteral("127.0.0.1:%1").arg(branch.server->port()),
                                QStringLiteral("--config"), home.filePath(QStringLiteral("nenhum.ini")),
                                QStringLiteral("--operator"), QStringLiteral("vendedor"),
                                QStringLiteral("--password"), QStringLiteral("vendedor"),
                                QStringLiteral("--branch"), branch.data->branch(),
                                QStringLiteral("--open"), QStringLiteral("Pkg_cot05000"),
                                QStringLiteral("--screenshot"), picture};
    branch.server->newRequests();  // what came before this run
    const ShellTiming shell = runShellTimed(shellProgram, arguments, home.path(), where);
    if (shell.exitCode != 0)
        throw std::runtime_error("cot-host terminou com " + std::to_string(shell.exitCode) + ": " +
                                 shell.errors.toStdString());
    const QFileInfo saved(picture);
    if (!saved.exists()) throw std::runtime_error("cot-host não gravou a imagem");
    if (branch.pngSaveMs == 0) {
        const QImage image(picture);
        QElapsedTimer timer;
        timer.start();
        if (!image.save(home.filePath(QStringLiteral("de-novo.png")))) throw std::runtime_error("imagem ilegível");
        branch.pngSaveMs = double(timer.nsecsElapsed()) / 1e6;
    }
    // The server logs a request once its reply is written; the shell's last ones (the
    // sign-out) are in the log by the time it exits, but give the write a moment.
    QList<LoggedRequest> log;
    for (int i = 0; i < 50 && !std::any_of(log.begin(), log.end(), [](const LoggedRequest& r) {
                        return r.methods == QLatin1String("FechaSessao");
                    });
         ++i) {
        log += branch.server->newRequests();
        if (i > 0) QThread::msleep(10);
    }
    const qint64 pictureMs = saved.lastModified().toMSecsSinceEpoch();
    const Run run = readRun(shell, log, pictureMs);
    if (showCalls) {
        // Each call's start and end from the sign-in's start, and the picture's time.
        const double origin = double(pictureMs) - run.signInToPicture;
        for (const LoggedRequest& r : log)
            std::printf("  %-16s %6.0f → %6.0f ms\n", qPrintable(r.methods), r.startMs() - origin,
                        double(r.endMs) - origin);
        std::printf("  %-16s %6s   %6.0f ms\n", "imagem gravada", "", run.signInToPicture);
    }
    return run;
}

// The list as the shell asks for it, once before the runs: the file's first reading is not
// measured, and the rows the operator sees are counted.
int warmList(const Branch& branch) {
    NetConnection net;
    net.setHost(QStringLiteral("127.0.0.1"));
    net.setPort(branch.server->port());
    net.setToken(openBenchSession(branch.data->url()));
    if (!net.connect()) throw std::runtime_error(net.lastError().toStdString());
    const auto start = std::chrono::steady_clock::now();
    const RpcResult r = net.call(QStringLiteral("GetProposta"), {branch.data->branch(), QStringLiteral("T")});
    if (!r.ok || r.value.typeId() != qMetaTypeId<Packet>())
        throw std::runtime_error("GetProposta: " + r.error.toStdString());
    const int rows = int(r.value.value<Packet>().rows.size());
    std::printf("%s: GetProposta sem tela (servidor frio) %.0f ms, %d linhas para VENDEDOR\n", qPrintable(branch.name),
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() * 1e3, rows);
    return rows;
}

QString spread(std::vector<double> values) {
    if (values.empty()) return QStringLiteral("-");
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return QStringLiteral("%1 (%2–%3)").arg(median, 0, 'f', 0).arg(values.front(), 0, 'f', 0).arg(values.back(), 0, 'f', 0);
}

void printTable(const QString& platform, const std::vector<Branch>& branches) {
    std::printf("\n%s, %zu execuções por banco; mediana (mín–máx), ms\n", qPrintable(platform),
                branches.front().runs.size());
    std::printf("%-34s", "");
    for (const Branch& b : branches)
        std::printf(" %26s", qPrintable(QStringLiteral("%1 (%2 linhas)").arg(b.name).arg(b.rows)));
    std::printf("\n");
    const std::pair<const char*, double Run::*> rows[] = {
        {"(a) processo: partida → saída", &Run::process},
        {"(b) entrada → imagem gravada", &Run::signInToPicture},
        {"    AbreSessao", &Run::signIn},
        {"    entrada → pedido da lista", &Run::signInToList},
        {"    GetProposta", &Run::list},
        {"    lista → imagem gravada", &Run::listToPicture},
        {"partida → entrada", &Run::startToSignIn},
        {"imagem → saída", &Run::pictureToExit},
        {"piso da pintura (última chamada)", &Run::paintFloor},
    };
    for (const auto& [label, member] : rows) {
        // Column widths count bytes: pad the accented labels by hand.
        const QString text = QString::fromUtf8(label);
        std::printf("%s%*s", label, int(34 - text.size()), "");
        for (const Branch& b : branches) {
            std::vector<double> values;
            for (const Run& r : b.runs) values.push_back(r.*member);
            const QString cell = spread(values);
            std::printf(" %*s%s", int(26 - cell.size()), "", qPrintable(cell));
        }
        std::printf("\n");
    }
    std::printf("%-34s", "gravar PNG (neste processo)");
    for (const Branch& b : branches) std::printf(" %26.0f", b.pngSaveMs);
    std::printf("\n%-34s", "presas ao timer de 300 ms");
    for (const Branch& b : branches) {
        const auto held = std::count_if(b.runs.begin(), b.runs.end(), [](const Run& r) { return r.heldByTimer; });
        std::printf(" %26s", qPrintable(QStringLiteral("%1 de %2").arg(held).arg(b.runs.size())));
    }
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    setvbuf(stdout, nullptr, _IOLBF, 0);
    const QStringList args = app.arguments();
    const int repetitions = std::max(1, argument(args, QStringLiteral("--repetitions")).isEmpty()
                                            ? 5
                                            : argument(args, QStringLiteral("--repetitions")).toInt());
    const bool showCalls = args.contains(QStringLiteral("--calls"));
    const QString rowsText = argument(args, QStringLiteral("--rows"));
    const int generated = rowsText.isEmpty() ? 100000 : std::max(1, rowsText.toInt());
    const QString binaries = QCoreApplication::applicationDirPath();
    const QString serverProgram = binaries + QStringLiteral("/cot05000-server");
    const QString shellProgram = binaries + QStringLiteral("/cot-host");
    for (const QString& p : {serverProgram, shellProgram})
        if (!QFileInfo(p).isExecutable()) {
            std::fprintf(stderr, "cot_bench_sign_in_open_bench: não encontrado: %s\n", qPrintable(p));
            return 1;
        }
    try {
        const auto start = std::chrono::steady_clock::now();
        BenchDatabase demo;
        BenchDatabase large;
        large.addGeneratedProposals(generated);
        std::printf("Bancos de medição: demonstração; demonstração + %d propostas geradas (%.1f s)\n", generated,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        QTemporaryDir logs;
        if (!logs.isValid()) throw std::runtime_error("sem pasta temporária para os logs");
        std::vector<Branch> branches(2);
        branches[0].name = QStringLiteral("demo");
        branches[0].data = &demo;
        branches[1].name = QStringLiteral("%1k").arg(generated / 1000);
        branches[1].data = &large;
        for (Branch& b : branches) {
            b.server = std::make_unique<ServerProcess>(serverProgram, b.data->url(), 4,
                                                       logs.filePath(b.name + QStringLiteral(".log")));
            b.rows = warmList(b);
        }

        std::vector<std::pair<QString, ShellDisplay>> platforms{{QStringLiteral("offscreen (800x600)"), {}}};
        std::unique_ptr<XvfbDisplay> xvfb;
        if (!args.contains(QStringLiteral("--no-xvfb")) && XvfbDisplay::available()) {
            xvfb = std::make_unique<XvfbDisplay>(QStringLiteral("1920x1080x24"));
            platforms.push_back({QStringLiteral("xcb no Xvfb %1 (1920x1080)").arg(xvfb->display()),
                                 ShellDisplay{QStringLiteral("xcb"), xvfb->display()}});
        }
        for (const auto& [title, where] : platforms) {
            for (Branch& b : branches) {
                b.runs.clear();
                b.pngSaveMs = 0;
                runOnce(shellProgram, b, where, false);  // the shell's libraries read once, not measured
                for (int i = 0; i < repetitions; ++i) {
                    if (showCalls) std::printf("%s, %s, execução %d:\n", qPrintable(title), qPrintable(b.name), i + 1);
                    b.runs.push_back(runOnce(shellProgram, b, where, showCalls));
                }
            }
            printTable(title, branches);
        }
        std::printf("\nA pintura fica entre o piso e (b) - gravar PNG; numa execução presa ao timer, (b) mede o "
                    "timer de %.0f ms do shell, não a abertura.\n",
                    kScreenshotTimerMs);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cot_bench_sign_in_open_bench: %s\n", e.what());
        return 1;
    }
}
