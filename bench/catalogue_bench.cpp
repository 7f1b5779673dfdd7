// Opening a large item catalogue and searching it to its last record, as the
// item lookup does: one readField of 订货编号 and a string comparison per
// record. Budget: open <= 1 s, search well under 50 ms for 1,000,000 records.
#include "bench_support.hpp"
#include <geardb/catalogue_writer.hpp>
#include <geardb/database_set.hpp>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

// The generated catalogue, made once per process and removed at exit.
struct BigCatalogue {
    bench::ScratchFolder scratch{"catalogue-bench"};
    std::string path;
    std::string last;
    std::string error;

    BigCatalogue()
    {
        if (scratch.path.empty()) {
            error = "cannot make a scratch folder";
            return;
        }
        path = (scratch.path / "ZKD.edb").string();
        const auto start = std::chrono::steady_clock::now();
        error = gr::db::writeSyntheticItems(path, bench::itemRecordCount(), &last);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        std::fprintf(stderr, "generated %zu records (%.1f MB) in %.2f s\n", bench::itemRecordCount(),
                     static_cast<double>(fs::file_size(path)) / 1e6, took.count());
    }
};

const BigCatalogue& big()
{
    static BigCatalogue catalogue;
    return catalogue;
}

void BM_OpenItemCatalogue(benchmark::State& state)
{
    const BigCatalogue& c = big();
    if (!c.error.empty()) {
        state.SkipWithError(c.error.c_str());
        return;
    }
    for (auto _ : state) {
        gr::db::DatabaseSet set;
        const std::string error = set.open(c.path, "Z");
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
    state.counters["records"] = static_cast<double>(bench::itemRecordCount());
}
BENCHMARK(BM_OpenItemCatalogue)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_SearchLastItem(benchmark::State& state)
{
    const BigCatalogue& c = big();
    gr::db::DatabaseSet set;
    if (!c.error.empty() || !set.open(c.path, "Z").empty()) {
        state.SkipWithError("cannot open the generated catalogue");
        return;
    }
    const std::string wanted = c.last;
    for (auto _ : state) {
        set.select("Z");
        set.goFirst();
        const auto outcome = set.search([&] {
            const auto r = set.readField("订货编号", gr::db::Expect::Text);
            if (r.status != GR_OK) return -1;
            return r.value.text == wanted ? 1 : 0;
        });
        if (outcome != gr::db::SearchOutcome::Found) state.SkipWithError("last record not found");
    }
}
BENCHMARK(BM_SearchLastItem)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
