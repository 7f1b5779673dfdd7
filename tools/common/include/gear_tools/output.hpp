// Standard output whose every write is checked: a full disk, a closed pipe
// or a device that refuses data must end a tool with an error, never with
// success and nothing written.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace gear_tools {

// Collects output and writes it to standard output (or another sink) in
// large blocks. After the first failed write nothing more is written and
// failed() stays true.
class CheckedOutput {
public:
    // Writes all of `bytes` and answers an empty string, or says what went
    // wrong.
    using Sink = std::function<std::string(std::string_view bytes)>;

    CheckedOutput() = default; // standard output (a console gets characters)
    explicit CheckedOutput(Sink sink) : sink_(std::move(sink)) {}
    ~CheckedOutput(); // flushes what is left; a failure then shows in finishStandardOutput()
    CheckedOutput(const CheckedOutput&) = delete;
    CheckedOutput& operator=(const CheckedOutput&) = delete;

    void add(std::string_view text);
    // Writes everything collected so far; false when any write failed.
    bool flush();
    bool failed() const noexcept { return !error_.empty(); }
    // What went wrong, e.g. "No space left on device"; empty while all is well.
    const std::string& error() const noexcept { return error_; }

private:
    Sink sink_;
    std::string buffer_;
    std::string error_;
};

// Flushes and closes standard output (C stdio and the C++ streams on top of
// it) and reports whether everything written to it reached its
// destination. Call it last in main(): nothing may be written to standard
// output afterwards. Returns an empty string or the reason of the failure.
std::string finishStandardOutput();

} // namespace gear_tools
