// edbtool: makes, exports, describes and checks catalogue files. main()
// only hands its arguments to run(); the tests call the same functions.
#pragma once

#include <geardb/catalogue_file.hpp>

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace edbtool {

// Runs one command line (without the program name). Exit codes: 0 success
// (warnings allowed), 1 the command found errors in its input or could not
// read or write a file (or `out`), 2 the command line itself is wrong.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Builds a catalogue file from CSV text. The first record names the fields
// as NAME:KIND. Returns an empty string, or "LINE: what is wrong"; on error
// no file is left at `outPath` (an earlier file there stays as it was).
std::string createFromCsv(const std::string& outPath, std::string_view csv,
                          std::size_t* recordCount = nullptr);

// The catalogue as CSV in the form createFromCsv reads; numbers in their
// shortest form that reads back to the same value. LF line ends.
std::string exportToCsv(const gr::db::Catalogue& catalogue);

enum class CatalogueKind {
    Auto,  // by file name (spc.edb, gc.edb, ZKD.edb), else by fields
    Range, // any pitch-diameter range table (最小, 最大, numeric value fields)
    Spc,   // range table of upper tooth-thickness allowances, series a..h
    Gc,    // range table of tooth-thickness tolerances, series 21..30
    Items, // item catalogue
};

struct CheckReport {
    CatalogueKind kind = CatalogueKind::Auto; // the kind that was checked
    std::vector<std::string> errors;
    std::vector<std::string> warnings;
};

CheckReport checkCatalogue(const gr::db::Catalogue& catalogue, CatalogueKind kind);

// The kind in words, for the check's summary ("item catalogue", ...).
std::string catalogueKindName(CatalogueKind kind);

} // namespace edbtool
