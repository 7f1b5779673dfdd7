// The calculation's speed as the user meets it.
//
//   BM_ItemRun       one whole run on the headless runtime: the item lookup
//                    in the shipped item catalogue (its last record, so the
//                    search walks all of it), both range lookups and the
//                    full report. Budget: median <= 50 us.
//   BM_ItemRunMillionRecords
//                    the same run on a generated item catalogue of
//                    1,000,000 records, the item being the last: the item
//                    lookup as the program makes it (the search condition
//                    called through the service table once per record).
//                    Budget: <= 50 ms. GEARCALC_BENCH_RECORDS overrides the
//                    size.
//   BM_DirectRun     the same without the item lookup (a helical gear typed
//                    in, all three series), for comparison.
//   BM_ReportBatch   gearcalc-report --batch over 100,000 gears (generated
//                    here), JSON lines to /dev/null, the process pinned to
//                    one core. Budget: >= 50,000 reports/s. Reports both
//                    per wall-clock second and per second of the child's
//                    CPU time (the machine may be shared).
//
// GEARCALC_BENCH_GEARS overrides the batch size for a quick run.
#include "bench_support.hpp"
#include "child_process.hpp"
#include "generated_catalogue.hpp"
#include <gearhost/headless.hpp>
#include <geardrive/user_actions.hpp>
#include <geardb/catalogue_writer.hpp>
#include <gearhost/host.hpp>

#include <gearprog/controls.hpp>
#include <gearprog/form_identities.hpp>
#include <gearprog/routines.hpp>
#include <gearui/program.hpp>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace gearcalc;

std::unique_ptr<gr::Host> startProgram(const std::string& catalogue_folder = GEARCALC_DIST_DIR)
{
    gr::HostOptions options;
    options.program_folder = catalogue_folder;
    options.library_folder = GEARCALC_DIST_DIR;
    auto host = std::make_unique<gr::Host>(programDescription(), std::make_unique<gr::HeadlessWindowSystem>(),
                                           std::move(options));
    host->dialogs().forbidRealDialogs(true);
    gr_env* env = host->env();
    if (env->services->create_window(env, kMainWindow) != GR_OK || !host->dialogs().messages().empty())
        return nullptr;
    return host;
}

// The report must look complete: all three blocks, both lookups found.
bool reportComplete(gr::Host& host)
{
    const std::string& r = host.model().find(id::结果编辑框)->text;
    return r.find("ZKD 公法线长度下偏差:-0.") != std::string::npos && host.dialogs().messages().empty();
}

void BM_ItemRun(benchmark::State& state)
{
    std::unique_ptr<gr::Host> host = startProgram();
    if (!host) {
        state.SkipWithError("the program did not start on the shipped catalogues");
        return;
    }
    gr::UserActions(*host).click(id::货号选择框);
    gr::UserActions(*host).typeText(id::货号编辑框, "ZKD-H8-21-8"); // the catalogue's last record
    for (auto _ : state) {
        gr::UserActions(*host).click(id::计算按钮);
        benchmark::DoNotOptimize(host->model().find(id::结果编辑框)->text.data());
    }
    if (!reportComplete(*host)) state.SkipWithError("the run did not write a complete report");
}
BENCHMARK(BM_ItemRun)->Unit(benchmark::kMicrosecond)->Repetitions(9)->DisplayAggregatesOnly(true);

void BM_ItemRunMillionRecords(benchmark::State& state)
{
    static const bench::GeneratedCatalogue catalogue("calc-bench");
    std::unique_ptr<gr::Host> host = catalogue.error.empty() ? startProgram(catalogue.scratch.path.string()) : nullptr;
    if (!host) {
        state.SkipWithError(catalogue.error.empty() ? "the program did not start" : catalogue.error.c_str());
        return;
    }
    gr::UserActions(*host).click(id::货号选择框);
    gr::UserActions(*host).typeText(id::货号编辑框, catalogue.last);
    for (auto _ : state) {
        gr::UserActions(*host).click(id::计算按钮);
        benchmark::DoNotOptimize(host->model().find(id::结果编辑框)->text.data());
    }
    if (!reportComplete(*host)) state.SkipWithError("the run did not write a complete report");
}
BENCHMARK(BM_ItemRunMillionRecords)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_DirectRun(benchmark::State& state)
{
    std::unique_ptr<gr::Host> host = startProgram();
    if (!host) {
        state.SkipWithError("the program did not start on the shipped catalogues");
        return;
    }
    gr::UserActions(*host).typeText(id::模数编辑框, "2");
    gr::UserActions(*host).typeText(id::齿数编辑框, "20");
    gr::UserActions(*host).click(id::斜齿单选框);
    gr::UserActions(*host).click(id::度数选择框);
    gr::UserActions(*host).typeText(id::度数编辑框, "19.5283");
    gr::UserActions(*host).selectItem(id::精度组合框, 6);
    gr::UserActions(*host).selectItem(id::齿厚偏差组合框, 7);
    gr::UserActions(*host).selectItem(id::齿厚公差组合框, 4);
    for (auto _ : state) {
        gr::UserActions(*host).click(id::计算按钮);
        benchmark::DoNotOptimize(host->model().find(id::结果编辑框)->text.data());
    }
    if (!reportComplete(*host)) state.SkipWithError("the run did not write a complete report");
}
BENCHMARK(BM_DirectRun)->Unit(benchmark::kMicrosecond)->Repetitions(9)->DisplayAggregatesOnly(true);

#ifdef GEARCALC_REPORT

std::size_t gearCount()
{
    const char* env = std::getenv("GEARCALC_BENCH_GEARS");
    return env ? std::strtoull(env, nullptr, 10) : 100'000;
}

// A deterministic mix: spur and helical gears typed in (helix in decimal
// degrees or D/M/S), every row with grade and both series, and every tenth
// row an item number of the shipped catalogue.
void writeGears(const std::string& path, std::size_t count)
{
    static const char* const kModules[] = {"0.5", "0.8", "1", "1.25", "1.5", "2", "2.5", "3", "4", "5", "6", "8"};
    static const char* const kSeries[] = {"a", "ab", "b", "bc", "c", "cd", "d", "e", "f", "g", "h"};
    static const char* const kItems[] = {"ZKD-S2-20-7", "ZKD-H2-20-6", "ZKD-S5-60-9", "ZKD-H8-21-8", "ZKD-S1-12-9"};
    std::ofstream out(path, std::ios::binary);
    out << "item,module,teeth,pressure-angle,helix,helix-dms,grade,deviation,tolerance\n";
    for (std::size_t i = 0; i < count; ++i) {
        if (i % 10 == 9) {
            out << kItems[(i / 10) % 5] << ",,,,,,,,\n";
            continue;
        }
        out << ',' << kModules[i % 12] << ',' << 10 + (i * 7) % 140 << ",20,";
        switch (i % 3) {
        case 0: out << ','; break;                                          // spur
        case 1: out << 5 + (i % 30) << '.' << (i % 10000) << ','; break;    // decimal degrees
        case 2: out << ',' << 8 + (i % 25) << ' ' << i % 60 << ' ' << (i * 13) % 60; break; // D M S
        }
        out << ',' << 1 + i % 12 << ',' << kSeries[i % 11] << ',' << 21 + i % 10 << '\n';
    }
}

void BM_ReportBatch(benchmark::State& state)
{
    const std::size_t count = gearCount();
    const bench::ScratchFolder scratch("gearcalc-batch");
    if (scratch.path.empty()) {
        state.SkipWithError("cannot make a scratch folder");
        return;
    }
    const std::string csv = (scratch.path / "gears.csv").string();
    writeGears(csv, count);

    // One core: the child inherits this thread's affinity.
    cpu_set_t old_set;
    sched_getaffinity(0, sizeof old_set, &old_set);
    cpu_set_t one;
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &old_set)) {
            CPU_SET(cpu, &one);
            break;
        }
    sched_setaffinity(0, sizeof one, &one);

    for (auto _ : state) {
        const bench::ChildRun run = bench::runChild({GEARCALC_REPORT, "--batch", csv});
        state.SetIterationTime(run.wall_s);
        if (!run.ok) {
            state.SkipWithError("gearcalc-report --batch failed");
            break;
        }
        state.counters["reports_per_s"] = static_cast<double>(count) / run.wall_s;
        state.counters["reports_per_cpu_s"] = static_cast<double>(count) / run.cpu_s;
    }
    sched_setaffinity(0, sizeof old_set, &old_set);
    state.counters["gears"] = static_cast<double>(count);
}
BENCHMARK(BM_ReportBatch)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(3);

#endif

} // namespace

BENCHMARK_MAIN();
