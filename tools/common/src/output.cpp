#include <gear_tools/output.hpp>

#include <gearplat/text_files.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <condition_variable>
#include <iostream>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace gear_tools {

namespace {

constexpr std::size_t kBlock = 1 << 16;

} // namespace

// The writing thread and the one block it is handed at a time.
struct CheckedOutput::Behind {
    std::mutex mutex;
    std::condition_variable changed;
    std::string block; // handed over, not yet written
    bool full = false;  // `block` waits to be written
    bool stop = false;
    std::thread thread;
};

CheckedOutput::CheckedOutput() = default;

CheckedOutput::CheckedOutput(Sink sink) : sink_(std::move(sink)) {}

CheckedOutput::~CheckedOutput()
{
    flush();
    if (behind_) {
        {
            const std::lock_guard lock(behind_->mutex);
            behind_->stop = true;
        }
        behind_->changed.notify_all();
        behind_->thread.join();
    }
}

void CheckedOutput::writeBehind()
{
    if (behind_) return;
    auto behind = std::make_unique<Behind>();
    Behind& b = *behind;
    try {
        b.thread = std::thread([this, &b] {
            std::unique_lock lock(b.mutex);
            while (true) {
                b.changed.wait(lock, [&] { return b.full || b.stop; });
                if (!b.full) return;
                lock.unlock();
                write(b.block);
                lock.lock();
                b.block.clear();
                b.full = false;
                b.changed.notify_all();
            }
        });
    } catch (const std::system_error&) {
        return; // no thread to be had: the blocks are written as they fill
    }
    behind_ = std::move(behind);
}

void CheckedOutput::add(std::string_view text)
{
    if (failed()) return;
    buffer_ += text;
    if (buffer_.size() >= kBlock) {
        if (behind_) handOver();
        else flush();
    }
}

// Gives the collected block to the writing thread once it is done with
// the one before; the caller goes on with that one's emptied buffer.
void CheckedOutput::handOver()
{
    Behind& b = *behind_;
    std::unique_lock lock(b.mutex);
    b.changed.wait(lock, [&] { return !b.full; });
    if (failed()) {
        buffer_.clear();
        return;
    }
    std::swap(buffer_, b.block);
    b.full = true;
    lock.unlock();
    b.changed.notify_all();
}

bool CheckedOutput::flush()
{
    if (behind_) {
        if (!buffer_.empty()) handOver();
        std::unique_lock lock(behind_->mutex);
        behind_->changed.wait(lock, [&] { return !behind_->full; });
        return !failed();
    }
    if (failed()) return false;
    if (buffer_.empty()) return true;
    write(buffer_);
    buffer_.clear();
    return !failed();
}

// Writes one block through the sink or to standard output; a failure is
// kept in error_ and, after it, in failed_.
void CheckedOutput::write(const std::string& block)
{
    if (failed() || block.empty()) return;
    std::string error;
    try {
        if (sink_) {
            error = sink_(block);
        } else {
            errno = 0;
            if (!gearplat::writeStandardOutput(block)) error = errno != 0 ? std::strerror(errno) : "a write to it failed";
        }
    } catch (const std::bad_alloc&) {
        error = "out of memory";
    }
    if (error.empty()) return;
    error_ = std::move(error);
    failed_.store(true, std::memory_order_release);
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
