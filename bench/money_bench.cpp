// Cost of the decimal-text money routines, which every installment and sum check uses.
#include <benchmark/benchmark.h>

#include "data/format_br.h"
#include "services/money.h"

static void BM_TruncCents(benchmark::State& state) {
    long double v = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(cot::truncCents(1000.0L / 3 + v));
        v += 0.01L;
    }
}
BENCHMARK(BM_TruncCents);

static void BM_SameMoney(benchmark::State& state) {
    double sum = 0;
    for (int i = 0; i < 10; ++i) sum += 0.1;
    for (auto _ : state) benchmark::DoNotOptimize(cot::sameMoney(sum, 1.0));
}
BENCHMARK(BM_SameMoney);

static void BM_FormatFloat(benchmark::State& state) {
    double v = 1234567.891;
    for (auto _ : state) benchmark::DoNotOptimize(cot::formatFloat("#,##0.00", v += 1));
}
BENCHMARK(BM_FormatFloat);

static void BM_ParseFloatBr(benchmark::State& state) {
    const QString text = "1.234.567,89";
    for (auto _ : state) benchmark::DoNotOptimize(cot::parseFloatBr(text));
}
BENCHMARK(BM_ParseFloatBr);

BENCHMARK_MAIN();
