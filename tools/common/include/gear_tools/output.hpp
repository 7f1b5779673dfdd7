// Standard output whose every write is checked: a full disk, a closed pipe
// or a device that refuses data must end a tool with an error, never with
// success and nothing written.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
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

    CheckedOutput(); // standard output (a console gets characters)
    explicit CheckedOutput(Sink sink);
    ~CheckedOutput(); // flushes what is left; a failure then shows in finishStandardOutput()
    CheckedOutput(const CheckedOutput&) = delete;
    CheckedOutput& operator=(const CheckedOutput&) = delete;

    // From now on each full block is written by a thread of its own while
    // the caller goes on making the next (blocks stay whole and in order).
    // For long runs that write much: the writing then costs no time of the
    // caller's. The sink is then called on that thread.
    void writeBehind();

    void add(std::string_view text);
    // Writes everything collected so far and waits until it is written;
    // false when any write failed.
    bool flush();
    // True from the first failed write on (with writeBehind, once the
    // writing thread has met it).
    bool failed() const noexcept { return failed_.load(std::memory_order_acquire); }
    // What went wrong, e.g. "No space left on device"; empty while all is
    // well. Read it after flush().
    const std::string& error() const noexcept { return error_; }

private:
    struct Behind;
    void handOver();
    void write(const std::string& block);

    Sink sink_;
    std::string buffer_;
    std::string error_;
    std::atomic<bool> failed_{false};
    std::unique_ptr<Behind> behind_;
};

// Flushes and closes standard output (C stdio and the C++ streams on top of
// it) and reports whether everything written to it reached its
// destination. Call it last in main(): nothing may be written to standard
// output afterwards. Returns an empty string or the reason of the failure.
std::string finishStandardOutput();

} // namespace gear_tools
