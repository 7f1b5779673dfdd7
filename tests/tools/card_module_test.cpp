// gearcalc-report loads Qt only for a card: its dynamic libraries hold no
// Qt, the PDF module beside it does, and a module that is missing, not a
// library, not the PDF module or from another build stops a --card run
// before anything is calculated or written, naming the file.
#include "report_cli_support.hpp"

#include "card_pdf_module.hpp"

#include <dlfcn.h>

#include <cstdio>

namespace {

using namespace report_cli;

std::string moduleBeside(const std::string& program)
{
    return (fs::path(program).parent_path() / gearcalc::report::kCardPdfModuleName).string();
}

TEST(CardModule, OnlyThePdfModuleLinksQt)
{
    // ldd: every library loaded at start-up, those of the libraries too.
    const std::string program = commandOutput("ldd '" GEARCALC_REPORT "'");
    ASSERT_NE(program.find("libc.so"), std::string::npos) << program;
    EXPECT_EQ(program.find("libQt"), std::string::npos) << program;
    const std::string module = commandOutput("ldd '" + moduleBeside(GEARCALC_REPORT) + "'");
    EXPECT_NE(module.find("libQt6Gui"), std::string::npos) << module;
}

TEST(CardModule, TheModuleRefusesACallOfAnotherInterface)
{
    void* module = ::dlopen(moduleBeside(GEARCALC_REPORT).c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << ::dlerror();
    auto entry = reinterpret_cast<gearcalc::report::CardPdfEntry>(::dlsym(module, gearcalc::report::kCardPdfEntryName));
    ASSERT_NE(entry, nullptr);
    using gearcalc::report::CardPdfCall;
    const struct {
        const char* name;
        void (*change)(CardPdfCall&);
        std::int32_t status;
    } cases[] = {
        {"this build's check", [](CardPdfCall&) {}, gearcalc::report::kCardPdfDone},
        {"another interface", [](CardPdfCall& c) { c.caller_interface += 1; }, gearcalc::report::kCardPdfMismatch},
        {"a longer call", [](CardPdfCall& c) { c.call_size += 8; }, gearcalc::report::kCardPdfMismatch},
        {"another print job", [](CardPdfCall& c) { c.job_size += 8; }, gearcalc::report::kCardPdfMismatch},
        {"another print item", [](CardPdfCall& c) { c.item_size -= 8; }, gearcalc::report::kCardPdfMismatch},
        {"other strings", [](CardPdfCall& c) { c.string_size = 8; }, gearcalc::report::kCardPdfMismatch},
    };
    for (const auto& c : cases) {
        CardPdfCall call;
        c.change(call);
        EXPECT_EQ(entry(&call), c.status) << c.name;
        EXPECT_EQ(call.module_interface, gearcalc::report::kCardPdfInterface) << c.name;
    }
    // Kept loaded: Qt does not expect to be unloaded.
}

// A copy of gearcalc-report in a folder of its own with `module` (a file
// to copy, or text to write) as its PDF module, or none.
struct ModuleCase {
    const char* name;
    std::string module_from;    // a file to copy as the module; empty: none
    std::string module_text;    // else, text written as the module
    std::string says;
};

void PrintTo(const ModuleCase& c, std::ostream* os)
{
    *os << c.name;
}

class BrokenModule : public ::testing::TestWithParam<ModuleCase> {};

TEST_P(BrokenModule, StopsACardRunBeforeAnythingIsWritten)
{
    TempFolder program;
    const std::string copy = program.file("gearcalc-report");
    fs::copy_file(GEARCALC_REPORT, copy);
    const std::string module = program.file(gearcalc::report::kCardPdfModuleName);
    if (!GetParam().module_from.empty()) fs::copy_file(GetParam().module_from, module);
    else if (!GetParam().module_text.empty()) writeFile(module, GetParam().module_text);
    const std::string catalogues = fs::path(GEARCALC_REPORT).parent_path().string();

    TempFolder out;
    const struct {
        std::vector<std::string> args;
        std::string target;
    } runs[] = {
        {{"--module", "2", "--teeth", "20", "--card", out.file("card.pdf")}, out.file("card.pdf")},
        {{"--all-items", "--card", out.file("cards")}, out.file("cards")},
    };
    for (const auto& run : runs) {
        std::vector<std::string> args = {"--catalogue-dir", catalogues};
        args.insert(args.end(), run.args.begin(), run.args.end());
        const Outcome r = runChild(copy, args);
        EXPECT_EQ(r.status, 5) << r.err;
        EXPECT_EQ(r.out, "") << "nothing calculated";
        EXPECT_NE(r.err.find(module), std::string::npos) << "names the file: " << r.err;
        EXPECT_NE(r.err.find(GetParam().says), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(run.target)) << run.target;
    }
    // Without --card the copy has no use for the module.
    const Outcome plain = runChild(copy, {"--catalogue-dir", catalogues, "--module", "2", "--teeth", "20"});
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_NE(plain.out.find("15.3209"), std::string::npos) << plain.out;
}

INSTANTIATE_TEST_SUITE_P(
    Modules, BrokenModule,
    ::testing::Values(
        ModuleCase{"missing", "", "", "cannot load the PDF module"},
        ModuleCase{"not_a_library", "", "not a library\n", "cannot load the PDF module"},
        ModuleCase{"another_library", std::string(GEARCALC_DIST_DIR) + "/stylx.vlr", "",
                   "is not the PDF module of gearcalc-report (it has no gearcalc_card_pdf)"},
        ModuleCase{"another_build", STALE_CARD_MODULE, "",
                   "is from another build of gearcalc (its interface 9999, this program's " +
                       std::to_string(gearcalc::report::kCardPdfInterface) + ")"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CardModule, ACopyOfTheProgramUsesTheModuleBesideIt)
{
    TempFolder program;
    const std::string copy = program.file("gearcalc-report");
    fs::copy_file(GEARCALC_REPORT, copy);
    fs::copy_file(moduleBeside(GEARCALC_REPORT), program.file(gearcalc::report::kCardPdfModuleName));
    TempFolder out;
    const Outcome r = runChild(copy, {"--catalogue-dir", fs::path(GEARCALC_REPORT).parent_path().string(),
                                      "--module", "2", "--teeth", "20", "--card", out.file("card.pdf")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(out.file("card.pdf")).substr(0, 5), "%PDF-");
}

} // namespace
