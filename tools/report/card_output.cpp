#include "card_output.hpp"

#include <gear_tools/files.hpp>
#include <gearplat/text_files.hpp>
#include <output_file.hpp>

#if GEARCALC_CARD_PDF
#include <gearqt/pdf_pages.hpp>
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
    std::string pdf, error;
    if (!gr::qt::printJobPdfBytes(*job, pdf, error)) return error;
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
