#include <gear_tools/output.hpp>

#include <gearplat/text_files.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace gear_tools {

namespace {

constexpr std::size_t kBlock = 1 << 16;

} // namespace

CheckedOutput::~CheckedOutput()
{
    flush();
}

void CheckedOutput::add(std::string_view text)
{
    if (failed()) return;
    buffer_ += text;
    if (buffer_.size() >= kBlock) flush();
}

bool CheckedOutput::flush()
{
    if (failed()) return false;
    if (buffer_.empty()) return true;
    if (sink_) {
        error_ = sink_(buffer_);
        buffer_.clear();
        return error_.empty();
    }
    errno = 0;
    const bool written = gearplat::writeStandardOutput(buffer_);
    buffer_.clear();
    if (!written) {
        error_ = errno != 0 ? std::strerror(errno) : "a write to it failed";
        return false;
    }
    return true;
}

std::string finishStandardOutput()
{
    // std::cout shares C stdio's buffer (synchronised streams), so flushing
    // it flushes stdout; a failure shows in either.
    errno = 0;
    std::cout.flush();
    const bool stream_ok = static_cast<bool>(std::cout);
    int error = errno;
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0 && !std::ferror(stdout);
    if (error == 0) error = errno;
    // Closing can report what a flush did not (on some file systems a write
    // fails only then).
    errno = 0;
    const bool closed = std::fclose(stdout) == 0;
    if (error == 0) error = errno;
    if (stream_ok && flushed && closed) return {};
    return error != 0 ? std::strerror(error) : "a write to it failed";
}

} // namespace gear_tools
