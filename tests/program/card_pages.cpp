// Prints the inspection card's recorded pages for a few gears as plain
// text, one print command a line, numbers exact (%.17g): the same program
// on another system or window system must give the same bytes.
//
//   card_pages [--win32]
// --win32 (Windows only): the program's window on the Win32 window system,
// the card chosen from the result box's own context menu, printed through
// GDI into enhanced metafiles; before that, each context menu as shown
// ("menu" lines). Without it: the headless window system, the card chosen
// as the command line chooses it.
#include <gearcalc/calculation.hpp>
#include <geardrive/user_actions.hpp>
#include <gearhost/headless.hpp>
#include <gearhost/host.hpp>
#include <gearprog/form_identities.hpp>
#include <geartest/program_instance.hpp>
#include <geartest/scratch_folder.hpp>

#ifdef _WIN32
#include <gearwin/win32_window_system.hpp>

#include <fcntl.h>
#include <io.h>
#endif

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

using gearcalc::testing::Program;
namespace id = gearcalc::id;

struct Gear {
    const char* name;
    const char* module;
    const char* teeth;
    const char* helix; // empty: spur
    int grade, deviation, tolerance; // list indices, -1: none
};

constexpr Gear kGears[] = {
    {"spur m2 z20 grade 7 e 25", "2", "20", "", 6, 7, 4},
    {"helical m3 z31 19.5283 grade 8 e 25", "3", "31", "19.5283", 7, 7, 4},
    {"small spur m0.5 z97 grade 6 no series", "0.5", "97", "", 5, -1, -1},
    {"coarse helical m8 z13 30 grade 11 a 30", "8", "13", "30", 10, 0, 9},
};

std::string number(double v)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

void printJob(const gr::PrintJob& job)
{
    std::printf("job %s\n", job.document_name.c_str());
    for (const gr::PrintItem& item : job.items) {
        if (item.isLine()) {
            std::string line = "line " + number(item.pen_width);
            for (const gr::PagePoint& p : item.points) line.append(" ").append(number(p.x)).append(",").append(number(p.y));
            std::printf("%s\n", line.c_str());
        } else {
            std::printf("text %s %d %d %s\n", number(item.font_size).c_str(), item.x, item.y, item.text.c_str());
        }
    }
}

bool calculate(gr::Host& host, const Gear& g)
{
    gr::UserActions user(host);
    const bool helical = g.helix[0] != '\0';
    bool ok = user.click(helical ? id::斜齿单选框 : id::直齿单选框);
    if (helical) {
        if (host.model().find(id::度数选择框)->checked == 0) ok = ok && user.click(id::度数选择框);
        ok = ok && user.typeText(id::度数编辑框, g.helix);
    }
    ok = ok && user.typeText(id::模数编辑框, g.module) && user.typeText(id::齿数编辑框, g.teeth) &&
         user.selectItem(id::精度组合框, g.grade) && user.selectItem(id::齿厚偏差组合框, g.deviation) &&
         user.selectItem(id::齿厚公差组合框, g.tolerance) && user.click(id::计算按钮);
    return ok;
}

#ifdef _WIN32
void printMenu(gr::Win32WindowSystem& screen)
{
    for (const gr::Win32WindowSystem::MenuLine& line : screen.contextMenu(id::结果编辑框))
        std::printf("menu %s %s\n", line.id == 0 ? "-" : line.text.c_str(), line.enabled ? "on" : "off");
}

// Chooses 打印检测卡 on the result box's own menu, printing into metafiles.
bool chooseCard(Program& program, gr::Win32WindowSystem& screen, const std::filesystem::path& folder, int n)
{
    const std::u8string emf = (folder / ("card" + std::to_string(n) + ".emf")).u8string();
    program.host->dialogs().queuePrintAnswer(gr::PrintAnswer{true, std::string(emf.begin(), emf.end())});
    for (const gr::Win32WindowSystem::MenuLine& line : screen.contextMenu(id::结果编辑框))
        if (line.text.starts_with("打印检测卡")) return screen.chooseContextMenu(id::结果编辑框, line.id);
    return false;
}
#endif

int run(bool win32)
{
    std::unique_ptr<gr::WindowSystem> screen = gr::makeHeadlessWindowSystem();
#ifdef _WIN32
    gr::Win32WindowSystem* window = nullptr;
    if (win32) {
        screen = gr::makeWin32WindowSystem(nullptr);
        window = static_cast<gr::Win32WindowSystem*>(screen.get());
    }
    const std::filesystem::path folder = geartest::makeScratchFolder("gearcalc-card-pages");
#else
    if (win32) {
        std::fprintf(stderr, "card_pages: --win32 is for the Windows build\n");
        return 2;
    }
#endif
    Program program(std::move(screen));
    if (!program.created) {
        std::fprintf(stderr, "card_pages: the window was not created\n");
        return 1;
    }
    int status = 0;
    int n = 0;
    for (const Gear& g : kGears) {
#ifdef _WIN32
        if (window != nullptr && n == 0) printMenu(*window); // before any calculation
#endif
        if (!calculate(*program.host, g)) {
            std::fprintf(stderr, "card_pages: %s: the inputs were refused\n", g.name);
            status = 1;
            continue;
        }
        const std::size_t before = program.host->printedJobs().size();
        bool chosen = false;
#ifdef _WIN32
        if (window != nullptr) {
            printMenu(*window);
            chosen = chooseCard(program, *window, folder, n);
        }
#endif
        if (!win32) {
            program.host->dialogs().queuePrintAnswer(gr::PrintAnswer{true, {}});
            chosen = gr::UserActions(*program.host).chooseMenuCommand(id::结果编辑框, gearcalc::kCardCommand);
        }
        ++n;
        std::printf("gear %s\n", g.name);
        if (!chosen || program.host->printedJobs().size() != before + 1) {
            std::fprintf(stderr, "card_pages: %s: no card printed\n", g.name);
            status = 1;
            continue;
        }
        printJob(program.host->printedJobs().back());
        for (const gr::MessageRequest& m : program.host->dialogs().messages())
            std::printf("message %s\n", m.text.c_str());
        program.host->dialogs().clearMessages();
    }
#ifdef _WIN32
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
#endif
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    const bool win32 = argc == 2 && std::string_view(argv[1]) == "--win32";
    if (argc > 2 || (argc == 2 && !win32)) {
        std::fprintf(stderr, "usage: card_pages [--win32]\n");
        return 2;
    }
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY); // "\n" stays one byte, as on Linux
#endif
    return run(win32);
}
