// edbtool's commands: the command line, reading the inputs and checking
// the outputs. The conversions are in convert.cpp, the checks in check.cpp.
#include "edbtool.hpp"
#include "output_file.hpp"

#include <geardb/catalogue_writer.hpp>
#include <gearprog/catalogue_schema.hpp>
#include <gearplat/text_files.hpp>
#include "csv.hpp"
#include <gear_tools/files.hpp>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <optional>
#include <ostream>
#include <sstream>

namespace edbtool {

using gr::db::Catalogue;

namespace {

constexpr std::string_view kHelp =
    R"(edbtool - make, export, describe and check the calculator's catalogue files

Usage:
  edbtool create OUT.edb IN.csv
      Builds a catalogue file from CSV. The first line names each field with
      its kind, NAME:KIND, KIND being TEXT, BYTE, SHORT, INT, LONG, FLOAT or
      DOUBLE (e.g. 订货编号:TEXT,模数:DOUBLE,齿数:SHORT). UTF-8, with or
      without a byte order mark; RFC 4180 quoting. Nothing is written when
      the CSV has an error.
  edbtool export IN.edb [OUT.csv] [--bom]
      Writes the catalogue back as CSV in the same form (to standard output
      when OUT.csv is left out). --bom starts the file with a UTF-8 byte
      order mark, which some spreadsheet programs need.
  edbtool info FILE.edb
      Lists the fields with their kinds and counts the records.
  edbtool check FILE.edb [--kind auto|range|spc|gc|items]
      Checks the contents: range tables for order, gaps, overlaps and the
      series fields; the item catalogue for repeated item numbers, grades
      outside 1 to 12 and missing fields. auto (the default) goes by the file
      name (spc.edb, gc.edb, ZKD.edb), then by the fields.
  edbtool generate-items OUT.edb COUNT
      Writes a synthetic item catalogue of COUNT records (for benchmarks).
  edbtool --help

Every command takes --output FILE: what it would print on standard output
goes to FILE instead, written completely or not at all (a command that
fails leaves FILE as it was). In Windows PowerShell 5.1 use it in place of
"> FILE", which re-encodes the text and damages the Chinese in it. On a
console the text shows as characters whatever the console's code page.

An output file is written under a temporary name and renamed into place
when complete. A symbolic link is followed (the link stays); refused are an
output that is one of the inputs, a folder, a device or other special file,
a read-only file, a file with hard links, CSV over a catalogue file and a
catalogue over a file that is no catalogue. A replaced catalogue's SQLite
journals (FILE-journal, FILE-wal, FILE-shm) go with it, since SQLite would
apply them to the new file.

Exit status: 0 success (warnings allowed), 1 errors in the input or a file
that could not be read or written (standard output included), 2 usage.
)";

int usage(std::ostream& err, std::string_view message)
{
    err << "edbtool: " << message << " (see edbtool --help)\n";
    return 2;
}

void printLimited(std::ostream& out, const std::string& file, std::string_view tag,
                  const std::vector<std::string>& lines)
{
    constexpr std::size_t kShown = 50;
    for (std::size_t i = 0; i < lines.size() && i < kShown; ++i)
        out << file << ": " << tag << ": " << lines[i] << '\n';
    if (lines.size() > kShown)
        out << file << ": " << tag << ": ... and " << lines.size() - kShown << " more\n";
}

// The command line after the command: operands and options.
struct Arguments {
    std::vector<std::string> operands;
    bool bom = false;
    std::optional<std::string> kind;
    std::optional<std::string> output;
};

using Command = int (*)(const Arguments&, std::ostream&, std::ostream&);

int failed(std::ostream& err, const std::string& message)
{
    err << "edbtool: " << message << '\n';
    return 1;
}

// Standard output (or what stands in for it) must have taken everything.
int finished(std::ostream& out, std::ostream& err)
{
    errno = 0;
    if (out.flush()) return 0;
    return failed(err, "cannot write the output" + (errno != 0 ? ": " + std::string(std::strerror(errno)) : ""));
}

int loadCatalogue(const std::string& path, std::ostream& err, Catalogue::LoadResult& loaded)
{
    loaded = Catalogue::load(path);
    return loaded.catalogue ? 0 : failed(err, loaded.error);
}

// The side files of a replaced catalogue go with it (the writer removes
// them, or SQLite would apply them to the new file); the user hears of it.
void noteRemoved(std::ostream& out, const std::vector<std::string>& sideFiles)
{
    for (const std::string& side : sideFiles)
        out << side << ": removed (SQLite's journal of the replaced file, which would have changed the new one)\n";
}

int create(const Arguments& a, std::ostream& out, std::ostream& err)
{
    if (a.operands.size() != 2) return usage(err, "create takes OUT.edb IN.csv");
    const std::string& outPath = a.operands[0];
    const std::string& inPath = a.operands[1];
    std::string csv;
    if (std::string error = gear_tools::readRegularFile(inPath, csv); !error.empty()) return failed(err, error);
    OutputTarget target;
    if (std::string error = checkOutput(outPath, OutputKind::Catalogue, {inPath}, target); !error.empty())
        return failed(err, error);
    const std::vector<std::string> leftOver = gr::db::sideFilesOf(target.path);
    std::size_t records = 0;
    if (std::string error = createFromCsv(target.path, csv, &records); !error.empty()) {
        // Faults in the CSV come as "LINE: ...", reported as IN.csv:LINE: ...
        const bool atLine = error.front() >= '0' && error.front() <= '9';
        err << "edbtool: " << (atLine ? inPath + ":" : "") << error << "\nedbtool: nothing written to " << outPath
            << '\n';
        return 1;
    }
    keepMode(target);
    noteRemoved(out, leftOver);
    out << outPath << ": " << records << " records written\n";
    return finished(out, err);
}

int exportCsv(const Arguments& a, std::ostream& out, std::ostream& err)
{
    if (a.operands.empty() || a.operands.size() > 2) return usage(err, "export takes IN.edb [OUT.csv]");
    OutputTarget target;
    if (a.operands.size() == 2) {
        if (std::string error = checkOutput(a.operands[1], OutputKind::Csv, {a.operands[0]}, target); !error.empty())
            return failed(err, error);
    }
    Catalogue::LoadResult loaded;
    if (int status = loadCatalogue(a.operands[0], err, loaded)) return status;
    const std::string csv = (a.bom ? "\xEF\xBB\xBF" : "") + exportToCsv(*loaded.catalogue);
    if (a.operands.size() == 1) {
        out << csv;
        return finished(out, err);
    }
    if (std::string error = writeFileAtomically(target, csv); !error.empty()) return failed(err, error);
    return 0;
}

int info(const Arguments& a, std::ostream& out, std::ostream& err)
{
    if (a.operands.size() != 1) return usage(err, "info takes FILE.edb");
    Catalogue::LoadResult loaded;
    if (int status = loadCatalogue(a.operands[0], err, loaded)) return status;
    const Catalogue& c = *loaded.catalogue;
    out << "file:    " << a.operands[0] << "\ntable:   " << c.tableName() << "\nrecords: " << c.recordCount()
        << "\nfields:  " << c.fieldCount() << '\n';
    for (std::size_t f = 0; f < c.fieldCount(); ++f)
        out << "  " << (f + 1) << ". " << c.field(f).name << ':' << kindKeyword(c.field(f).kind) << '\n';
    return finished(out, err);
}

int check(const Arguments& a, std::ostream& out, std::ostream& err)
{
    static constexpr std::pair<std::string_view, CatalogueKind> kKinds[] = {{"auto", CatalogueKind::Auto},
                                                                            {"range", CatalogueKind::Range},
                                                                            {"spc", CatalogueKind::Spc},
                                                                            {"gc", CatalogueKind::Gc},
                                                                            {"items", CatalogueKind::Items}};
    const std::string value = a.kind.value_or("auto");
    std::optional<CatalogueKind> kind;
    for (const auto& [name, k] : kKinds)
        if (value == name) kind = k;
    if (!kind) return usage(err, "unknown kind " + value + "; use auto, range, spc, gc or items");
    if (a.operands.size() != 1) return usage(err, "check takes FILE.edb");
    Catalogue::LoadResult loaded;
    if (int status = loadCatalogue(a.operands[0], err, loaded)) return status;
    const CheckReport rep = checkCatalogue(*loaded.catalogue, *kind);
    printLimited(err, a.operands[0], "error", rep.errors);
    printLimited(err, a.operands[0], "warning", rep.warnings);
    out << a.operands[0] << ": checked as " << catalogueKindName(rep.kind) << ": " << loaded.catalogue->recordCount()
        << " records, " << rep.errors.size() << " errors, " << rep.warnings.size() << " warnings\n";
    if (int status = finished(out, err)) return status;
    return rep.errors.empty() ? 0 : 1;
}

int generateItems(const Arguments& a, std::ostream& out, std::ostream& err)
{
    if (a.operands.size() != 2) return usage(err, "generate-items takes OUT.edb COUNT");
    std::size_t count = 0;
    const std::string& text = a.operands[1];
    const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (ec != std::errc() || p != text.data() + text.size() || count > 100'000'000)
        return usage(err, "COUNT must be a whole number from 0 to 100000000");
    OutputTarget target;
    if (std::string error = checkOutput(a.operands[0], OutputKind::Catalogue, {}, target); !error.empty())
        return failed(err, error);
    const std::vector<std::string> leftOver = gr::db::sideFilesOf(target.path);
    std::string last;
    if (std::string error = gr::db::writeSyntheticItems(target.path, count, &last); !error.empty())
        return failed(err, error);
    keepMode(target);
    noteRemoved(out, leftOver);
    out << a.operands[0] << ": " << count << " records written";
    if (count) out << "; the last item number is " << last;
    out << '\n';
    return finished(out, err);
}

// Splits the arguments after the command; a usage problem or an empty string.
std::string parseArguments(const std::vector<std::string>& args, Arguments& parsed)
{
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--bom") {
            parsed.bom = true;
        } else if (a == "--kind") {
            if (i + 1 >= args.size()) return "--kind needs a value";
            parsed.kind = args[++i];
        } else if (a.starts_with("--kind=")) {
            parsed.kind = a.substr(7);
        } else if (a == "--output") {
            if (i + 1 >= args.size()) return "--output needs a file name";
            parsed.output = args[++i];
        } else if (a.starts_with("--output=")) {
            parsed.output = a.substr(9);
        } else if (a.starts_with("--") && a != "--help") {
            return "unknown option " + a;
        } else {
            parsed.operands.push_back(a);
        }
    }
    if (parsed.bom && args[0] != "export") return "--bom belongs to export";
    if (parsed.kind && args[0] != "check") return "--kind belongs to check";
    if (parsed.output && parsed.output->empty()) return "--output needs a file name";
    if (parsed.output && args[0] == "export" && parsed.operands.size() == 2)
        return "export writes to OUT.csv or to --output, not both";
    return {};
}

// Runs `command` with what it prints collected, and writes that to the file
// of --output when the command got to its end: it printed something and
// found no fault in its usage or its files (check's status 1, errors in the
// catalogue it checked, still comes with its whole report).
int runIntoFile(Command command, const Arguments& a, const std::string& name, std::ostream& err)
{
    const std::string& path = *a.output;
    OutputTarget target;
    if (std::string error = checkOutput(path, OutputKind::Text, a.operands, target); !error.empty())
        return failed(err, error);
    std::ostringstream collected;
    const int status = command(a, collected, err);
    const std::string text = std::move(collected).str();
    const bool complete = status == 0 || (status == 1 && name == "check" && !text.empty());
    if (!complete) {
        err << "edbtool: nothing written to " << path << '\n';
        return status;
    }
    // The command may itself have written a file at that path meanwhile.
    if (std::string error = checkOutput(path, OutputKind::Text, a.operands, target); !error.empty())
        return failed(err, error);
    if (std::string error = writeFileAtomically(target, text); !error.empty()) return failed(err, error);
    return status;
}

} // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty()) {
        err << kHelp;
        return 2;
    }
    Arguments parsed;
    if (std::string problem = parseArguments(args, parsed); !problem.empty()) return usage(err, problem);
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        if (parsed.output)
            return runIntoFile([](const Arguments&, std::ostream& o, std::ostream&) { return (o << kHelp) ? 0 : 1; },
                               parsed, command, err);
        out << kHelp;
        return finished(out, err);
    }
    static constexpr std::pair<std::string_view, Command> kCommands[] = {
        {"create", create}, {"export", exportCsv}, {"info", info}, {"check", check}, {"generate-items", generateItems}};
    for (const auto& [name, fn] : kCommands)
        if (command == name) return parsed.output ? runIntoFile(fn, parsed, command, err) : fn(parsed, out, err);
    return usage(err, "unknown command " + command);
}

} // namespace edbtool
