#include "card_output.hpp"

#include <gear_tools/files.hpp>
#include <gearplat/text_files.hpp>
#include <output_file.hpp>

#if GEARCALC_CARD_PDF
#include "card_pdf_module.hpp"

#include <dlfcn.h>
#endif

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace gearcalc::report {

namespace fs = std::filesystem;

bool cardsAvailable()
{
    return GEARCALC_CARD_PDF != 0;
}

#if GEARCALC_CARD_PDF
namespace {

// The PDF module's entry, once loaded; the module stays loaded to the end
// of the process (Qt's application object lives in it).
CardPdfEntry g_render_card = nullptr;

} // namespace

std::string loadCardRenderer(const std::string& program_folder)
{
    if (g_render_card != nullptr) return {};
    const std::string path = cardPath(program_folder, kCardPdfModuleName);
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        // dlerror names the file first; it is named once.
        const char* error = ::dlerror();
        std::string why = error != nullptr ? error : "";
        if (why.starts_with(path + ": ")) why.erase(0, path.size() + 2);
        return "--card: cannot load the PDF module " + path + ": " + (why.empty() ? "unknown error" : why);
    }
    auto entry = reinterpret_cast<CardPdfEntry>(::dlsym(module, kCardPdfEntryName));
    if (entry == nullptr) {
        ::dlclose(module);
        return "--card: " + path + " is not the PDF module of gearcalc-report (it has no " + kCardPdfEntryName + ")";
    }
    CardPdfCall check;
    const std::int32_t status = entry(&check);
    if (status != kCardPdfDone) {
        ::dlclose(module);
        return "--card: the PDF module " + path + " is from another build of gearcalc (its interface " +
               std::to_string(check.module_interface) + ", this program's " + std::to_string(kCardPdfInterface) +
               "); install the gearcalc-pdf.so of this build beside gearcalc-report";
    }
    g_render_card = entry;
    return {};
}
#else
std::string loadCardRenderer(const std::string&)
{
    return "--card: this build writes no PDF files";
}
#endif

std::optional<std::string> cardFileName(std::string_view item, std::string& problem)
{
    problem.clear();
    if (item.empty()) problem = "is empty";
    else if (item.size() > 200) problem = "is longer than 200 bytes";
    for (std::size_t i = 0; i < item.size() && problem.empty(); ++i) {
        const auto c = static_cast<unsigned char>(item[i]);
        if (c < 0x20 || c == 0x7F) problem = "holds a control character";
        else if (std::string_view("/\\:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos)
            problem = std::string("holds '") + static_cast<char>(c) + "', which a file name cannot hold";
    }
    if (problem.empty() && (item.front() == '.' || item.front() == ' '))
        problem = "starts with a dot or a space";
    if (problem.empty() && (item.back() == '.' || item.back() == ' ')) problem = "ends in a dot or a space";
    if (problem.empty()) {
        // Windows keeps these names for devices, whatever the extension.
        std::string stem(item.substr(0, item.find('.')));
        std::transform(stem.begin(), stem.end(), stem.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        static constexpr std::array<std::string_view, 4> kDevices = {"CON", "PRN", "AUX", "NUL"};
        const bool numbered = stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) &&
                              stem[3] >= '1' && stem[3] <= '9';
        if (numbered || std::find(kDevices.begin(), kDevices.end(), stem) != kDevices.end())
            problem = "is the name of a Windows device";
    }
    if (!problem.empty()) return std::nullopt;
    return std::string(item) + ".pdf";
}

std::string cardPath(const std::string& folder, const std::string& name)
{
    return gearplat::utf8FromPath(gearplat::pathFromUtf8(folder) / gearplat::pathFromUtf8(name));
}

std::string checkCardTarget(const std::string& path, bool folder)
{
    if (path.empty()) return "--card: no file named";
    std::error_code ec;
    const fs::path where = gearplat::pathFromUtf8(path);
    if (folder) {
        const gear_tools::PathKind kind = gear_tools::pathKind(path);
        if (kind == gear_tools::PathKind::Folder) return {};
        if (kind != gear_tools::PathKind::Missing)
            return "--card: " + path + " is not a folder; with --all-items it names the folder for the cards";
        fs::create_directories(where, ec);
        if (ec) return "--card: cannot make the folder " + path + ": " + ec.message();
        return {};
    }
    const bool names_folder = path.back() == '/' || path.back() == '\\';
    if (names_folder) return "--card: " + path + " is a folder; give the name of a PDF file";
    const fs::path parent = where.parent_path();
    if (!parent.empty() && gear_tools::pathKind(gearplat::utf8FromPath(parent)) != gear_tools::PathKind::Folder)
        return "--card: the folder of " + path + " does not exist";
    edbtool::OutputTarget target;
    if (std::string why = edbtool::checkOutput(path, edbtool::OutputKind::Text, {}, target); !why.empty())
        return "--card: " + why;
    return {};
}

std::string writeCard(Session& session, const std::string& path)
{
#if GEARCALC_CARD_PDF
    const std::optional<gr::PrintJob> job = session.printCard();
    if (!job) return "the program printed no card";
    if (g_render_card == nullptr) return "the PDF module is not loaded";
    std::string pdf, error;
    CardPdfCall call;
    call.job = &*job;
    call.pdf = &pdf;
    call.error = &error;
    if (g_render_card(&call) != kCardPdfDone) return error.empty() ? "the PDF module made no PDF" : error;
    edbtool::OutputTarget target;
    if (std::string why = edbtool::checkOutput(path, edbtool::OutputKind::Text, {}, target); !why.empty()) return why;
    return edbtool::writeFileAtomically(target, pdf);
#else
    (void)session;
    (void)path;
    return "this build writes no PDF files";
#endif
}

} // namespace gearcalc::report
