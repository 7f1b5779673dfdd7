// Starts a program and times, from its start, two moments of its window:
// when a top-level window whose title contains TITLE is mapped (viewable),
// and when its first frame is painted. Then ends the program with SIGTERM.
//
//   usage: window_probe TITLE TIMEOUT_SECONDS PROGRAM [ARGS...]
//   prints "MAP_MS PAINT_MS" and exits 0; on a failure prints why and exits 1.
//
// A window's first frame is told by one pixel near its top-left corner
// (10, 10), a plain window background in both programs measured: until the
// program paints, the server shows there whatever lay beneath (on Xvfb the
// root window's black-and-white weave); a toolkit paints its whole frame
// into a buffer and sends it in one piece, so once that pixel shows the
// window's grey, the whole first frame is there.
//
// Polling here, every half millisecond, with no process started per poll,
// adds far less to each measurement than a search command run in a loop.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kProbeX = 10;
constexpr int kProbeY = 10;
constexpr auto kPollInterval = std::chrono::microseconds(500);

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

bool titleContains(Display* display, Window window, const char* title)
{
    XTextProperty name{};
    if (!XGetWMName(display, window, &name) || !name.value) return false;
    // Qt gives the name as UTF-8 or compound text; either keeps an ASCII
    // part of the title as it is.
    const std::string text(reinterpret_cast<const char*>(name.value), name.nitems);
    XFree(name.value);
    return text.find(title) != std::string::npos;
}

Window findViewable(Display* display, Window parent, const char* title)
{
    Window root = 0, up = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, parent, &root, &up, &children, &count)) return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes{};
        if (titleContains(display, children[i], title) && XGetWindowAttributes(display, children[i], &attributes) &&
            attributes.map_state == IsViewable)
            found = children[i];
        else
            found = findViewable(display, children[i], title);
    }
    if (children) XFree(children);
    return found;
}

// The window's background grey: equal channels, neither the weave's black
// nor its white.
bool painted(Display* display, Window window)
{
    XImage* image = XGetImage(display, window, kProbeX, kProbeY, 1, 1, AllPlanes, ZPixmap);
    if (!image) return false;
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    const unsigned long red = (pixel >> 16) & 0xff, green = (pixel >> 8) & 0xff, blue = pixel & 0xff;
    return red == green && green == blue && red >= 160 && red <= 250;
}

// A window may vanish between finding and reading it.
int ignoreErrors(Display*, XErrorEvent*)
{
    return 0;
}

// Describes how a child ended, as the shell would: its status, or 128 plus
// the signal that ended it.
int shellStatus(int status)
{
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: window_probe TITLE TIMEOUT_SECONDS PROGRAM [ARGS...]\n");
        return 2;
    }
    const char* title = argv[1];
    const double timeout_ms = std::atof(argv[2]) * 1000.0;
    const char* program = argv[3];

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "window_probe: cannot open the display\n");
        return 1;
    }
    XSetErrorHandler(ignoreErrors);

    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("window_probe: fork");
        return 1;
    }
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        execvp(program, argv + 3);
        _exit(127);
    }

    // Polls until `done` holds and gives the time it took; on the program's
    // end or the timeout, says why and gives a negative time.
    auto waitUntil = [&](auto done, const char* happened, const char* missed) {
        while (!done()) {
            int status = 0;
            if (waitpid(child, &status, WNOHANG) == child) {
                std::fprintf(stderr, "window_probe: %s ended (status %d) before its window \"%s\" %s\n", program,
                             shellStatus(status), title, happened);
                return -1.0;
            }
            if (msSince(start) > timeout_ms) {
                kill(child, SIGKILL);
                waitpid(child, nullptr, 0);
                std::fprintf(stderr, "window_probe: the window \"%s\" of %s %s within %s s\n", title, program, missed,
                             argv[2]);
                return -1.0;
            }
            std::this_thread::sleep_for(kPollInterval);
        }
        return msSince(start);
    };

    Window window = 0;
    const double map_ms =
        waitUntil([&] { return (window = findViewable(display, DefaultRootWindow(display), title)) != 0; },
                  "showed", "did not show");
    if (map_ms < 0) return 1;
    const double paint_ms = waitUntil([&] { return painted(display, window); }, "was painted", "was not painted");
    if (paint_ms < 0) return 1;

    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    if (shellStatus(status) != 128 + SIGTERM) {
        std::fprintf(stderr, "window_probe: %s ended with status %d on SIGTERM after its window showed (expected %d)\n",
                     program, shellStatus(status), 128 + SIGTERM);
        return 1;
    }
    XCloseDisplay(display);
    std::printf("%.0f %.0f\n", map_ms, paint_ms);
    return 0;
}
