// Fuzz target of the catalogue reader on raw bytes: any file is loaded or
// refused with a message naming it; a loaded catalogue can be searched and
// every field of every record read, and exported to CSV, created again and
// exported gives the same text. Files that change while they are read
// are fuzzed too (see changingFile).
#include "fuzz_support.hpp"
#include "scratch_file.hpp"

#include "edbtool.hpp"

#include <geardb/catalogue_file.hpp>
#include <geardb/database_set.hpp>

#include <filesystem>
#include <system_error>

namespace {

constexpr const char* kTarget = "catalogue bytes";

void readEverything(const std::string& path, const gr::db::Catalogue& c)
{
    gr::db::DatabaseSet set;
    if (const std::string error = set.open(path, "Z"); !error.empty())
        fuzz::fault(kTarget, "the database set refuses what the reader took: " + error);
    set.select("Z");
    set.goFirst();
    std::size_t visited = 0;
    set.search([&] {
        ++visited;
        for (std::size_t f = 0; f < c.fieldCount(); ++f) {
            const gr::db::ReadResult r = set.readField(c.field(f).name, gr::db::Expect::Any);
            if (r.status != GR_OK) fuzz::fault(kTarget, "a field of a loaded catalogue cannot be read: " + r.message);
        }
        return 0;
    });
    if (visited != c.recordCount()) fuzz::fault(kTarget, "the search did not visit every record");
}

// Names the reader takes but edbtool create refuses on purpose.
bool refusedName(const std::string& error)
{
    return error.find("field name") != std::string::npos;
}

// An input that starts with "CH" is a file that changes while it is read:
// byte 2 picks the moment (bit 0) and whether it changes at every read
// (bit 1), byte 3 how much of the file is left (x/255) or, above 250, that
// it is rewritten reversed; the file itself follows. The reader must give a
// catalogue or a message naming the file, and never crash.
void changingFile(const std::string& path, const uint8_t* data, size_t size)
{
    const std::string_view file(reinterpret_cast<const char*>(data + 4), size - 4);
    fuzz::writeFile(path, file);
    const auto when = (data[2] & 1) ? gr::db::ReadStep::Read : gr::db::ReadStep::Opened;
    const bool always = (data[2] & 2) != 0;
    int changes = 0;
    gr::db::setReadHook([&](gr::db::ReadStep step) {
        if (step != when || (changes > 0 && !always)) return;
        ++changes;
        if (data[3] > 250) {
            fuzz::writeFile(path, std::string(file.rbegin(), file.rend()));
        } else {
            std::error_code ignored;
            std::filesystem::resize_file(path, file.size() * data[3] / 255, ignored);
        }
    });
    const gr::db::Catalogue::LoadResult loaded = gr::db::Catalogue::load(path);
    gr::db::setReadHook({});
    if (!loaded.catalogue && loaded.error.find(path) == std::string::npos)
        fuzz::fault(kTarget, "a refusal that does not name the file");
    if (changes == 0) fuzz::fault(kTarget, "the file was not changed under the reader");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzz::scratchFile("input.edb");
    if (size >= 4 && data[0] == 'C' && data[1] == 'H') {
        changingFile(path, data, size);
        return 0;
    }
    fuzz::writeFile(path, std::string_view(reinterpret_cast<const char*>(data), size));
    const gr::db::Catalogue::LoadResult loaded = gr::db::Catalogue::load(path);
    if (!loaded.catalogue) {
        if (loaded.error.find(path) == std::string::npos) fuzz::fault(kTarget, "a refusal that does not name the file");
        return 0;
    }
    readEverything(path, *loaded.catalogue);
    const std::string csv = edbtool::exportToCsv(*loaded.catalogue);
    const std::string again = fuzz::scratchFile("again.edb");
    if (const std::string error = edbtool::createFromCsv(again, csv); !error.empty()) {
        if (refusedName(error)) return 0;
        fuzz::fault(kTarget, "an exported catalogue is refused by create: " + error);
    }
    const gr::db::Catalogue::LoadResult second = gr::db::Catalogue::load(again);
    if (!second.catalogue) fuzz::fault(kTarget, "a created catalogue does not load: " + second.error);
    if (edbtool::exportToCsv(*second.catalogue) != csv) fuzz::fault(kTarget, "export, create, export changed the text");
    return 0;
}
