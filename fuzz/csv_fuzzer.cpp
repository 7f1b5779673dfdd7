// Fuzz target of edbtool's CSV reader: any input is read or refused with a
// message and a line; what is read, written back field by field, reads
// again to the very same records.
#include "fuzz_support.hpp"

#include "csv.hpp"

namespace {

constexpr const char* kTarget = "csv";

std::string written(const std::vector<edbtool::CsvRecord>& records)
{
    std::string out;
    for (const edbtool::CsvRecord& r : records) {
        for (size_t f = 0; f < r.fields.size(); ++f) {
            if (f) out += ',';
            edbtool::appendCsvField(out, r.fields[f]);
        }
        out += '\n';
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const edbtool::CsvParseResult first = edbtool::parseCsv(input);
    if (!first.error.empty()) {
        if (first.errorLine == 0 || !first.records.empty()) fuzz::fault(kTarget, "a refusal without its line");
        return 0;
    }
    size_t line = 0;
    for (const edbtool::CsvRecord& r : first.records) {
        if (r.fields.empty()) fuzz::fault(kTarget, "a record without fields");
        if (r.line <= line) fuzz::fault(kTarget, "record lines do not ascend");
        line = r.line;
    }
    const std::string text = written(first.records);
    const edbtool::CsvParseResult second = edbtool::parseCsv(text);
    if (!second.error.empty()) fuzz::fault(kTarget, "what was written is refused: " + second.error);
    if (second.records.size() != first.records.size()) fuzz::fault(kTarget, "the record count changed");
    for (size_t i = 0; i < first.records.size(); ++i)
        if (second.records[i].fields != first.records[i].fields)
            fuzz::fault(kTarget, "record " + std::to_string(i + 1) + " changed on the way back");
    if (written(second.records) != text) fuzz::fault(kTarget, "writing again changed the text");
    return 0;
}
