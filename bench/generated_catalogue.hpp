// A scratch folder with the shipped range tables (spc.edb, gc.edb) beside a
// generated item catalogue of bench::itemRecordCount() records.
#pragma once

#include "bench_support.hpp"

#include <geardb/catalogue_writer.hpp>

#include <filesystem>
#include <string>
#include <system_error>

namespace bench {

struct GeneratedCatalogue {
    ScratchFolder scratch;
    std::string last;  // the item number of the last record
    std::string error; // empty when the folder is ready

    explicit GeneratedCatalogue(const char* prefix) : scratch(prefix)
    {
        namespace fs = std::filesystem;
        if (scratch.path.empty()) {
            error = "cannot make a scratch folder";
            return;
        }
        std::error_code ec;
        for (const char* table : {"spc.edb", "gc.edb"})
            fs::copy_file(fs::path(GEARCALC_DIST_DIR) / table, scratch.path / table, ec);
        if (ec) error = "cannot copy the range tables: " + ec.message();
        else error = gr::db::writeSyntheticItems((scratch.path / "ZKD.edb").string(), itemRecordCount(), &last);
    }
};

} // namespace bench
