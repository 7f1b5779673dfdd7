// The inspection sheet for the whole catalogue: gearcalc-report --all-items
// --format csv on a generated item catalogue of 1,000,000 records
// (GEARCALC_BENCH_RECORDS for fewer), output to /dev/null.
//
//   BM_AllItemsCsv/0   the sheet without the ball columns: the baseline,
//                      one report per record as before
//   BM_AllItemsCsv/1   with --test-dimensions: the dimension over balls
//                      and the chordal tooth at both allowances for every
//                      record as well
//   BM_AllItemsCsv/2   with --test-dimensions --iso-class 6 --face-width 30:
//                      the ISO 1328-1 tolerances as well
//
// Reports wall time, the child's CPU time and records per CPU second; the
// cost of the test dimensions is the ratio of the two runs.
#include "bench_support.hpp"
#include "child_process.hpp"
#include "generated_catalogue.hpp"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

void BM_AllItemsCsv(benchmark::State& state)
{
    static const bench::GeneratedCatalogue catalogue("inspection-bench");
    if (!catalogue.error.empty()) {
        state.SkipWithError(catalogue.error.c_str());
        return;
    }
    std::vector<std::string> args = {GEARCALC_REPORT, "--all-items", "--catalogue-dir",
                                     catalogue.scratch.path.string(), "--format", "csv"};
    if (state.range(0) >= 1) args.push_back("--test-dimensions");
    if (state.range(0) == 2) args.insert(args.end(), {"--iso-class", "6", "--face-width", "30"});
    for (auto _ : state) {
        const bench::ChildRun run = bench::runChild(args);
        state.SetIterationTime(run.wall_s);
        if (!run.ok) {
            state.SkipWithError("gearcalc-report --all-items --format csv failed");
            break;
        }
        state.counters["cpu_s"] = run.cpu_s;
        state.counters["records_per_cpu_s"] = static_cast<double>(bench::itemRecordCount()) / run.cpu_s;
    }
    state.counters["records"] = static_cast<double>(bench::itemRecordCount());
}
BENCHMARK(BM_AllItemsCsv)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

} // namespace

BENCHMARK_MAIN();
