// A whole proposal loaded by the proposal screen, end to end on loopback, against the same
// remote calls made bare.
//
// The proposal has 50 product lines (12 installments and 3 systems each), 20 services with
// the package's 12 installments, 30 texts, 5 simulations of 10 lines each and its
// observation. The screen runs offscreen over a server in this process: the list's cursor
// moves onto the proposal and every page is shown in turn (grid and form of the product
// lines, services, simulation, texts, observation), so every area reads what it shows; once
// with each page painted before the next, once unpainted (tables and widgets updated only).
// Every call the screen makes is recorded (NetConnection::setCallObserver) and replayed
// through a NetConnection of its own with the results dropped: no client tables, no
// widgets. The ratios are what the desktop adds over the round trips.
//
// Opening the screen on a branch of 100k proposals (BM_OpenOn100k): from the call the shell
// makes after sign-in to the list's first paint, with the time split between the list's
// call and table load, the grid model's resets, the status pictures, the rest of the paint
// and the rest of the screen (areas, pages, menus).
//
// Build in Release for numbers: cot_bench_proposal_load_bench [--benchmark_repetitions=N]
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <unistd.h>

#include "base/heap_pages.h"
#include "data/client_table.h"
#include "module/module_factories.h"
#include "proposal/screen/areas.h"
#include "proposal/screen/proposal_screen.h"
#include "proposal/screen/tables_proposal.h"
#include "rpc/call_wait.h"
#include "rpc/net_connection.h"
#include "server/storage/database.h"
#include "services/local_query.h"
#include "services/session.h"
#include "support/bench_database.h"
#include "support/bench_server.h"
#include "support/median_reporter.h"
#include "support/quiet_dialogs.h"
#include "ui/db_grid.h"
#include "ui/event_boundary.h"
#include "ui/menus.h"

using namespace cot;
using namespace cot::bench;

namespace {

constexpr int kLines = 50, kInstallments = 12, kServices = 20, kTexts = 30, kSimulations = 5, kSimulatedLines = 10;

QString padded(qint64 n, int width) { return QStringLiteral("%1").arg(n, width, 10, QChar(u'0')); }

const QString kNumber = padded(900, 20);     // the measured proposal
const QString kElsewhere = padded(1, 20);    // a demo proposal the list leaves the cursor on
const QString kVersion = QStringLiteral("01");

// The measured proposal, of the demo branch and seller, with every child table filled.
void seedProposal(server::Database& db, const QString& client) {
    const QDateTime day(QDate::currentDate().addDays(-3), QTime(0, 0));
    const QVariantMap key{{"NR", kNumber}, {"VER", kVersion}};
    const auto with = [&key](QVariantMap values) {
        values.insert(key);
        return values;
    };
    server::Transaction t(db);
    db.exec(QStringLiteral(
                "INSERT INTO PROPOSTAFAS (NRPROPOSFAS, NRVERPROPFAS, CDFILIAL, IDSOLPROPFAS, IDCLIENPROSP, CDCLIENTE, "
                "DSREFEPROPOSFAS, DTPROPOSFAS, DTVALPROPFAS, CDOPERSOLI, CDOPERINCL, CDOPERRESP, CDINDICE1, CDTPINDICE1, "
                "IDPERVALOR1, VRPEINCIND1, IDTPREAJPROP, NRMESREAJPROP, CDPROCOMERCI, IDIDIOMA, VRPACOTESERV, "
                "IDTIPOCOBRSERV, IDTIPOPROPFAS, DSEMAIPROFAS, DTINCLUSAO) VALUES (:NR, :VER, '0001', 'N', 'C', :C, "
                "'Proposta completa para a medição', :D, :V, 'VENDEDOR', 'VENDEDOR', 'GERENTE', '0001', 'M', 'P', 100, "
                "'A', '03', 'ERP', 'POR', 36000, 'P', 'M', 'compras@cliente.demo', :I)"),
            with({{"C", client}, {"D", day}, {"V", day.addDays(60)}, {"I", day.toString("dd/MM/yyyy HH:mm:ss")}}));
    for (int l = 1; l <= kLines; ++l) {
        const QVariantMap line = with({{"L", padded(900000 + l, 20)}});
        db.exec(QStringLiteral(
                    "INSERT INTO LINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, CDLINPPROPINFOR, NMLINPPROP, NRUSUALINPP, "
                    "IDTIPLINPP, QTMINIMAFATPROP, VRLICENCUSOPROP, VRMENSALIDAPROP, VRDESLICUSOPROP, VRDESMENSALPROP, "
                    "IDMPROCLINPP, IDLPROCLINPP, DTCALUSLINPP, IDAMBLINPP) VALUES (:NR, :VER, :L, :INFOR, :NOME, 10, 'M', "
                    "4, :LIC, 120, 0, 0, 'M', 'M', :CAR, 'WEB')"),
                with({{"L", line["L"]}, {"INFOR", QStringLiteral("B%1").arg(padded(l, 3))},
                      {"NOME", QStringLiteral("Linha de produto %1").arg(l)}, {"LIC", 1000.0 + l},
                      {"CAR", day.addMonths(2)}}));
        for (const char* system : {"WEB00001", "WEB00002", "WEB00003"})
            db.exec(QStringLiteral("INSERT INTO SISTLINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, CDSISTEMA) "
                                   "VALUES (:NR, :VER, :L, :S)"),
                    with({{"L", line["L"]}, {"S", system}}));
        for (int i = 1; i <= kInstallments; ++i)
            db.exec(QStringLiteral("INSERT INTO VENCLINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, DTVELUSOPEDP, "
                                   "VRVELUSOPEDP) VALUES (:NR, :VER, :L, :D, :V)"),
                    with({{"L", line["L"]}, {"D", day.addMonths(i)}, {"V", (1000.0 + l) * 4 / kInstallments}}));
    }
    for (int s = 1; s <= kServices; ++s)
        db.exec(QStringLiteral(
                    "INSERT INTO SERVPROP (NRPROPOSFAS, NRVERPROPFAS, NRSERVPROP, CDTIPOSERV, DSLOCALPROP, IDTIPOCOBRPROP, "
                    "VRPEACHEPROP, QTSERVPROP, VREXCEDPROP, VRHORAPROP, VRDEHORAPROP, VRPEHORAPROP, NRMESREAJPROP) "
                    "VALUES (:NR, :VER, :S, :T, 'Nas instalações do cliente', 'P', 1, 12, 150, 150, 150, 0, '03')"),
                with({{"S", padded(s, 3)}, {"T", padded(1 + (s - 1) % 5, 3)}}));
    for (int i = 1; i <= kInstallments; ++i)
        db.exec(QStringLiteral("INSERT INTO VENCSERVPROP (NRPROPOSFAS, NRVERPROPFAS, DTVENCSERVPROP, VRVENCSERVPROP) "
                               "VALUES (:NR, :VER, :D, 3000)"),
                with({{"D", day.addMonths(i)}}));
    const QString paragraph = QStringLiteral(
        "<p>Condições comerciais: os valores de licença de uso são pagos nas parcelas informadas; as mensalidades "
        "começam após a carência e são reajustadas anualmente pelo índice da proposta.</p>");
    for (int x = 1; x <= kTexts; ++x)
        db.exec(QStringLiteral("INSERT INTO TXTPROPFAS (NRPROPOSFAS, NRVERPROPFAS, CDTXTPROPFAS, NRORDEMMSG, TXPROPFAS) "
                               "VALUES (:NR, :VER, :C, :O, :T)"),
                with({{"C", QStringLiteral("TXTMEDICAO%1").arg(padded(x, 2))}, {"O", x}, {"T", paragraph.repeated(3)}}));
    for (int s = 1; s <= kSimulations; ++s) {
        db.exec(QStringLiteral("INSERT INTO SIMULAPROP (NRPROPOSFAS, NRVERPROPFAS, NRSIMULAPROP, NRORDSIMULAPROP, "
                               "NMSIMULAPROP) VALUES (:NR, :VER, :S, :O, :N)"),
                with({{"S", padded(s, 5)}, {"O", padded(s, 3)}, {"N", QStringLiteral("Cenário %1").arg(s)}}));
        for (int l = 1; l <= kSimulatedLines; ++l)
            db.exec(QStringLiteral("INSERT INTO SIMULALINP (NRPROPOSFAS, NRVERPROPFAS, NRSIMULAPROP, NRORDLINPSIMULA, "
                                   "CDLINPPROP, QTUTILSIMULINP) VALUES (:NR, :VER, :S, :O, :L, :Q)"),
                    with({{"S", padded(s, 5)}, {"O", padded(l, 3)}, {"L", padded(900000 + (s * 7 + l) % kLines + 1, 20)},
                          {"Q", double(s + l)}}));
    }
    db.exec(QStringLiteral("INSERT INTO OBSPROPFAS (NRPROPOSFAS, NRVERPROPFAS, TXOBSPROPFAS) VALUES (:NR, :VER, :T)"),
            with({{"T", paragraph}}));
    t.commit();
}

struct Call {
    QString method;
    QVariantList args;
};

// The demo database with the measured proposal, the server, a signed-in session and the
// proposal screen as the module opens it.
struct Environment {
    Environment() {
        seedProposal(*data.open(), data.client());
        server = std::make_unique<InProcessServer>(data.url(), 8);
        HostDatabase::open(data.url());
        Session::instance().setOperator(QStringLiteral("VENDEDOR"), QStringLiteral("Vendedor"));
        Session::instance().setBranch(QStringLiteral("0001"));
        Session::instance().setServer(QStringLiteral("127.0.0.1"), server->port());
        Cli_cot05000::CriaProposta();
        screen = Cli_cot05000::proposalScreen();
        if (!screen) throw std::runtime_error("a tela de propostas não abriu");
        QCoreApplication::processEvents();
        bare = server->connect();
    }
    ~Environment() {
        bare.reset();
        Cli_cot05000::releaseAll();
        HostDatabase::close();
        server.reset();
        Session::instance().reset();
    }

    // Back on the list with the cursor on another proposal, as the user leaves one.
    void leave() {
        page(screen->menus().mnuProposta);
        locate(kElsewhere);
    }
    // The measured sequence: the cursor onto the proposal, then every page shown and,
    // with `paint`, painted before the next (without, the paints wait for leave()).
    void load(bool paint = true) {
        locate(kNumber);
        const ProposalMenus& m = screen->menus();
        for (TMenuItem* entry : {m.mnuLinpProdGrade, m.mnuLinnProdForm, m.mnuServico, m.mnuSimulacao, m.mnuTexto,
                                 m.mnuObserv})
            page(entry, paint);
    }

    void locate(const QString& number) {
        bool found = false;
        const bool ok = runHandler([&] {
            found = screen->proposal().locate(QStringLiteral("NRPROPOSFAS;NRVERPROPFAS"), {number, kVersion});
        });
        if (!ok || !found) throw std::runtime_error("proposta ausente da lista: " + number.toStdString());
    }
    void page(TMenuItem* entry, bool paint = true) {
        if (!entry->click()) throw std::runtime_error("página recusada: " + entry->objectName().toStdString());
        if (paint) QCoreApplication::processEvents();
    }

    // Records the calls of one load and checks that every table came whole.
    void record() {
        leave();
        screen->net().setCallObserver([this](const QString& method, const QVariantList& args) {
            calls.push_back({method, args});
        });
        load();
        screen->net().setCallObserver(nullptr);
        std::printf("Tabelas da tela após a carga:");
        for (const auto& area : screen->areas())
            for (ClientTable* t : area->tables())
                std::printf(" %s=%d", qPrintable(t->name()), t->active() ? t->recordCount() : -1);
        std::printf("\n");
        if (dialogs.shown() > 0) throw std::runtime_error("a carga mostrou mensagens: a medição não vale");
    }

    QuietDialogs dialogs;
    BenchDatabase data;
    std::unique_ptr<InProcessServer> server;
    QPointer<TfrmPropostaComercial> screen;
    std::unique_ptr<NetConnection> bare;
    std::vector<Call> calls;
};

std::unique_ptr<Environment>& environment() {
    static std::unique_ptr<Environment> env;
    return env;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Arg 1: every page painted as it is shown; arg 0: the tables and widgets updated, unpainted.
void BM_ScreenLoad(benchmark::State& state) {
    Environment& env = *environment();
    const bool paint = state.range(0) != 0;
    int roundTrips = 0;
    try {
        for (auto _ : state) {
            env.leave();
            const int before = env.screen->net().calls();
            const auto start = std::chrono::steady_clock::now();
            env.load(paint);
            state.SetIterationTime(secondsSince(start));
            roundTrips = env.screen->net().calls() - before;
        }
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
    state.counters["idas_e_voltas"] = roundTrips;
}

void BM_BareCalls(benchmark::State& state) {
    Environment& env = *environment();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (const Call& c : env.calls) {
            RpcResult r = env.bare->call(c.method, c.args);
            if (!r.ok) {
                state.SkipWithError(qPrintable(c.method + QStringLiteral(": ") + r.error));
                return;
            }
            benchmark::DoNotOptimize(r);
        }
        state.SetIterationTime(secondsSince(start));
    }
    state.counters["idas_e_voltas"] = double(env.calls.size());
}

// The same calls, each answer filled into a client table (what the pages' tables hold),
// with no widget: the data side of the load.
void BM_CallsIntoTables(benchmark::State& state) {
    Environment& env = *environment();
    std::vector<std::unique_ptr<ClientTable>> tables;
    for (size_t i = 0; i < env.calls.size(); ++i) tables.push_back(std::make_unique<ClientTable>());
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (size_t i = 0; i < env.calls.size(); ++i) {
            const RpcResult r = env.bare->call(env.calls[i].method, env.calls[i].args);
            if (!r.ok) {
                state.SkipWithError(qPrintable(env.calls[i].method + QStringLiteral(": ") + r.error));
                return;
            }
            if (r.value.typeId() == qMetaTypeId<Packet>()) tables[i]->setData(r.value.value<Packet>());
        }
        state.SetIterationTime(secondsSince(start));
    }
}

// ----- Opening the screen on 100k proposals

constexpr int kListed = 100000;

// A branch of 100k generated proposals with its own server. The screen is opened on it
// with the host's connections pointed there, and pointed back at the demo one afterwards.
struct LargeBranch {
    LargeBranch() {
        data.addGeneratedProposals(kListed);
        server = std::make_unique<InProcessServer>(data.url(), 8);
        // The server has read the list once, as a server in use has: the first opening
        // measures a fresh desktop, not the file's first reading.
        const auto start = std::chrono::steady_clock::now();
        const RpcResult r =
            server->connect()->call(QStringLiteral("GetProposta"), {data.branch(), QStringLiteral("T")});
        if (!r.ok) throw std::runtime_error("GetProposta: " + r.error.toStdString());
        std::printf("GetProposta sem tabela (servidor frio): %.0f ms\n", secondsSince(start) * 1e3);
        std::fflush(stdout);
    }
    BenchDatabase data;
    std::unique_ptr<InProcessServer> server;
};

LargeBranch& largeBranch() {
    static LargeBranch branch;
    return branch;
}

// Points the host (its database and the server it calls) at `url` and `port` for a scope.
class HostOn {
public:
    HostOn(const QString& url, int port, const QString& backUrl, int backPort)
        : backUrl_(backUrl), backPort_(backPort) {
        HostDatabase::open(url);
        Session::instance().setServer(QStringLiteral("127.0.0.1"), port);
    }
    ~HostOn() {
        HostDatabase::open(backUrl_);
        Session::instance().setServer(QStringLiteral("127.0.0.1"), backPort_);
    }
    HostOn(const HostOn&) = delete;
    HostOn& operator=(const HostOn&) = delete;

private:
    QString backUrl_;
    int backPort_;
};

// Tells when the list grid's viewport has been painted.
class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) painted = true;
        return false;
    }
};

// Where the opening's time went, in seconds.
struct OpeningSplit {
    double total = 0, screen = 0, list = 0, reset = 0, pictures = 0, cells = 0, shown = 0;
    int rows = 0;
    // Past the screen's building, the list, the resets and the cells: the percentages, the
    // first proposal's areas, showing, laying out and the rest of the paint.
    double rest() const { return total - screen - list - reset - pictures - cells; }
};

// Opens the screen as the module's CriaProposta does (the form built, its FormCreate, shown
// maximised, raised and activated), then runs the event loop until the list grid has been
// painted once. Hooks time each part; the demo screen stays the module's own.
OpeningSplit openScreen() {
    using Clock = std::chrono::steady_clock;
    OpeningSplit split;
    Clock::time_point listCall{}, resetStart{};
    bool listLoaded = false;
    const auto start = Clock::now();
    std::unique_ptr<TfrmPropostaComercial> screen(new TfrmPropostaComercial(nullptr));
    split.screen = secondsSince(start);

    TDBGrid& grid = *screen->dbgPadrao;
    screen->net().setCallObserver([&](const QString& method, const QVariantList&) {
        if (method == QLatin1String("GetProposta")) listCall = Clock::now();
    });
    QObject::connect(grid.model(), &QAbstractItemModel::modelAboutToBeReset, [&] {
        resetStart = Clock::now();
        if (listCall != Clock::time_point{} && !listLoaded) {
            split.list = std::chrono::duration<double>(resetStart - listCall).count();
            listLoaded = true;
        }
    });
    QObject::connect(grid.model(), &QAbstractItemModel::modelReset, [&] { split.reset += secondsSince(resetStart); });
    const auto draw = grid.onDrawColumnCell;
    grid.onDrawColumnCell = [&](QPainter& painter, const QRect& rect, TColumn& column, GridDrawStates state) {
        const bool picture =
            column.fieldName == QLatin1String("IDSITUACAO") || column.fieldName == QLatin1String("IDDECCLIENTE");
        const auto from = Clock::now();
        draw(painter, rect, column, state);
        (picture ? split.pictures : split.cells) += secondsSince(from);
    };
    PaintWatch watch;
    grid.viewport()->installEventFilter(&watch);

    screen->FormCreate();
    screen->setWindowFlag(Qt::Window, true);
    screen->showMaximized();
    screen->raise();
    screen->activateWindow();
    const auto shown = Clock::now();
    for (int i = 0; i < 100 && !watch.painted; ++i) QCoreApplication::processEvents();
    if (!watch.painted) throw std::runtime_error("a lista não foi pintada");
    split.total = secondsSince(start);
    split.shown = std::chrono::duration<double>(Clock::now() - shown).count();
    split.rows = screen->proposal().recordCount();

    grid.viewport()->removeEventFilter(&watch);
    screen->net().setCallObserver(nullptr);
    screen->hide();
    return split;
}

// The list's data alone, as the screen asks for it: GetProposta through a connection of
// its own into a client table with the screen's fields, no widget.
double listIntoTable(const LargeBranch& branch) {
    const auto start = std::chrono::steady_clock::now();
    {
        ClientTable proposal, paramPerc;
        defineProposalTables(proposal, paramPerc);
        const RpcResult r =
            branch.server->connect()->call(QStringLiteral("GetProposta"), {branch.data.branch(), QStringLiteral("T")});
        if (!r.ok || r.value.typeId() != qMetaTypeId<Packet>())
            throw std::runtime_error("GetProposta: " + r.error.toStdString());
        proposal.setData(r.value.value<Packet>());
        if (proposal.recordCount() < kListed) throw std::runtime_error("GetProposta: lista incompleta");
    }
    return secondsSince(start);  // the table freed, as the screen's goes with it
}

// The time from the shell's call to the list's first paint; the counters split it (ms).
// Each repetition then reads the list alone (dados_ms), so the screen's share is the
// difference of two figures taken side by side.
void BM_OpenOn100k(benchmark::State& state) {
    Environment& env = *environment();
    LargeBranch& branch = largeBranch();
    HostOn on(branch.data.url(), branch.server->port(), env.data.url(), env.server->port());
    OpeningSplit last;
    double data = 0;
    try {
        for (auto _ : state) {
            last = openScreen();
            state.SetIterationTime(last.total);
            state.PauseTiming();
            data = listIntoTable(branch);
            state.ResumeTiming();
            std::printf("Abertura: total %.0f ms = tela %.0f, lista %.0f, reset %.1f, figuras %.1f, células %.1f, "
                        "resto %.0f (até pintar %.0f); só os dados %.0f ms\n",
                        last.total * 1e3, last.screen * 1e3, last.list * 1e3, last.reset * 1e3, last.pictures * 1e3,
                        last.cells * 1e3, last.rest() * 1e3, last.shown * 1e3, data * 1e3);
        }
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    if (env.dialogs.shown() > 0) state.SkipWithError("a abertura mostrou mensagens: a medição não vale");
    state.counters["linhas"] = last.rows;
    state.counters["dados_ms"] = data * 1e3;
    state.counters["tela_ms"] = last.screen * 1e3;
    state.counters["lista_ms"] = last.list * 1e3;
    state.counters["reset_ms"] = last.reset * 1e3;
    state.counters["figuras_ms"] = last.pictures * 1e3;
    state.counters["celulas_ms"] = last.cells * 1e3;
    state.counters["ate_pintar_ms"] = last.shown * 1e3;
    state.counters["resto_ms"] = last.rest() * 1e3;
}

BENCHMARK(BM_CallsIntoTables)->UseManualTime()->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ScreenLoad)->Arg(1)->Arg(0)->UseManualTime()->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_BareCalls)->UseManualTime()->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_OpenOn100k)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The screen's load against the bare calls, and the calls made.
void printSummary(const cot::bench::Medians& medians) {
    const auto bare = medians.find("BM_BareCalls/");
    for (const auto& [name, what] : {std::pair{"BM_ScreenLoad/1", "tela (páginas pintadas)"},
                                     std::pair{"BM_ScreenLoad/0", "tela sem pintura"},
                                     std::pair{"BM_CallsIntoTables/", "chamadas + tabelas, sem widgets"}}) {
        const auto screen = medians.find(name);
        if (screen == medians.end() || bare == medians.end() || bare->second <= 0) continue;
        std::printf("Carga da proposta: mediana %s %.1f ms, chamadas puras %.1f ms, razão %.2fx (meta <= 1.5x)\n",
                    what, screen->second, bare->second, screen->second / bare->second);
    }
    if (const auto opening = medians.find("BM_OpenOn100k/"); opening != medians.end())
        std::printf("Abertura da tela com %d propostas até a lista pintada: mediana %.0f ms (meta <= 1500 ms)\n",
                    kListed, opening->second);
    const std::vector<Call>& calls = environment()->calls;
    std::map<QString, int> perMethod;
    for (const Call& c : calls) ++perMethod[c.method];
    std::printf("Idas e voltas por carga: %zu\n", calls.size());
    for (const auto& [method, count] : perMethod) std::printf("  %-20s %d\n", qPrintable(method), count);
}

}  // namespace

int main(int argc, char** argv) {
    cot::useOneHeapArena();  // as the shell's heap, which the calls' answers are read into
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // COT_BENCH_CALLS_ON_UI_THREAD=1: the calls run on the UI thread, as a baseline for
    // what waiting on a worker with the busy window costs.
    if (qEnvironmentVariableIntValue("COT_BENCH_CALLS_ON_UI_THREAD") == 1) cot::call_wait::setHook(nullptr);
    benchmark::Initialize(&argc, argv);
    try {
        environment() = std::make_unique<Environment>();
        environment()->record();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cot_bench_proposal_load_bench: %s\n", e.what());
        environment().reset();
        return 1;
    }
    cot::bench::MedianReporter reporter(printSummary);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    environment().reset();  // the screen and the server go while Qt is still up
    return 0;
}
