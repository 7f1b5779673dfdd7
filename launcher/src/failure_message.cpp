#include "failure_message.hpp"

#include <cstdio>
#include <cstdlib>

namespace gearlaunch {

void writeFailureToStderr(const char* text, const char* caption)
{
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);
}

#if GEARCALC_LAUNCHER_TESTING
void recordFailureForTests(const char* text, const char* caption)
{
    const char* log = std::getenv("GEARCALC_LAUNCHER_MESSAGE_LOG");
    if (log == nullptr || *log == '\0') return;
    if (std::FILE* f = std::fopen(log, "ab")) {
        std::fprintf(f, "message %s: %s\n", caption, text);
        std::fclose(f);
    }
}
#endif

} // namespace gearlaunch
