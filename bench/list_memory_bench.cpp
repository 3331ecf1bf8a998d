// Peak memory of the real server process while it answers 1, 4 and 16 proposal lists of
// 100,000 rows at once, and the desktop's memory for one such list in a client table.
//
// The database is a SQLite file with the demo data and 100,000 generated proposals of the
// demo branch. For each N a fresh cot05000-server is started over it; once /health answers,
// N threads each post one GetProposta (branch, "T") as raw JSON-RPC over HTTP, while the
// server's VmRSS is sampled every 2 ms from /proc; VmHWM is read after the last reply and
// VmRSS again a second later. The desktop side is this process: its RSS before and after
// one list is read through NetConnection into a ClientTable, and after both are released.
//
// cot_bench_list_memory_bench [--server PATH] [--rows N]
//   PATH defaults to $COT_BENCH_SERVER, then to cot05000-server next to this program;
//   N is the number of generated proposals (100,000).
#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <malloc.h>
#include <stdexcept>
#include <thread>
#include <vector>

#include "data/client_table.h"
#include "rpc/http_request.h"
#include "rpc/net_connection.h"
#include "support/bench_database.h"
#include "support/bench_server.h"
#include "support/proc_memory.h"
#include "support/process_server.h"

using namespace cot;
using namespace cot::bench;

namespace {

// Samples a process's VmRSS every 2 ms until stopped; keeps the highest.
class RssSampler {
public:
    explicit RssSampler(qint64 pid)
        : thread_([this, pid] {
              while (!stop_.load()) {
                  peak_ = std::max(peak_.load(), readProcMemory(pid).rss);
                  std::this_thread::sleep_for(std::chrono::milliseconds(2));
              }
          }) {}
    qint64 stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        return peak_;
    }
    ~RssSampler() { stop(); }

private:
    std::atomic<bool> stop_{false};
    std::atomic<qint64> peak_{0};
    std::thread thread_;
};

QByteArray listRequest(const QString& branch) {
    const QJsonObject request{{"jsonrpc", "2.0"}, {"id", 1}, {"method", "GetProposta"},
                              {"params", QJsonArray{branch, QStringLiteral("T")}}};
    return QJsonDocument(request).toJson(QJsonDocument::Compact);
}

struct ServerFigures {
    int lists = 0;
    qint64 replyBytes = 0, before = 0, peak = 0, after = 0;
    double seconds = 0;
    QString error;
};

ServerFigures measureServer(const QString& program, const BenchDatabase& data, int lists) {
    ServerFigures f;
    f.lists = lists;
    ServerProcess server(program, data.url(), std::max(16, lists));
    f.before = readProcMemory(server.pid()).rss;
    resetPeakRss(server.pid());  // VmHWM then covers the lists alone (no-op where refused)
    const QByteArray body = listRequest(data.branch());
    const QByteArray token = bench::openBenchSession(data.url());
    std::vector<qint64> sizes(lists, 0);
    std::vector<QString> errors(lists);
    RssSampler sampler(server.pid());
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (int i = 0; i < lists; ++i)
        threads.emplace_back([&, i] {
            const HttpReply reply =
                httpPost(QStringLiteral("127.0.0.1"), server.port(), QStringLiteral("/rpc"), body,
                         QStringLiteral("application/json"), 600, QStringLiteral("identity"), token);
            sizes[i] = reply.body.size();
            if (reply.status != 200 || !reply.body.contains("\"result\""))
                errors[i] = QStringLiteral("HTTP %1: %2").arg(reply.status).arg(QString::fromUtf8(reply.body.left(200)));
        });
    for (auto& t : threads) t.join();
    f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const qint64 sampled = sampler.stop();
    f.peak = std::max(sampled, readProcMemory(server.pid()).peak);
    QThread::msleep(1000);
    f.after = readProcMemory(server.pid()).rss;
    f.replyBytes = *std::max_element(sizes.begin(), sizes.end());
    for (const QString& e : errors)
        if (f.error.isEmpty()) f.error = e;
    return f;
}

// This process's RSS around one list read into a client table through the connection.
void measureDesktop(const QString& program, const BenchDatabase& data, int generated) {
    ServerProcess server(program, data.url(), 16);
    malloc_trim(0);
    const qint64 before = readProcMemory().rss;
    qint64 loaded = 0, released = 0, trimmed = 0;
    int count = 0;
    double seconds = 0;
    {
        NetConnection net;
        net.setPort(server.port());
        net.setToken(bench::openBenchSession(data.url()));
        ClientTable table(QStringLiteral("cdsProposta"));
        const auto start = std::chrono::steady_clock::now();
        {
            const RpcResult r = net.call(QStringLiteral("GetProposta"), {data.branch(), QStringLiteral("T")});
            if (!r.ok) throw std::runtime_error("GetProposta: " + r.error.toStdString());
            table.setData(r.value.value<Packet>());
        }  // the reply and its packet are gone: only the table holds the rows
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        count = table.recordCount();
        loaded = readProcMemory().rss;
    }  // the table and the connection go
    released = readProcMemory().rss;
    malloc_trim(0);
    trimmed = readProcMemory().rss;
    std::printf("Desktop (este processo), uma lista de %d linhas numa ClientTable via NetConnection (%.2f s):\n"
                "  RSS antes %s, com a lista carregada %s (+%s), após liberar %s, após malloc_trim %s\n"
                "  por linha carregada: %.0f bytes\n\n",
                count, seconds, qPrintable(megabytes(before)), qPrintable(megabytes(loaded)),
                qPrintable(megabytes(loaded - before)), qPrintable(megabytes(released)), qPrintable(megabytes(trimmed)),
                count > 0 ? double(loaded - before) / count : 0.0);
    if (count < generated) std::fprintf(stderr, "  a lista veio com %d linhas, menos que as %d geradas\n", count, generated);
}

QString argument(const QStringList& args, const QString& name) {
    const qsizetype at = args.indexOf(name);
    return at >= 0 ? args.value(at + 1) : QString();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    setvbuf(stdout, nullptr, _IOLBF, 0);  // figures appear as they come, between the server's messages
    const QStringList args = app.arguments();
    QString program = argument(args, QStringLiteral("--server"));
    if (program.isEmpty()) program = qEnvironmentVariable("COT_BENCH_SERVER");
    if (program.isEmpty()) program = QCoreApplication::applicationDirPath() + QStringLiteral("/cot05000-server");
    const QString rows = argument(args, QStringLiteral("--rows"));
    const int generated = rows.isEmpty() ? 100000 : std::max(1, rows.toInt());
    if (!QFileInfo(program).isExecutable()) {
        std::fprintf(stderr, "cot_bench_list_memory_bench: servidor não encontrado: %s\n", qPrintable(program));
        return 1;
    }
    try {
        const auto start = std::chrono::steady_clock::now();
        BenchDatabase data;
        data.addGeneratedProposals(generated);
        std::printf("Banco de medição: demonstração + %d propostas geradas (%.1f s); servidor %s\n\n", generated,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                    qPrintable(program));

        measureDesktop(program, data, generated);

        std::printf("Servidor (processo próprio), N listas GetProposta simultâneas:\n");
        std::printf("%3s %12s %11s %11s %11s %13s %11s %8s %8s\n", "N", "resposta", "RSS antes", "pico",
                    "pico-antes", "pico/lista", "RSS após 1s", "tempo", "razão");
        bool failed = false;
        for (int lists : {1, 4, 16}) {
            const ServerFigures f = measureServer(program, data, lists);
            const qint64 perList = (f.peak - f.before) / f.lists;
            std::printf("%3d %12s %11s %11s %11s %13s %11s %7.1fs %7.2fx\n", f.lists, qPrintable(megabytes(f.replyBytes)),
                        qPrintable(megabytes(f.before)), qPrintable(megabytes(f.peak)),
                        qPrintable(megabytes(f.peak - f.before)), qPrintable(megabytes(perList)),
                        qPrintable(megabytes(f.after)), f.seconds, f.replyBytes > 0 ? double(perList) / f.replyBytes : 0);
            if (!f.error.isEmpty()) {
                std::fprintf(stderr, "  N=%d: %s\n", lists, qPrintable(f.error));
                failed = true;
            }
        }
        std::printf("\nrazão = (pico - antes) / N ÷ bytes de uma resposta\n");
        return failed ? 1 : 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cot_bench_list_memory_bench: %s\n", e.what());
        return 1;
    }
}
